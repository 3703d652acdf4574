#include "encode/tg3/tg3_temporaryPlaneFile.h"

namespace Corvane {

namespace {
constexpr std::size_t kPendingBytes = std::size_t{1} << 20;
}  // namespace

TemporaryPlaneFile::TemporaryPlaneFile() { pending_.reserve(kPendingBytes); }

std::uint64_t TemporaryPlaneFile::append(const std::uint8_t* bytes, std::size_t count) {
    const std::uint64_t offset = size();
    if (pending_.size() + count > kPendingBytes) flush();
    pending_.insert(pending_.end(), bytes, bytes + count);
    return offset;
}

void TemporaryPlaneFile::flush() {
    if (pending_.empty()) return;
    file_.append(pending_.data(), pending_.size());
    pending_.clear();
}

void TemporaryPlaneFile::read(std::uint64_t offset, std::size_t count,
                              std::vector<std::uint8_t>& out) {
    flush();
    out.resize(count);
    file_.read(offset, out.data(), count);
}

}  // namespace Corvane
