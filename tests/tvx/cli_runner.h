#pragma once
// Runs the built `tvx` binary with arguments, capturing its exit status and output.
#include <string>
#include <vector>

namespace tvx_test {

struct RunResult {
    int status = -1;  // the exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

RunResult runTvx(const std::vector<std::string>& arguments);

}  // namespace tvx_test
