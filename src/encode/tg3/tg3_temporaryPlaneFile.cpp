#include "encode/tg3/tg3_temporaryPlaneFile.h"

#include <filesystem>

#include "platform/cv_fileSystem.h"
#include "stream/cv_fileSpecification.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {
constexpr std::size_t kPendingBytes = std::size_t{1} << 20;
constexpr std::uint32_t kLargestTransfer = std::uint32_t{1} << 30;
}  // namespace

TemporaryPlaneFile::TemporaryPlaneFile() {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    const FileSpecification name =
        FileSpecification::temporaryName(FileSpecification(error ? "." : directory.string()));
    path_ = name.path();
    if (!file_.open(path_.c_str(), {true, true, true})) throw IOException(IoPath{path_}, IoOpen);
    removed_ = removeFile(path_.c_str()) == 0;
    pending_.reserve(kPendingBytes);
}

TemporaryPlaneFile::~TemporaryPlaneFile() {
    file_.close();
    if (!removed_) removeFile(path_.c_str());
}

std::uint64_t TemporaryPlaneFile::append(const std::uint8_t* bytes, std::size_t count) {
    const std::uint64_t offset = size_;
    if (pending_.size() + count > kPendingBytes) flush();
    pending_.insert(pending_.end(), bytes, bytes + count);
    size_ += count;
    return offset;
}

void TemporaryPlaneFile::flush() {
    if (pending_.empty()) return;
    // Reads move the position; appending goes on at the end.
    if (!atEnd_ && !file_.seek(0, 0, 3)) throw IOException(IoPath{path_}, IoWrite);
    atEnd_ = true;
    std::size_t done = 0;
    while (done < pending_.size()) {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>(kLargestTransfer, pending_.size() - done));
        if (file_.write(pending_.data() + done, count) != count)
            throw IOException(IoPath{path_}, IoWrite);
        done += count;
    }
    pending_.clear();
}

void TemporaryPlaneFile::read(std::uint64_t offset, std::size_t count,
                              std::vector<std::uint8_t>& out) {
    flush();
    out.resize(count);
    atEnd_ = false;
    if (!file_.seek(static_cast<std::uint32_t>(offset), static_cast<std::int32_t>(offset >> 32), 1))
        throw IOException(IoPath{path_}, IoRead);
    std::size_t done = 0;
    while (done < count) {
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::size_t>(kLargestTransfer, count - done));
        if (file_.read(out.data() + done, chunk) != chunk) throw IOException(IoPath{path_}, IoRead);
        done += chunk;
    }
}

}  // namespace Corvane
