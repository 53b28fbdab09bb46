#include "cli/arguments.h"

#include <algorithm>
#include <cstdio>

#include "foundation/escaping.h"

namespace quorvane::cli {

int failure(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, terminalSafe(message).c_str());
    return ExitJobFailed;
}

std::optional<ParsedArguments> parseArguments(const Arguments& arguments,
                                              std::initializer_list<std::string_view> flags,
                                              std::initializer_list<std::string_view> valued,
                                              std::size_t minPositional, std::size_t maxPositional,
                                              const char* commandName)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.positional.push_back(argument);
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end() && !inlineValue) {
            parsed.options.emplace_back(name, "");
        } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    usageError(name + " needs a value");
                    return std::nullopt;
                }
                inlineValue = arguments[++i];
            }
            parsed.options.emplace_back(name, *inlineValue);
        } else {
            usageError(std::string("unknown option ") + argument + " for " + commandName);
            return std::nullopt;
        }
    }
    if (parsed.positional.size() < minPositional || parsed.positional.size() > maxPositional) {
        usageError(std::string("wrong number of arguments for ") + commandName + " (see " + kProgram +
                   " " + commandName + " --help)");
        return std::nullopt;
    }
    return parsed;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, terminalSafe(message).c_str());
    return ExitUsage;
}

}  // namespace quorvane::cli
