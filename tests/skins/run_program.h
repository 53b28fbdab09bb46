#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quorvane::test {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program found on PATH with the given arguments, without a shell,
// with no input and its two outputs caught in files below `scratch`.
inline ProgramRun runProgram(const std::vector<std::string>& command, const std::filesystem::path& scratch)
{
    const std::filesystem::path outPath = scratch / "program.out";
    const std::filesystem::path errPath = scratch / "program.err";
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(126);
        std::vector<char*> argv;
        for (const std::string& argument : command)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

// The album checker of tools/, run on SITE against the album's sources.
inline ProgramRun checkAlbum(const std::filesystem::path& site, const std::filesystem::path& album,
                             const std::filesystem::path& scratch, const std::vector<std::string>& extra = {})
{
    std::vector<std::string> command{"python3", (sourceDir() / "tools" / "check_album.py").string(), site.string(),
                                     "--album", album.string()};
    command.insert(command.end(), extra.begin(), extra.end());
    return runProgram(command, scratch);
}

}  // namespace quorvane::test
