#pragma once
// Command-line parsing for the tvx commands: options of the form --name VALUE or
// --name=VALUE, flags, and positional arguments. Mistakes raise UsageError, which
// main() turns into the usage line and exit status 2.
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/cv_region.h"

namespace tvx {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string name;       // without the leading "--"
    std::string valueName;  // empty for a flag
    std::string help;
};

class ParsedArguments {
  public:
    std::vector<std::string> positional;

    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
    void set(const std::string& name, const std::string& value) { values_[name] = value; }

    // Typed values; a malformed value is a usage error naming the option.
    std::optional<std::int64_t> integer(const std::string& name, std::int64_t minimum,
                                        std::int64_t maximum) const;
    std::optional<double> number(const std::string& name, double minimum, double maximum) const;

  private:
    std::map<std::string, std::string> values_;
};

ParsedArguments parseArguments(const std::vector<std::string>& arguments,
                               const std::vector<OptionSpec>& options);

// "X,Y,W,H" of non-negative integers, width and height at least 1, as the region
// of W x H pixels whose upper-left pixel is (X, Y).
Corvane::Region parseWindow(const std::string& text);

// The option list as help text, one option per line.
std::string describeOptions(const std::vector<OptionSpec>& options);

}  // namespace tvx
