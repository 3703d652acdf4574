#pragma once
// Queries and actions on files and directories by path, over the platform's own
// calls. Results are plain: true on success, or the runtime's own status.
#include <cstdint>
#include <optional>
#include <string>

namespace Corvane {

bool isDirectoryPath(const char* path);
// False when the directory could not be made.
bool createDirectory(const char* path);
// Fails when the target exists, unless overwrite is set.
bool copyFile(const char* from, const char* to, bool overwrite);
// The file's size; nothing when its status cannot be read.
std::optional<std::uint64_t> fileSizeOf(const char* path);
// The runtime's results: 0 on success.
int removeFile(const char* path);
int renameFile(const char* from, const char* to);
// Whether the runtime offers a temporary-name service; where it does not, callers
// number the names themselves.
bool hasRuntimeTemporaryNames();
// A name for a new file from that service, in the directory and with the prefix
// given; nothing when the service gives none.
std::optional<std::string> runtimeTemporaryName(const char* directory, const char* prefix);

}  // namespace Corvane
