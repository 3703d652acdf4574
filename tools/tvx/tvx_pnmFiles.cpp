#include "tvx_pnmFiles.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_atomicOutput.h"
#include "tvx_inputImage.h"

namespace tvx {

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw Corvane::Exception("Cannot read PNM " + path + ": " + why);
}

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Reads one header token of P5/P6, skipping blanks and '#' comments.
std::string nextToken(std::istream& in) {
    std::string token;
    int c;
    while ((c = in.get()) != EOF) {
        if (c == '#') {
            while ((c = in.get()) != EOF && c != '\n') {
            }
            continue;
        }
        if (std::isspace(c)) {
            if (!token.empty()) break;
            continue;
        }
        token.push_back(static_cast<char>(c));
    }
    return token;
}

std::uint32_t parseNumber(const std::string& token, const std::string& path) {
    if (token.empty() || token.size() > 9) refuse(path, "bad header number");
    for (char c : token)
        if (!std::isdigit(static_cast<unsigned char>(c))) refuse(path, "bad header number");
    return static_cast<std::uint32_t>(std::stoul(token));
}

struct PnmHeader {
    std::uint32_t width = 0, height = 0, depth = 0, maxValue = 0;
    std::string tupleType;
};

PnmHeader readPamHeader(std::istream& in, const std::string& path) {
    PnmHeader header;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "ENDHDR") return header;
        if (key == "WIDTH") header.width = parseNumber(value, path);
        if (key == "HEIGHT") header.height = parseNumber(value, path);
        if (key == "DEPTH") header.depth = parseNumber(value, path);
        if (key == "MAXVAL") header.maxValue = parseNumber(value, path);
        if (key == "TUPLTYPE") header.tupleType = value;
    }
    refuse(path, "no ENDHDR");
}

class PnmWriter : public RasterWriter {
  public:
    PnmWriter(const std::string& path, const RasterHeader& header)
        : output_(path), header_(header) {
        const std::string extension = lowerExtension(path);
        std::string text;
        const std::string size =
            std::to_string(header.width) + " " + std::to_string(header.height) + "\n";
        const std::string maxValue = header.bitsPerSample == 16 ? "65535" : "255";
        if (extension == ".pgm" || extension == ".ppm") {
            const bool grey = extension == ".pgm";
            if (header.bands != (grey ? 1u : 3u))
                throw Corvane::Exception("A " + extension + " file cannot hold an image of " +
                                         std::to_string(header.bands) + " bands; use .pam");
            text = std::string(grey ? "P5\n" : "P6\n") + size + maxValue + "\n";
        } else {
            const char* tupleType = header.bands == 1   ? "GRAYSCALE"
                                    : header.bands == 3 ? "RGB"
                                                        : "CMYK";
            text = "P7\nWIDTH " + std::to_string(header.width) + "\nHEIGHT " +
                   std::to_string(header.height) + "\nDEPTH " + std::to_string(header.bands) +
                   "\nMAXVAL " + maxValue + "\nTUPLTYPE " + tupleType + "\nENDHDR\n";
        }
        output_.writeAll(text);
    }

    void writeRows(const std::uint8_t* rows, std::size_t stride, std::uint32_t count) override {
        const std::size_t rowSamples = std::size_t{header_.width} * header_.bands;
        const std::size_t bytesPerSample = header_.bitsPerSample == 16 ? 2 : 1;
        std::string row(rowSamples * bytesPerSample, '\0');
        for (std::uint32_t y = 0; y < count; ++y) {
            const std::uint8_t* source = rows + y * stride;
            if (bytesPerSample == 1) {
                row.assign(reinterpret_cast<const char*>(source), rowSamples);
            } else {
                // Netpbm stores 16-bit samples most significant byte first.
                for (std::size_t i = 0; i < rowSamples; ++i) {
                    std::uint16_t sample;
                    std::memcpy(&sample, source + 2 * i, 2);
                    row[2 * i] = static_cast<char>(sample >> 8);
                    row[2 * i + 1] = static_cast<char>(sample & 0xFF);
                }
            }
            output_.writeAll(row);
        }
    }

    void finish() override { output_.commit(); }

  private:
    AtomicOutput output_;
    RasterHeader header_;
};

}  // namespace

