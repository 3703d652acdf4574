#pragma once
// The commands of `tvx`: their names, argument lists, options and help text, and the
// functions that run them. A command returns the process exit status.
#include <cstddef>
#include <string>
#include <vector>

#include "tvx_arguments.h"

namespace tvx {

struct Command {
    std::string name;
    std::string arguments;  // the positional part of the usage line, e.g. "FILE OUT"
    std::size_t positionalCount = 0;
    std::string summary;      // one line for `tvx --help`
    std::string description;  // paragraphs for `tvx CMD --help`
    std::vector<OptionSpec> options;
    int (*run)(const ParsedArguments&) = nullptr;
    bool morePositional = false;  // positionalCount is the least number accepted
};

const std::vector<Command>& commands();

int runInfo(const ParsedArguments& arguments);
int runDecode(const ParsedArguments& arguments);
int runEncode(const ParsedArguments& arguments);

}  // namespace tvx
