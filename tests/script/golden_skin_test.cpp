// Golden skin cases: tests/script/data/<case>/ holds a script ("script.qvs"),
// an album description ("album.txt"), an optional skin folder ("skin/"), the
// expected outcome ("result.txt": "Ok" or "<error> <line>") and the files the
// run must leave in the output folder ("expected/"), byte for byte.
//
// album.txt, one entry a line:
//   dest                      generate into a destination folder
//   dir /A/B [comment]        a directory below the root (parents first)
//   picture /A/x.jpg [comment], movie /A/m.avi [comment]
//   int Name value, string Name text    variables defined before the run
//   current /A                the directory the script runs for
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "script_test_support.h"

namespace quorvane {
namespace {

using test::ScriptFixture;

std::filesystem::path casesDir()
{
    return test::sourceDir() / "tests/script/data";
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(casesDir()))
        if (entry.is_directory())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every regular file below the folder, by its path relative to it.
std::map<std::string, std::string> filesBelow(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(folder))
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(folder).string()] = test::readFile(entry.path());
    return files;
}

std::pair<std::string, std::string> splitWord(const std::string& text)
{
    const std::size_t space = text.find(' ');
    if (space == std::string::npos)
        return {text, ""};
    return {text.substr(0, space), text.substr(space + 1)};
}

// The directory of a relative path ("" or "/A/B"), creating nothing.
AlbumDirectory* directoryAt(AlbumDirectory& root, const std::string& relative)
{
    AlbumDirectory* directory = &root;
    for (AlbumDirectory* child = root.subdirectories.first(); child && directory->relativeDirectory != relative;) {
        if (relative == child->relativeDirectory || relative.starts_with(child->relativeDirectory + "/")) {
            directory = child;
            child = child->subdirectories.first();
        } else {
            child = List<AlbumDirectory>::next(*child);
        }
    }
    return directory;
}

void describeAlbum(ScriptFixture& fixture, const std::filesystem::path& description)
{
    std::ifstream in(description);
    std::string line;
    while (std::getline(in, line)) {
        const auto [kind, rest] = splitWord(line);
        const auto [path, comment] = splitWord(rest);
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (kind == "dest") {
            fixture.useDestination();
        } else if (kind == "dir") {
            fixture.addDirectory(*directoryAt(*fixture.root, parent), name, comment);
        } else if (kind == "picture" || kind == "movie") {
            fixture.addMedia(*directoryAt(*fixture.root, parent), name, kind == "picture" ? MediaPicture : MediaMovie,
                             comment);
        } else if (kind == "int") {
            fixture.defineInt(path, std::stoi(comment));
        } else if (kind == "string") {
            fixture.defineText(path, comment);
        } else if (kind == "current") {
            fixture.context.currentDirectory = directoryAt(*fixture.root, path);
        } else {
            ADD_FAILURE() << "unknown album entry: " << line;
        }
    }
}

// The output folders the generation driver makes before each directory's run.
void makeOutputFolders(const ScriptFixture& fixture, const AlbumDirectory& directory)
{
    std::filesystem::create_directories(fixture.options.outputFolder + directory.relativeDirectory);
    for (const AlbumDirectory& child : directory.subdirectories)
        makeOutputFolders(fixture, child);
}

class GoldenSkin : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenSkin, ProducesTheExpectedFilesAndOutcome)
{
    const std::filesystem::path data = casesDir() / GetParam();
    ScriptFixture fixture;
    describeAlbum(fixture, data / "album.txt");
    fixture.context.skinFolder = (data / "skin").string();
    const bool destination = fixture.options.useDestPath != 0;
    if (destination)
        makeOutputFolders(fixture, *fixture.root);

    const ScriptResult loaded = loadScript(data / "script.qvs", fixture.context);
    ASSERT_TRUE(loaded.ok()) << "parse error line " << loaded.line;
    const ScriptStatus status = runScript(fixture.context);
    fixture.context.closeOutputFile();
    std::ostringstream outcome;
    outcome << test::errorName(status);
    if (status < 0)
        outcome << ' ' << fixture.context.errorLine;
    std::string expectedOutcome = test::readFile(data / "result.txt");
    expectedOutcome.erase(expectedOutcome.find_last_not_of('\n') + 1);
    EXPECT_EQ(outcome.str(), expectedOutcome);

    const std::filesystem::path output = destination ? fixture.outPath("") : fixture.albumPath("");
    const std::map<std::string, std::string> expected = filesBelow(data / "expected");
    const std::map<std::string, std::string> produced = filesBelow(output);
    EXPECT_EQ(produced, expected);
    // Nothing lands anywhere else: not in the source tree when a destination
    // is used, not beside the album.
    EXPECT_EQ(filesBelow(fixture.temp.path()).size(), expected.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenSkin, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace quorvane
