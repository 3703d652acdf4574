#pragma once
// An output file that appears under its name only when it is complete. Everything is
// written to a temporary file in the same directory (so the final rename stays on one
// file system); commit() renames it, and destruction without commit() removes it,
// so a failed run never leaves a partial file behind; neither does SIGINT, SIGTERM
// or SIGHUP, whose handler removes the temporary file before the process ends.
#include <cstdio>
#include <string>

#include "tvx_signalCleanup.h"

namespace tvx {

class AtomicOutput {
  public:
    // Creates the temporary file; raises a library exception when it cannot.
    explicit AtomicOutput(std::string finalPath);
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput();

    const std::string& finalPath() const { return finalPath_; }
    const std::string& temporaryPath() const { return temporaryPath_; }

    // The temporary file as a stdio stream, open for writing.
    std::FILE* file() { return file_; }
    void writeAll(const std::string& bytes);
    // Closes our stream, for writers that reopen the temporary file by its name.
    void closeStream();

    // Flushes, closes and renames the temporary file to the final name.
    void commit();

  private:
    std::string finalPath_;
    std::string temporaryPath_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
    SignalCleanup cleanup_;
};

}  // namespace tvx
