#include "tvx_pngFiles.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_atomicOutput.h"
#include "tvx_inputImage.h"

namespace tvx {

namespace {

// libpng reports errors by longjmp. Every function that calls into libpng keeps
// only trivially destructible objects in its own frame, and the text of the error
// is kept here until it can become an exception outside.
struct PngErrorText {
    char text[256] = "";
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    if (error != nullptr) std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

struct PngDecodeResult {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;
    int bitDepth = 0;
};

// Reads the file's header and asks libpng for grey or RGB rows at 8 or 16 bits in
// the machine's byte order: alpha is dropped, palettes and low bit depths are
// expanded. Fills `result` and says whether the rows are interlaced. Called where a
// libpng error can jump to.
bool readPngHeader(png_structp png, png_infop info, std::FILE* file, PngDecodeResult& result) {
    png_init_io(png, file);
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    png_set_strip_alpha(png);
    if (std::endian::native == std::endian::little && png_get_bit_depth(png, info) == 16)
        png_set_swap(png);
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_read_update_info(png, info);
    result.width = png_get_image_width(png, info);
    result.height = png_get_image_height(png, info);
    result.channels = png_get_channels(png, info);
    result.bitDepth = png_get_bit_depth(png, info);
    return interlaced;
}

// Decodes the whole file into pixels as readPngHeader describes them. False on a
// libpng error.
bool decodePng(std::FILE* file, PngErrorText& error, std::vector<std::uint8_t>& pixels,
               std::vector<png_bytep>& rows, PngDecodeResult& result) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    readPngHeader(png, info, file, result);
    const std::size_t stride = png_get_rowbytes(png, info);
    pixels.resize(stride * result.height);
    rows.resize(result.height);
    for (std::uint32_t y = 0; y < result.height; ++y) rows[y] = pixels.data() + y * stride;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

class PngWriter : public RasterWriter {
  public:
    PngWriter(const std::string& path, const RasterHeader& header)
        : output_(path), header_(header) {
        if (header.bands != 1 && header.bands != 3)
            throw Corvane::Exception("PNG holds grey or RGB images; write " + path +
                                     " as TIFF or PAM instead");
        if (!start()) raise();
    }
    ~PngWriter() override { png_destroy_write_struct(&png_, &info_); }

    void writeRows(const std::uint8_t* rows, std::size_t stride, std::uint32_t count) override {
        if (!writeGuarded(rows, stride, count)) raise();
    }

    void finish() override {
        if (!endGuarded()) raise();
        output_.commit();
    }

  private:
    [[noreturn]] void raise() {
        throw Corvane::Exception("Cannot write " + output_.finalPath() + ": " + error_.text);
    }

    bool start() {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, onPngError, onPngWarning);
        if (png_ == nullptr) return false;
        info_ = png_create_info_struct(png_);
        if (info_ == nullptr || setjmp(png_jmpbuf(png_))) return false;
        png_init_io(png_, output_.file());
        png_set_IHDR(png_, info_, header_.width, header_.height, header_.bitsPerSample,
                     header_.bands == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png_, info_);
        if (std::endian::native == std::endian::little && header_.bitsPerSample == 16)
            png_set_swap(png_);
        return true;
    }

    bool writeGuarded(const std::uint8_t* rows, std::size_t stride, std::uint32_t count) {
        if (setjmp(png_jmpbuf(png_))) return false;
        for (std::uint32_t y = 0; y < count; ++y)
            png_write_row(png_, const_cast<png_bytep>(rows + y * stride));
        return true;
    }

    bool endGuarded() {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_write_end(png_, info_);
        return true;
    }

