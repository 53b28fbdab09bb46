#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace quorvane::cli {

inline constexpr char kProgram[] = "quorvane-cli";

// Prints "quorvane-cli: <message>" to standard error, control bytes shown
// safely, and answers ExitJobFailed.
int failure(const std::string& message);

// Splits the arguments into positional ones and recognised options; options
// that take a value consume the next argument.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    bool has(std::string_view name) const
    {
        for (const auto& option : options) {
            if (option.first == name)
                return true;
        }
        return false;
    }
    std::vector<std::string> values(std::string_view name) const
    {
        std::vector<std::string> found;
        for (const auto& option : options) {
            if (option.first == name)
                found.push_back(option.second);
        }
        return found;
    }
};

// Options in `flags` stand alone, those in `valued` take the next argument
// (or "=value"); "--" ends the options. Reports bad usage itself.
std::optional<ParsedArguments> parseArguments(const Arguments& arguments,
                                              std::initializer_list<std::string_view> flags,
                                              std::initializer_list<std::string_view> valued,
                                              std::size_t minPositional, std::size_t maxPositional,
                                              const char* commandName);

}  // namespace quorvane::cli
