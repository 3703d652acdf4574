#include "stream/cv_rawFile.h"

#include "stream/cv_stream.h"

namespace Corvane {

CVRawFile::~CVRawFile() {
    close();
}

int CVRawFile::setNames(const char* path, const char* mode) {
    close();
    path_ = path ? path : "";
    mode_ = mode ? mode : "";
    atEnd_ = false;
    return 0;
}

// The mode text decides access and creation: "r" opens an existing file for reading,
// "w" makes the file afresh for writing; a "+" adds the other direction.
int CVRawFile::openNow() {
    atEnd_ = false;
    const bool plus = mode_.find('+') != std::string::npos;
    FileHandleMode mode;
    if (mode_.find('r') != std::string::npos)
        mode = {true, plus, false};
    else if (mode_.find('w') != std::string::npos)
        mode = {plus, true, true};
    else
        return 1;
    close();
    last_ = None;
    return file_.open(path_.c_str(), mode) ? 0 : 1;
}

int CVRawFile::close() {
    return file_.close() ? 0 : 1;
}

// A read that follows a write (or a write that follows a read) first re-establishes
// the position, as buffered platforms require.
std::uint32_t CVRawFile::read(void* buffer, std::uint32_t count) {
    if (!file_.isOpen()) return 0;
    if (last_ != Read) {
        file_.seek(0, 0, SeekFromCurrent);
        last_ = Read;
    }
    const std::uint32_t done = file_.read(buffer, count);
    if (done < count) atEnd_ = true;
    return done;
}

std::uint32_t CVRawFile::write(const void* buffer, std::uint32_t count) {
    if (!file_.isOpen()) return 0;
    if (last_ != Write) {
        file_.seek(0, 0, SeekFromCurrent);
        last_ = Write;
    }
    atEnd_ = false;
    return file_.write(buffer, count);
}

int CVRawFile::seek(std::uint32_t low, std::int32_t high, int origin) {
    last_ = None;
    atEnd_ = false;
    if (!file_.isOpen() || !isSeekOrigin(origin)) return 1;
    return file_.seek(low, high, origin) ? 0 : 1;
}

std::int64_t CVRawFile::tell() {
    return file_.tell();
}
std::unique_ptr<CVRawFile> CVRawFile::duplicate() const {
    auto copy = std::make_unique<CVRawFile>();
    copy->setNames(path_.c_str(), mode_.c_str());
    if (copy->openNow() != 0) return nullptr;
    return copy;
}

}  // namespace Corvane
