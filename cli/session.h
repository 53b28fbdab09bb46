#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/terminal_host.h"
#include "jobs/jobs.h"
#include "options/global_options.h"

namespace quorvane::cli {

// Why a damaged ProjectOptions.xml stops a command, and how to go on.
std::string damagedOptionsRefusal(const std::filesystem::path& path, const std::string& damage);

bool isDirectory(const std::string& path);

// The state every album command starts from: the scan job run on ROOT, as
// the desktop program's "Scan" does it.
struct Session {
    TerminalHost host;
    StatusLog log{&host};
    GlobalOptions globalOptions;
    Project project;

    // ExitOk when ROOT was scanned into an album.
    int scan(const std::string& root);
    // The generation commands need options read from the file.
    int requireOptions() const;
};

// Parses the arguments, scans ROOT (the first positional argument) as the
// desktop program's "Scan" does, then runs the command on the album.
template <class Body>
int onScannedAlbum(const Arguments& arguments, std::initializer_list<std::string_view> flags,
                   std::initializer_list<std::string_view> valued, std::size_t maxPositional,
                   const char* commandName, Body body)
{
    const auto parsed = parseArguments(arguments, flags, valued, 1, maxPositional, commandName);
    if (!parsed)
        return ExitUsage;
    Session session;
    if (const int status = session.scan(parsed->positional[0]); status != ExitOk)
        return status;
    return body(*parsed, session);
}

}  // namespace quorvane::cli
