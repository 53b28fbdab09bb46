// quorvane-cli: the album jobs of the desktop program, without a window.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"

namespace {

using quorvane::cli::commands;

void printProgramHelp(std::FILE* out)
{
    std::fputs("Usage: quorvane-cli [-C DIR] COMMAND [ARGUMENTS]\n"
               "\n"
               "Makes a static HTML album of a folder tree of photos and movies, exactly as the\n"
               "desktop program does. Status messages go to standard error as the program's\n"
               "state line shows them; listings go to standard output.\n"
               "\n"
               "Options:\n"
               "  -C DIR       run as if started in DIR (where QuorvaneCfg.xml and Skins are looked up)\n"
               "  -h, --help   show this help; COMMAND --help shows the help of one command\n"
               "  --version    show the program's version\n"
               "\n"
               "Commands:\n",
               out);
    for (const auto& command : commands())
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fputs("\nExit status: 0 success, 1 the job reported a failure, 2 bad usage or unreadable input.\n",
               out);
}

}  // namespace

int main(int argc, char** argv)
{
    int at = 1;
    while (at < argc) {
        const std::string argument = argv[at];
        if (argument == "-h" || argument == "--help") {
            printProgramHelp(stdout);
            return quorvane::cli::ExitOk;
        }
        if (argument == "--version") {
            std::printf("quorvane-cli %s\n", QUORVANE_VERSION);
            return quorvane::cli::ExitOk;
        }
        if (argument == "-C") {
            if (at + 1 >= argc)
                return quorvane::cli::usageError("-C needs a directory");
            if (::chdir(argv[at + 1]) != 0)
                return quorvane::cli::usageError(std::string("cannot change to ") + argv[at + 1] + ": " +
                                                 std::strerror(errno));
            at += 2;
            continue;
        }
        break;
    }
    if (at >= argc) {
        printProgramHelp(stderr);
        return quorvane::cli::ExitUsage;
    }

    const std::string name = argv[at];
    for (const auto& command : commands()) {
        if (name != command.name)
            continue;
        quorvane::cli::Arguments arguments(argv + at + 1, argv + argc);
        for (const std::string& argument : arguments) {
            if (argument == "--help" || argument == "-h") {
                std::printf("Usage: quorvane-cli %s %s\n\n%s", command.name, command.synopsis,
                            command.help);
                return quorvane::cli::ExitOk;
            }
        }
        return command.run(arguments);
    }
    return quorvane::cli::usageError("unknown command '" + name + "' (see quorvane-cli --help)");
}
