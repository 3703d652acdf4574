#pragma once
// libgeotiff, loaded the first time a TIFF is read or written instead of when tvx
// starts: it brings some thirty other libraries with it (the projection library and its
// network stack), and binding them cost every run of tvx several milliseconds, more
// than a small decode takes.
#include <geotiff/geotiff.h>
#include <geotiff/xtiffio.h>
#include <tiffio.h>

namespace tvx {

struct GeoTiffLibrary {
    TIFF* (*open)(const char* path, const char* mode);  // XTIFFOpen: TIFF with GeoTIFF tags
    void (*close)(TIFF* tif);                           // XTIFFClose
    GTIF* (*create)(void* tif);                         // GTIFNew
    void (*free)(GTIF* gtif);                           // GTIFFree
    int (*keyGet)(GTIF* gtif, geokey_t key, void* value, int index, int count);
    int (*keySet)(GTIF* gtif, geokey_t key, tagtype_t type, int count, ...);
    int (*writeKeys)(GTIF* gtif);
};

// The library's functions, loaded once. Raises Corvane::Exception naming the library
// when it cannot be loaded.
const GeoTiffLibrary& geoTiff();

}  // namespace tvx
