#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/script_variable.h"
#include "imaging/image.h"

namespace quorvane::test {

// A fresh directory below the system's temporary folder, removed with its
// contents when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs the test body with another current directory, restored afterwards.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path) : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~CurrentDirectory() { std::filesystem::current_path(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::filesystem::path saved_;
};

// Sets an environment variable (unsets it for nullptr) for the test body and
// restores its former value afterwards.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value);
    ~EnvironmentVariable();
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// The shared camera corpus beside the project, or an empty path when this
// checkout has none (tests then skip).
std::filesystem::path corpusDir();

// The project's source tree (for bundled skins and sample files).
std::filesystem::path sourceDir();

// A width × height picture of independent random samples.
Image randomImage(std::uint32_t width, std::uint32_t height, std::uint32_t components, std::mt19937& random);

// A JPEG picture of one colour (0xRRGGBB) at path, its folders made first;
// false when it could not be written.
bool writePicture(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                  std::uint32_t colour = 0x336699);

// "Name=value" for each variable, in list order.
std::vector<std::string> variableTexts(const VariableList& variables);

}  // namespace quorvane::test

// Skips the current test when the shared corpus is not present.
#define QUORVANE_REQUIRE_CORPUS()                                            \
    do {                                                                     \
        if (::quorvane::test::corpusDir().empty())                           \
            GTEST_SKIP() << "../shared/corpus is not present";               \
    } while (0)
