#include "tvx_atomicOutput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_signalCleanup.h"

namespace tvx {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw Corvane::Exception(what + " " + path + ": " + std::strerror(errno));
}

// Files made by mkstemp are private; a finished output gets the usual permissions.
void applyUsualPermissions(int fd) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

}  // namespace

AtomicOutput::AtomicOutput(std::string finalPath) : finalPath_(std::move(finalPath)) {
    const std::filesystem::path target(finalPath_);
    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    const std::string pattern =
        (directory / ("." + target.filename().string() + ".partial-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd;
    {
        // The file is armed for removal before a terminating signal can arrive.
        const TerminatingSignalsBlocked blocked;
        fd = ::mkstemp(name.data());
        if (fd >= 0) cleanup_.arm(name.data());
    }
    if (fd < 0) fail("Cannot create a file beside", finalPath_);
    temporaryPath_ = name.data();
    applyUsualPermissions(fd);
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporaryPath_.c_str());
        fail("Cannot write", temporaryPath_);
    }
}

AtomicOutput::~AtomicOutput() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_) ::unlink(temporaryPath_.c_str());
    cleanup_.disarm();
}

void AtomicOutput::writeAll(const std::string& bytes) {
    if (file_ == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        fail("Cannot write", finalPath_);
}

void AtomicOutput::closeStream() {
    if (file_ == nullptr) return;
    const int result = std::fclose(file_);
    file_ = nullptr;
    if (result != 0) fail("Cannot write", finalPath_);
}

void AtomicOutput::commit() {
    closeStream();
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0)
        fail("Cannot create", finalPath_);
    committed_ = true;
    cleanup_.disarm();
}

}  // namespace tvx