    AtomicOutput output_;
    RasterHeader header_;
    PngErrorText error_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

}  // namespace

std::unique_ptr<RasterWriter> createPngWriter(const std::string& path, const RasterHeader& header) {
    return std::make_unique<PngWriter>(path, header);
}

namespace {

// The samples of decoded PNG rows (grey or RGB, 8 or 16 bits, native byte order) into
// the planes of `strip`, starting at its row `firstRow`.
void takePngRows(const std::uint8_t* pixels, std::uint32_t rows, const PngDecodeResult& shape,
                 Corvane::RasterImage& strip, std::uint32_t firstRow) {
    const std::size_t channels = static_cast<std::size_t>(shape.channels);
    const std::size_t count = std::size_t{shape.width} * rows;
    const std::size_t start = std::size_t{shape.width} * firstRow;
    for (std::size_t i = 0; i < count * channels; ++i) {
        std::int32_t value;
        if (shape.bitDepth == 16) {
            std::uint16_t sample;
            std::memcpy(&sample, pixels + 2 * i, 2);
            value = sample;
        } else {
            value = pixels[i];
        }
        strip.components[i % channels][start + i / channels] = value;
    }
}

// A PNG file decoded row by row as the encoder reads on. An interlaced file stores
// its rows in seven passes over the whole image, so it is decoded whole when opened.
class PngSource : public Corvane::RasterSource {
  public:
    explicit PngSource(std::string path) : path_(std::move(path)) { start(); }
    ~PngSource() override { stop(); }

    Corvane::RasterShape shape() const override {
        return {shape_.width, shape_.height, shape_.bitDepth,
                static_cast<std::uint32_t>(shape_.channels)};
    }

    void readRows(std::uint32_t firstRow, std::uint32_t count,
                  Corvane::RasterImage& strip) override {
        strip.width = shape_.width;
        strip.height = count;
        strip.bitsPerSample = shape_.bitDepth;
        strip.components.assign(static_cast<std::size_t>(shape_.channels),
                                std::vector<std::int32_t>(std::size_t{shape_.width} * count));
        if (whole_) {
            takePngRows(whole_->data() + row_.size() * firstRow, count, shape_, strip, 0);
            return;
        }
        if (firstRow < nextRow_) {
            stop();
            start();
        }
        for (; nextRow_ < firstRow; ++nextRow_) readRow();
        for (std::uint32_t y = 0; y < count; ++y, ++nextRow_) {
            readRow();
            takePngRows(row_.data(), 1, shape_, strip, y);
        }
    }

  private:
    void start() {
        file_ = std::fopen(path_.c_str(), "rb");
        if (file_ == nullptr) throw Corvane::Exception("Cannot open " + path_);
        bool interlaced = false;
        if (!startGuarded(interlaced)) raise();
        nextRow_ = 0;
        row_.resize(png_get_rowbytes(png_, info_));
        if (interlaced && !whole_) {
            // The existing decoder reads the whole file from its start.
            stop();
            file_ = std::fopen(path_.c_str(), "rb");
            if (file_ == nullptr) throw Corvane::Exception("Cannot open " + path_);
            std::vector<std::uint8_t> pixels;
            std::vector<png_bytep> rows;
            const bool ok = decodePng(file_, error_, pixels, rows, shape_);
            stop();
            if (!ok) raise();
            whole_ = std::move(pixels);
        }
    }

    void stop() {
        if (png_ != nullptr) png_destroy_read_struct(&png_, &info_, nullptr);
        png_ = nullptr;
        info_ = nullptr;
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
    }

    void readRow() {
        if (!readRowGuarded()) raise();
    }

    [[noreturn]] void raise() {
        throw Corvane::Exception("Cannot read PNG " + path_ + ": " + error_.text);
    }

    bool startGuarded(bool& interlaced) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, onPngError, onPngWarning);
        if (png_ == nullptr) return false;
        info_ = png_create_info_struct(png_);
        if (info_ == nullptr || setjmp(png_jmpbuf(png_))) return false;
        interlaced = readPngHeader(png_, info_, file_, shape_);
        return true;
    }

    bool readRowGuarded() {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_read_row(png_, row_.data(), nullptr);
        return true;
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PngErrorText error_;
    PngDecodeResult shape_;
    std::vector<std::uint8_t> row_;
    std::uint32_t nextRow_ = 0;
    std::optional<std::vector<std::uint8_t>> whole_;
};

}  // namespace

InputSource openPng(const std::string& path) {
    InputSource source;
    source.source = std::make_unique<PngSource>(path);
    return source;
}

}  // namespace tvx
