#pragma once
// libtiff prints its errors and warnings to standard error by default. The tool
// keeps the last error text instead, so that a failure becomes one line of its own.
#include <string>

namespace tvx {

// Installs the handlers (once; later calls do nothing).
void captureTiffMessages();
// The last error libtiff reported, or "unknown error"; clears it.
std::string takeTiffError();

}  // namespace tvx
