#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "script_test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using test::Failure;
using test::readFile;
using test::runFailure;
using test::ScriptFixture;
using test::writeFile;

TEST(ScriptWrites, AFullDiskIsAScriptErrorNamingTheFile)
{
    ScriptFixture fixture;
    fixture.context.outputFile.reset(std::fopen("/dev/full", "wb"));
    ASSERT_TRUE(fixture.context.outputFile);
    fixture.context.outputPath = "/dev/full";
    // The short text sits in the buffer: the failure shows when it is closed.
    EXPECT_EQ(runFailure(fixture, "WRITE_FILE \"page\"\nCLOSE_FILE"), (Failure{"CannotWriteFile", 2}));
    EXPECT_EQ(fixture.context.errorMessage(), "Can't write file </dev/full> at line 2: No space left on device");

    ScriptFixture large;
    large.context.outputFile.reset(std::fopen("/dev/full", "wb"));
    large.context.outputPath = "/dev/full";
    large.defineText("Big", std::string(100000, 'x'));
    EXPECT_EQ(runFailure(large, "\nWRITE_FILE \"{Big}\""), (Failure{"CannotWriteFile", 2}));
}

TEST(ScriptWrites, PlantedLinksAreReplacedNotWrittenThrough)
{
    ScriptFixture fixture;
    writeFile(fixture.temp / "victim.txt", "precious");
    writeFile(fixture.temp / "skin" / "style.css", "body{}");
    fs::create_symlink(fixture.temp / "victim.txt", fixture.albumPath("a.jpg.html"));
    fs::create_symlink(fixture.temp / "victim.txt", fixture.albumPath("style.css"));
    EXPECT_EQ(runFailure(fixture, "CREATE_FILE \"a.jpg.html\"\nWRITE_FILE \"page\"\nCLOSE_FILE\n"
                                  "COPY_FROM_SKIN \"style.css\" \"style.css\""),
              (Failure{"Ok", -1}));
    EXPECT_EQ(readFile(fixture.temp / "victim.txt"), "precious");
    EXPECT_FALSE(fs::is_symlink(fixture.albumPath("a.jpg.html")));
    EXPECT_EQ(readFile(fixture.albumPath("a.jpg.html")), "page");
    EXPECT_EQ(readFile(fixture.albumPath("style.css")), "body{}");
}

TEST(ScriptWrites, AFolderLinkedFromOutsideNeedsTheUsersPermission)
{
    ScriptFixture fixture;
    test::TempDir outside;
    fs::create_directory_symlink(outside.path(), fixture.albumPath("Linked"));
    auto linked = std::make_unique<AlbumDirectory>("Linked");
    linked->fullPath = fixture.albumPath("Linked").string();
    linked->relativeDirectory = "/Linked";
    fixture.context.currentDirectory = fixture.root->appendSubdirectory(std::move(linked));

    EXPECT_EQ(runFailure(fixture, "CREATE_FILE \"index.html\""), (Failure{"CannotCreateFile", 1}));
    EXPECT_FALSE(fs::exists(outside / "index.html"));
    EXPECT_EQ(fixture.context.errorMessage(),
              "Can't open file <" + fixture.albumPath("Linked/index.html").string() + "> at line 1: Not writing into " +
                  fixture.albumPath("Linked").string() + ": it leads to " + fs::canonical(outside.path()).string() +
                  ", outside the album (name that folder in QUORVANE_LINKED_OUTPUT to allow it)");

    ::setenv("QUORVANE_LINKED_OUTPUT", ("/nonexistent:" + outside.path().string()).c_str(), 1);
    ScriptFixture allowed;
    allowed.context.currentDirectory = fixture.context.currentDirectory;
    allowed.context.albumRoot = fixture.context.albumRoot;
    const Failure result = runFailure(allowed, "CREATE_FILE \"index.html\"\nCLOSE_FILE");
    ::unsetenv("QUORVANE_LINKED_OUTPUT");
    EXPECT_EQ(result, (Failure{"Ok", -1}));
    EXPECT_TRUE(fs::exists(outside / "index.html"));
}

TEST(ScriptBounds, NestedLoopsStopAtTheIterationBound)
{
    ScriptFixture fixture;
    fixture.addMedia(*fixture.root, "a.jpg", MediaPicture);
    fixture.addMedia(*fixture.root, "b.jpg", MediaPicture);
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += "FOR_EACH_IMAGE\n";
    for (int i = 0; i < 40; ++i)
        script += "END_FOR\n";
    fixture.context.maxLoopIterations = 1000;
    // 2^40 iterations without the bound; the innermost END_FOR reaches it.
    EXPECT_EQ(runFailure(fixture, script), (Failure{"TooManyIterations", 41}));
    EXPECT_EQ(fixture.context.errorMessage(), "More than 1000 loop iterations at line 41");

    // Each run starts counting afresh.
    ScriptFixture single;
    single.addMedia(*single.root, "a.jpg", MediaPicture);
    single.addMedia(*single.root, "b.jpg", MediaPicture);
    single.context.maxLoopIterations = 1;
    EXPECT_EQ(runFailure(single, "FOR_EACH_IMAGE\nEND_FOR"), (Failure{"Ok", -1}));
    EXPECT_EQ(runScript(single.context), kScriptContinue);
}

TEST(ScriptBounds, OutputStopsAtTheByteBound)
{
    ScriptFixture fixture;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        fixture.addMedia(*fixture.root, name, MediaPicture);
    writeFile(fixture.temp / "skin" / "s.css", "12345");
    fixture.context.maxOutputBytes = 13;
    EXPECT_EQ(runFailure(fixture, "COPY_FROM_SKIN \"s.css\" \"s.css\"\nCREATE_FILE \"i.html\"\nFOR_EACH_IMAGE\n"
                                  "WRITE_FILE \"{ImageName}\"\nEND_FOR\nCLOSE_FILE"),
              (Failure{"OutputTooLarge", 4}));
    EXPECT_EQ(fixture.context.errorMessage(), "More than 13 bytes written by one script run at line 4");
    fixture.context.closeOutputFile();
    EXPECT_EQ(readFile(fixture.albumPath("i.html")), "a.jpg");
}

}  // namespace
}  // namespace quorvane
