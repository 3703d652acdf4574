#include "tvx_arguments.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace tvx {

namespace {

std::int64_t toInteger(const std::string& text, const std::string& what) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw UsageError(what + " expects an integer, not '" + text + "'");
    return value;
}

}  // namespace

std::optional<std::string> ParsedArguments::value(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::optional<std::int64_t> ParsedArguments::integer(const std::string& name, std::int64_t minimum,
                                                     std::int64_t maximum) const {
    const auto text = value(name);
    if (!text) return std::nullopt;
    const std::int64_t result = toInteger(*text, "--" + name);
    if (result < minimum || result > maximum)
        throw UsageError("--" + name + " must lie between " + std::to_string(minimum) + " and " +
                         std::to_string(maximum));
    return result;
}

std::optional<double> ParsedArguments::number(const std::string& name, double minimum,
                                              double maximum) const {
    const auto text = value(name);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const double result = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !std::isfinite(result))
        throw UsageError("--" + name + " expects a number, not '" + *text + "'");
    if (result < minimum || result > maximum) {
        std::ostringstream range;
        range << "--" << name << " must lie between " << minimum << " and " << maximum;
        throw UsageError(range.str());
    }
    return result;
}

ParsedArguments parseArguments(const std::vector<std::string>& arguments,
                               const std::vector<OptionSpec>& options) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (!optionsEnded && argument.size() > 1 && argument[0] == '-' && argument != "-")
                throw UsageError("unknown option " + argument);
            parsed.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? equals : equals - 2);
        const OptionSpec* known = nullptr;
        for (const OptionSpec& option : options)
            if (option.name == name) known = &option;
        if (known == nullptr) throw UsageError("unknown option --" + name);
        if (known->valueName.empty()) {
            if (equals != std::string::npos) throw UsageError("--" + name + " takes no value");
            parsed.set(name, "");
        } else if (equals != std::string::npos) {
            parsed.set(name, argument.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            parsed.set(name, arguments[++i]);
        } else {
            throw UsageError("--" + name + " needs a value " + known->valueName);
        }
    }
    return parsed;
}

Corvane::Region parseWindow(const std::string& text) {
    std::int64_t parts[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == 3))
            throw UsageError("--window expects X,Y,W,H, not '" + text + "'");
        parts[i] = toInteger(text.substr(start, comma - start), "--window");
        start = comma + 1;
    }
    constexpr std::int64_t kLimit = 0x7FFFFFFF;
    const auto within = [](std::int64_t value, std::int64_t least) {
        return value >= least && value <= kLimit;
    };
    if (!within(parts[0], 0) || !within(parts[1], 0) || !within(parts[2], 1) ||
        !within(parts[3], 1))
        throw UsageError("--window needs X,Y >= 0 and W,H >= 1");
    return Corvane::Region::fromOrigin(parts[0], parts[1], parts[2], parts[3]);
}

std::string describeOptions(const std::vector<OptionSpec>& options) {
    std::string text;
    for (const OptionSpec& option : options) {
        std::string left = "  --" + option.name;
        if (!option.valueName.empty()) left += " " + option.valueName;
        if (left.size() < 22)
            left.resize(22, ' ');
        else
            left += "  ";
        text += left + option.help + "\n";
    }
    return text;
}

}  // namespace tvx
