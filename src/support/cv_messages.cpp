#include "support/cv_messages.h"

#include <array>

namespace Corvane {
namespace {

struct Entry {
    int family;
    int index;
    const char* text;
};

// Every text that this system looks up or names, code by code. The catalog numbers
// inside the prefixes do not follow from the codes (some neighbours are swapped and
// two codes share one number), so the table is written out as it stands.
constexpr Entry kEntries[] = {
    {1, 0x00, "[4][2001]Success"},
    {1, 0x01, "[4][2002]Failure"},
    {1, 0x02, "[4][2003]Out of memory"},
    {1, 0x03, "[4][2004]Null pointer exception"},
    {1, 0x04, "[4][2005]Invalid argument passed to function"},
    {1, 0x05, "[4][2006]Program interrupt encountered"},
    {1, 0x07,
     "[4][2008]Error: This is a newer Tovex image than this decompression SDK supports.  "
     "Please contact the maker of this library for an update."},
    {1, 0x08, "[4][2009]Error: Stream does not contain a bonafide Tovex image."},
    {1, 0x09, "[4][2010]Marker problem encountered.  Possible file corruption."},
    {1, 0x0a,
     "[4][2011]Unexpected marker byte encountered during decompression.  Possible file "
     "corruption."},
    {1, 0x0b,
     "[4][2012]Unexpected EOF encountered during decompression. Possible file corruption."},
    {1, 0x0c, "[4][2013]Error decompressing Tovex file. Possible file corruption."},
    {1, 0x0d,
     "[4][2014]The Color Space is unknown, and not enough information is available to "
     "continue with this image."},
    {1, 0x0e, "[4][2015]Error. Invalid support supplied to TovexNavigator constructor."},
    {1, 0x12, "[4][2019]Error 1 in dth."},
    {1, 0x18, "[4][2026]Error: invalid image support specified."},
    {1, 0x19,
     "[4][2027]Error: Incompatible scale parameter input for image synthesis.\n scale is "
     "greater than the number of zoom levels in the image.\n"},
    {1, 0x1a, "[4][2029]Error 1 in Subband::copy()."},
    {1, 0x1b, "[4][2030]Error 2 in Subband::copy()."},
    {1, 0x1d, "[4][2032]Error 1 in subroutine merge2."},
    {1, 0x1e, "[4][2033]Error 2 in subroutine merge2."},
    {1, 0x1f, "[4][2034]Error 3 in subroutine merge2."},
    {1, 0x20, "[4][2035]Error 4 in subroutine merge2."},
    {1, 0x21, "[4][2036]Error 5 in subroutine merge2."},
    {1, 0x24, "[4][2039]Error 1 in Subband::intersect()."},
    {1, 0x25, "[4][2040]Error 2 in Subband::intersect()."},
    {1, 0x26, "[4][2041]Error 3 in Subband::intersect()."},
    {1, 0x29, "[4][2044]Error 3 in Subband::difference()."},
    {1, 0x2a, "[4][2045]Error 4 in Subband::difference()."},
    {1, 0x2b, "[4][2046]Error 5 in Subband::difference()."},
    {1, 0x2c,
     "[4][2028]Error: Incompatible scale parameter input for image synthesis.\n Scale is "
     "less than 0 or greater than the number of zoom levels in the image.\n"},
    {1, 0x42, "[4][2068]Error initializing metadata."},
    {1, 0x5d, "[4][2095]Memory allocation error."},
    {1, 0xc3, "%s[4][2198] thrown!"},
    {1, 0xc4, "%s[4][2199] thrown! last_err = %d"},
    {1, 0xc5, "[4][2200]Unimplemented method."},
    {1, 0xc6, "[4][2201]Unimplemented method: %s."},
    {1, 0xc8, "[4][2202]Unimplemented method - file:%s line:%d."},
    {1, 0xc9, "[4][2203]Unsupported feature."},
    {1, 0xca, "[4][2204]Unsupported feature: %s."},
    {1, 0xcb, "[4][2205]Invalid data format."},
    {1, 0xcd, "[4][2207]Unsupported version."},
    {1, 0xce, "[4][2208]Unsupported image format."},
    {1, 0xcf, "[4][2209]Invalid image data."},
    {1, 0xd0, "[4][2210]An I/O problem has occurred."},
    {1, 0xd1, "[4][2211]Cannot find transformer for %s to %s."},
    {1, 0xe1,
     "[4][2227]Error creating file in temp directory %s.  Make sure write permissions are "
     "available and the temp directory is not full."},
    {1, 0x13e, "[4][2320]Error 1 in Array2D ctor 3."},
    {1, 0x13f, "[4][2321]Error 1 in Array2D<T>::set_band()."},
    {1, 0x144, "[4][2326]Error 1 in Array2D::insert()."},
    {1, 0x145, "[4][2327]Error 2 in Array2D::insert()."},
    {1, 0x146, "[4][2328]Error 1 in Array2D::BSQIterator.operator+="},
    {1, 0x14c, "[4][2334]Invalid argument passed to function: %s."},
    {1, 0x15a, "[4][2347]An unknown exception has been thrown.%s"},
    {1, 0x167, "[4][2360]Error constructing rectangle object: %s."},
    {1, 0x168, "[4][2361]Error constructing an object: Cannot have negative dimensions."},
    {1, 0x169, "[4][2362]Points do not specify a valid rectangle."},
    {1, 0x16a, "[4][2363]Points are not in the same z plane."},
    {1, 0x16f, "[4][2368]Cannot open file."},
    {1, 0x183,
     "[4][2379]Error creating temporary file.  Make sure the temp directory is not full or "
     "write protected."},
    {1, 0x184,
     "[4][2377]Error: Specified temp directory \"%s\" is not accessible or does not exist."},
    {1, 0x185, "[4][2390]Attempt to set range with min > max."},
    {1, 0x186, "[4][2391]TG3ClassicalMetadata:  Error copying metadata."},
    {1, 0x187, "[4][2392]Illegal sample type."},
    {1, 0x188, "[4][2393]Attempt to add incompatible data type to LUT."},
    {1, 0x189, "[4][2394]LUT index out of bounds."},
    {1, 0x18a, "[4][2395]No transformer registered."},
    {1, 0x18b, "[4][2397]Invalid properties."},
    {1, 0x192, "[4][2404]Single value MetadataElement must have width, height == 1."},
    {1, 0x193, "[4][2405]Array MetadataElement must have width > 1, height==1."},
    {1, 0x194, "[4][2406]Table MetadataElement must have width > 1, height > 1 ."},
    {1, 0x195, "[4][2407]Illegal dimensionality specified for MetadataElement."},
    {1, 0x196, "[4][2408]Bad cast in metadata."},
    {1, 0x19e, "[4][2415]Error parsing Tovex stream."},
    {1, 0x1a5, "[4][2422]Invalid Tovex Memory Model."},
    {1, 0x1a6, "[4][2423]Error reading Classical Metdata Packet."},
    {1, 0x1ab, "[4][2428]Invalid Colorspace."},
    {1, 0x1ac, "[4][2429]Incompatible source and destination colorspace."},
    {1, 0x1ad, "[4][2430]Buffer properties mismatch."},
    {1, 0x1ae, "[4][2431]Raster type incompatible with lookup table."},
    {3, 0x00, "Folder Scanning Error: %hd"},
    {4, 0x01, "[4][4001]Cannot read file."},
    {4, 0x02, "[4][4002]Cannot write file."},
    {4, 0x03, "[4][4003]Cannot open file."},
    {4, 0x05, "[4][4005]Cannot close file."},
    {4, 0x06, "[4][4006]Cannot find file."},
    {4, 0x07, "[4][4007]Cannot read stream."},
    {4, 0x08, "[4][4008]Cannot write stream."},
    {4, 0x09, "[4][4009]Cannot open stream."},
    {4, 0x0d, "[4][4013]Unknown"},
    {4, 0x12, "[4][4016]Error deleting file %s."},
    {4, 0x14, "[4][4018]Invalid protocol."},
};

constexpr std::array<int, 5> kFamilySlots = {14, 452, 13, 1, 35};

// The five families one after another in one table, each from its offset on.
constexpr std::array<int, 5> kFamilyOffsets = [] {
    std::array<int, 5> offsets{};
    for (std::size_t f = 1; f < offsets.size(); ++f)
        offsets[f] = offsets[f - 1] + kFamilySlots[f - 1];
    return offsets;
}();
constexpr int kCatalogSlots = kFamilyOffsets[4] + kFamilySlots[4];

using Catalog = std::array<const char*, kCatalogSlots>;

constexpr Catalog filledCatalog() {
    Catalog catalog{};
    for (const Entry& e : kEntries) {
        // Reached only when an entry lies outside its family: the build then fails.
        if (e.index >= kFamilySlots[e.family]) throw "catalog entry outside its family";
        catalog[kFamilyOffsets[e.family] + e.index] = e.text;
    }
    return catalog;
}

// Filled by the compiler: there is no first use for two threads to race on.
constexpr Catalog kCatalog = filledCatalog();

}  // namespace

const char* getMessageText(std::int32_t code) {
    const int family = (code >> 24) & 15;
    const int index = code & 0xffff;
    if (family > 4 || index >= kFamilySlots[family]) return nullptr;
    return kCatalog[kFamilyOffsets[family] + index];
}

// Looked up at load time, before any caller can run.
const char* g_unexpectedMarkerText = getMessageText(messageCode(1, 0x0a));
const char* g_unexpectedEofText = getMessageText(messageCode(1, 0x0b));
const char* g_decompressErrorText = getMessageText(messageCode(1, 0x0c));
const char* g_decompressErrorText2 = getMessageText(messageCode(1, 0x0c));
const char* g_badMetadataCastText = getMessageText(messageCode(1, 0x196));

}  // namespace Corvane
