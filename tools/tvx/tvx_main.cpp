// tvx: inspect, decode and encode Tovex images from the command line.
// Exit status 0 on success, 1 when the work fails, 2 on a usage error.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "support/cv_exception.h"
#include "tvx_commands.h"

namespace {

const char* const kUsage = "usage: tvx <command> [options] ARGS...  (tvx --help for the commands)";

std::string commandUsage(const tvx::Command& command) {
    return "usage: tvx " + command.name + " [options] " + command.arguments;
}

void printOverview() {
    std::cout << "tvx: inspect, decode and encode Tovex images\n\n" << kUsage << "\n\ncommands:\n";
    for (const tvx::Command& command : tvx::commands()) {
        std::string name = "  " + command.name;
        name.resize(10, ' ');
        std::cout << name << command.summary << "\n";
    }
    std::cout << "\n`tvx COMMAND --help` describes a command and its options.\n"
              << "Exit status: 0 success, 1 failure, 2 usage error; a decode or encode\n"
              << "ended by SIGINT, SIGTERM or SIGHUP removes its temporary file first.\n";
}

void printCommandHelp(const tvx::Command& command) {
    std::cout << commandUsage(command) << "\n\n"
              << command.description << "\noptions:\n"
              << tvx::describeOptions(command.options) << "  --help              this text\n";
}

int usageError(const std::string& message, const std::string& usage) {
    std::cerr << "tvx: " << message << "\n" << usage << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return usageError("no command given", kUsage);
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        printOverview();
        return 0;
    }
    const tvx::Command* command = nullptr;
    for (const tvx::Command& candidate : tvx::commands())
        if (candidate.name == arguments[0]) command = &candidate;
    if (command == nullptr) return usageError("unknown command '" + arguments[0] + "'", kUsage);

    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    for (const std::string& argument : rest) {
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") {
            printCommandHelp(*command);
            return 0;
        }
    }
    try {
        const tvx::ParsedArguments parsed = tvx::parseArguments(rest, command->options);
        const std::size_t given = parsed.positional.size();
        if (given < command->positionalCount ||
            (given > command->positionalCount && !command->morePositional))
            throw tvx::UsageError(command->name + " takes " + command->arguments);
        return command->run(parsed);
    } catch (const tvx::UsageError& e) {
        return usageError(e.what(), commandUsage(*command));
    } catch (const Corvane::Exception& e) {
        std::cerr << "tvx: " << Corvane::describe(e) << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "tvx: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "tvx: " << e.what() << "\n";
    }
    return 1;
}
