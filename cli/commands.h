#pragma once

#include <string>
#include <vector>

namespace quorvane::cli {

// Exit codes of the command line program.
enum ExitCode : int {
    ExitOk = 0,
    ExitJobFailed = 1,
    ExitUsage = 2,
};

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis;  // the arguments, after the name
    const char* summary;   // one line for the program's help
    const char* help;      // the command's own help
    int (*run)(const Arguments& arguments);
};

const std::vector<Command>& commands();

// Prints "quorvane-cli: <message>" to standard error and answers ExitUsage.
int usageError(const std::string& message);

}  // namespace quorvane::cli
