#include "support/test_support.h"

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorvane::test {

EnvironmentVariable::EnvironmentVariable(const char* name, const char* value) : name_(name)
{
    if (const char* saved = std::getenv(name))
        saved_ = saved;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

EnvironmentVariable::~EnvironmentVariable()
{
    if (saved_)
        ::setenv(name_.c_str(), saved_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path sourceDir()
{
    return QUORVANE_SOURCE_DIR;
}

std::filesystem::path corpusDir()
{
    // A worktree checked out away from the project folder names it instead.
    const char* named = std::getenv("QUORVANE_CORPUS_DIR");
    const std::filesystem::path corpus =
        named && *named ? std::filesystem::path(named) : sourceDir() / ".." / "shared" / "corpus";
    std::error_code error;
    if (std::filesystem::is_directory(corpus / "jpeg", error))
        return std::filesystem::weakly_canonical(corpus, error);
    return {};
}

std::vector<std::string> variableTexts(const VariableList& variables)
{
    std::vector<std::string> texts;
    for (const ScriptVariable& variable : variables)
        texts.push_back(variable.name() + "=" + variable.valueText());
    return texts;
}

Image randomImage(std::uint32_t width, std::uint32_t height, std::uint32_t components, std::mt19937& random)
{
    Image image;
    image.allocate(width, height, components);
    for (std::size_t i = 0; i < image.byteSize(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(random());
    return image;
}

bool writePicture(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                  std::uint32_t colour)
{
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    Image image;
    if (!image.allocate(width, height, 3))
        return false;
    image.fill(colour);
    return image.saveJpeg(path.string());
}

}  // namespace quorvane::test
