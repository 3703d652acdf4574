#include "encode/encode_scratchFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/cv_fileSystem.h"
#include "stream/cv_fileSpecification.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"

namespace Corvane {

namespace {

// Names taken by others between the choice of a name and its creation are skipped;
// past this many the directory is taken to be unusable.
constexpr int kNameAttempts = 100;
// The handle moves at most this many bytes a call.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

// The system's temporary directory; none when it names no directory.
std::string temporaryDirectory() {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    if (error) throw Exception(kTempFileCreation);
    return directory.string();
}

}  // namespace

ScratchFile::ScratchFile() {
    const FileSpecification directory(temporaryDirectory());
    FileHandleMode mode;
    mode.read = mode.write = mode.createNew = true;
    for (int attempt = 0; attempt < kNameAttempts && !file_.isOpen(); ++attempt) {
        try {
            path_ = FileSpecification::temporaryName(directory).path();
        } catch (const Exception&) {
            break;
        }
        file_.open(path_.c_str(), mode);
    }
    if (!file_.isOpen()) throw Exception(kTempFileCreation);
    named_ = removeFile(path_.c_str()) != 0;
}

ScratchFile::~ScratchFile() {
    file_.close();
    if (named_) removeFile(path_.c_str());
}

void ScratchFile::seek(std::uint64_t offset, std::int32_t operation) {
    if (!file_.seek(static_cast<std::uint32_t>(offset), static_cast<std::int32_t>(offset >> 32), 1))
        throw IOException(IoPath{path_}, operation);
}

std::uint64_t ScratchFile::append(const void* bytes, std::size_t count) {
    const std::uint64_t at = size_;
    write(at, bytes, count);
    return at;
}

void ScratchFile::write(std::uint64_t offset, const void* bytes, std::size_t count) {
    seek(offset, IoWrite);
    const auto* from = static_cast<const unsigned char*>(bytes);
    for (std::size_t done = 0; done < count;) {
        const auto part = static_cast<std::uint32_t>(std::min(count - done, kLargestTransfer));
        if (file_.write(from + done, part) != part) throw IOException(IoPath{path_}, IoWrite);
        done += part;
    }
    size_ = std::max(size_, offset + count);
}

void ScratchFile::read(std::uint64_t offset, void* bytes, std::size_t count) {
    if (offset + count > size_) throw IOException(IoPath{path_}, IoRead);
    seek(offset, IoRead);
    auto* to = static_cast<unsigned char*>(bytes);
    for (std::size_t done = 0; done < count;) {
        const auto part = static_cast<std::uint32_t>(std::min(count - done, kLargestTransfer));
        if (file_.read(to + done, part) != part) throw IOException(IoPath{path_}, IoRead);
        done += part;
    }
}

}  // namespace Corvane
