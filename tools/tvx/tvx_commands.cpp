#include "tvx_commands.h"

namespace tvx {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"info",
         "FILE",
         1,
         "describe a Tovex image: size, levels, samples, georeferencing, metadata",
         "Prints the generation and file version, the size, bands and levels (with the size\n"
         "of each), data type and bits, colour scheme, dynamic range, dither, the\n"
         "georeferencing and where it came from (the file or a world file beside it), and\n"
         "the metadata keys and values.\n",
         {{"json", "", "print the same as one JSON object"}},
         runInfo},
        {"decode",
         "FILE OUT",
         2,
         "decode a Tovex image to PNG, GeoTIFF or PNM",
         "Writes one level of FILE, or a window of it, to OUT. The format follows OUT's\n"
         "extension: .png (grey or RGB, 8 or 16 bits), .tif/.tiff (tiled GeoTIFF carrying\n"
         "the georeferencing), .pgm/.ppm/.pam. Samples keep the image's own type: 16-bit\n"
         "TG3 images give 16-bit output, TG2 images 8-bit. YIQ images are written as\n"
         "8-bit RGB and YIQK images as 8-bit CMYK. The file is written strip by strip\n"
         "under a temporary name and renamed when complete.\n"
         "Magnified levels (--width beyond the image) go down to level -4, 16 times the\n"
         "full size, for TG2 images; TG3 images are not magnified. An output of more\n"
         "than 2^26 samples and more than 1000 samples per byte of FILE is refused as a\n"
         "likely decompression bomb (a small file may describe a huge blank image)\n"
         "unless --allow-large is given.\n",
         {{"level", "N", "level to decode: 0 is full resolution, -1 to -4 magnify (default 0)"},
          {"width", "W", "the coarsest level at least W pixels wide, as the host chooses it"},
          {"window", "X,Y,W,H", "only this rectangle, in pixels of the chosen level"},
          {"threads", "N", "decode on N threads, each its own columns (default: all cores)"},
          {"quiet", "", "no progress bar and no summary line"},
          {"allow-large", "", "decode outputs that look like decompression bombs (see above)"}},
         runDecode},
        {"encode",
         "IN... OUT.tvx",
         2,
         "encode a PNG, TIFF or PNM image, or several as one mosaic, as a Tovex file",
         "IN is PNG, TIFF (GeoTIFF georeferencing is carried into the file) or PNM, 8 or\n"
         "16 bits, grey, RGB or (TIFF, PAM) CMYK. TG3 files are lossless unless --quality\n"
         "or --bpp is given. TG2 files hold 8-bit samples; RGB images are stored as Y, I\n"
         "and Q bands unless --keep-rgb is given (readers show them as RGB). The file is\n"
         "written under a temporary name and renamed when complete.\n"
         "Several inputs make one TG3 file of several images, a mosaic: each input must\n"
         "be georeferenced, north up, by its GeoTIFF tags or by a world file beside it\n"
         "(the input's name with the extension .wld), all with the same pixel size and\n"
         "the same bands and sample type. Readers place each image by its position; where\n"
         "images overlap, the later input covers the earlier.\n",
         {{"gen", "G", "3 (default) or 2"},
          {"quality", "Q", "TG3: the smallest file whose PSNR reaches Q dB"},
          {"bpp", "B", "the largest file of at most B bits per pixel"},
          {"step", "S", "TG2: quantisation step, about the largest error of a sample (default 1)"},
          {"levels", "N", "wavelet levels (default: up to 5, keeping the coarsest >= 8 pixels)"},
          {"subblock", "N", "side of the coded sub-blocks (TG3 default 64, TG2 32)"},
          {"order", "O", "TG3 sub-block order: pipelined (default), nopipe or sbcp"},
          {"colour", "C",
           "TG3 colour transform code: 17 is the reversible integer transform of JPEG 2000 "
           "(default: 4 for RGB, 13 for CMYK, 19 for grey)"},
          {"keep-rgb", "",
           "TG2: store RGB images as R, G and B bands; by default they are stored as Y, I and "
           "Q, which readers turn back into RGB (smaller files at the same quality)"},
          {"periodic", "", "TG3: extend the image periodically at its edges, not by reflection"},
          {"world", "FILE", "take the georeferencing from this world file"},
          {"write-world", "", "write the world file (.TXW) beside OUT"},
          {"embed-tg2", "", "mosaics: each input as an embedded TG2 image (TG2's options)"},
          {"quiet", "", "no summary line"}},
         runEncode,
         true},
    };
    return table;
}

}  // namespace tvx