std::unique_ptr<RasterWriter> createPnmWriter(const std::string& path, const RasterHeader& header) {
    return std::make_unique<PnmWriter>(path, header);
}

namespace {

// A binary PGM, PPM or PAM file read a strip at a time: the samples follow the header
// with no padding, so any row is found by its offset.
class PnmSource : public Corvane::RasterSource {
  public:
    PnmSource(std::ifstream in, std::string path, const PnmHeader& header, std::uint32_t keptBands)
        : in_(std::move(in)),
          path_(std::move(path)),
          header_(header),
          keptBands_(keptBands),
          bytesPerSample_(header.maxValue > 255 ? 2 : 1),
          dataStart_(in_.tellg()) {}

    Corvane::RasterShape shape() const override {
        return {header_.width, header_.height, bytesPerSample_ == 2 ? 16 : 8, keptBands_};
    }

    void readRows(std::uint32_t firstRow, std::uint32_t count,
                  Corvane::RasterImage& strip) override {
        const Corvane::RasterShape size = shape();
        strip.width = size.width;
        strip.height = count;
        strip.bitsPerSample = size.bitsPerSample;
        const std::size_t width = header_.width;
        strip.components.assign(keptBands_, std::vector<std::int32_t>(width * count));
        const std::size_t rowBytes = width * header_.depth * bytesPerSample_;
        in_.seekg(dataStart_ + static_cast<std::streamoff>(rowBytes * firstRow));
        std::vector<unsigned char> row(rowBytes);
        for (std::uint32_t y = 0; y < count; ++y) {
            if (!in_.read(reinterpret_cast<char*>(row.data()),
                          static_cast<std::streamsize>(row.size())))
                refuse(path_, "the file is truncated");
            for (std::size_t x = 0; x < width; ++x) {
                for (std::uint32_t b = 0; b < keptBands_; ++b) {
                    const std::size_t i = x * header_.depth + b;
                    const std::int32_t value =
                        bytesPerSample_ == 2 ? (row[2 * i] << 8) | row[2 * i + 1] : row[i];
                    if (value > static_cast<std::int32_t>(header_.maxValue))
                        refuse(path_, "a sample exceeds MAXVAL");
                    strip.components[b][y * width + x] = value;
                }
            }
        }
    }

  private:
    std::ifstream in_;
    std::string path_;
    PnmHeader header_;
    std::uint32_t keptBands_;
    std::size_t bytesPerSample_;
    std::streampos dataStart_;
};

}  // namespace

InputSource openPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Corvane::Exception("Cannot open " + path);
    const std::string magic = nextToken(in);
    PnmHeader header;
    if (magic == "P5" || magic == "P6") {
        header.width = parseNumber(nextToken(in), path);
        header.height = parseNumber(nextToken(in), path);
        header.maxValue = parseNumber(nextToken(in), path);
        header.depth = magic == "P5" ? 1 : 3;
    } else if (magic == "P7") {
        header = readPamHeader(in, path);
    } else {
        refuse(path, "not a binary PGM, PPM or PAM file");
    }
    // An alpha band is read and dropped.
    std::uint32_t keptBands = header.depth;
    if (header.tupleType == "GRAYSCALE_ALPHA" || header.tupleType == "RGB_ALPHA") --keptBands;
    if (keptBands != 1 && keptBands != 3 && keptBands != 4)
        refuse(path, "it has " + std::to_string(header.depth) + " bands");
    if (header.width == 0 || header.height == 0) refuse(path, "the image is empty");
    if (header.maxValue == 0 || header.maxValue > 65535) refuse(path, "bad MAXVAL");

    const std::size_t bytesPerSample = header.maxValue > 255 ? 2 : 1;
    const std::uintmax_t sampleCount = std::uintmax_t{header.width} * header.height * header.depth;
    const std::uintmax_t fileSize = std::filesystem::file_size(path);
    const auto dataStart = static_cast<std::uintmax_t>(in.tellg());
    // Checked before anything is allocated, so a forged header costs nothing.
    if (dataStart > fileSize || (fileSize - dataStart) / bytesPerSample < sampleCount)
        refuse(path, "the file is shorter than its header says");
    InputSource source;
    source.source = std::make_unique<PnmSource>(std::move(in), path, header, keptBands);
    return source;
}

}  // namespace tvx
