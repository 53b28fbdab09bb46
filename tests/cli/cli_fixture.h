#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "support/test_support.h"

namespace quorvane {

// Runs quorvane-cli as a process in a fresh temporary folder.
struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

class Cli : public ::testing::Test {
protected:
    CliRun cli(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        std::string command = shellPrefix + shellQuote(QUORVANE_CLI_PATH);
        for (const std::string& argument : arguments)
            command += " " + shellQuote(argument);
        test::writeFile(dir / "stdin", input);
        command += " <" + shellQuote((dir / "stdin").string()) + " >" + shellQuote((dir / "stdout").string()) +
                   " 2>" + shellQuote((dir / "stderr").string());
        const int status = std::system(command.c_str());
        CliRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = test::readFile(dir / "stdout");
        run.err = test::readFile(dir / "stderr");
        return run;
    }

    // A copy of the bundled sample album.
    std::filesystem::path sampleAlbum()
    {
        const std::filesystem::path album = dir / "album";
        std::filesystem::copy(test::sourceDir() / "samples" / "album", album,
                              std::filesystem::copy_options::recursive);
        return album;
    }

    static void writePicture(const std::filesystem::path& path)
    {
        std::filesystem::create_directories(path.parent_path());
        Image image;
        ASSERT_TRUE(image.allocate(40, 30, 3));
        image.fill(0x808080);
        ASSERT_TRUE(image.saveJpeg(path.string()));
    }

    test::TempDir dir;
    // Shell text run before the program, e.g. to lower its resource limits.
    std::string shellPrefix;
};

}  // namespace quorvane
