#include <gtest/gtest.h>

#include <string>

#include "imaging/image.h"
#include "script/file_commands.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using test::readFile;
using test::Failure;
using test::runFailure;
using test::ScriptFixture;

std::string bytesOf(ChunkBuffer& buffer)
{
    const char* bytes = buffer.data();
    return bytes ? std::string(bytes, static_cast<std::size_t>(buffer.length())) : std::string();
}

TEST(QuotedStrings, DecodeBackslashEscapesOnly)
{
    ChunkBuffer arguments;
    arguments.setText(R"("a\"b\\c\n\t\x" rest)");
    ChunkBuffer out;
    EXPECT_EQ(parseQuotedString(arguments, out, false), 0);
    EXPECT_EQ(bytesOf(out), "a\"b\\c\ntx");
    EXPECT_EQ(arguments.text(), R"("a\"b\\c\n\t\x" rest)");

    ChunkBuffer consumed;
    EXPECT_EQ(parseQuotedString(arguments, consumed, true), 0);
    EXPECT_EQ(bytesOf(arguments), "rest\0"s);

    // The one character after the closing quote goes, whatever it is.
    ChunkBuffer pair;
    pair.setText(R"("one"X"two")");
    ChunkBuffer first;
    ChunkBuffer second;
    EXPECT_EQ(parseQuotedString(pair, first, true), 0);
    EXPECT_EQ(parseQuotedString(pair, second, true), 0);
    EXPECT_EQ(bytesOf(first) + "|" + bytesOf(second), "one|two");
    EXPECT_EQ(pair.length(), 0);

    for (const char* bad : {"", "x\"a\"", " \"a\"", "\"unterminated", "\"ends in backslash\\", "\"escaped\\\""}) {
        ChunkBuffer text;
        text.setText(bad);
        ChunkBuffer ignored;
        EXPECT_EQ(parseQuotedString(text, ignored, true), ScriptError::QuotedStringExpected) << bad;
    }
}

TEST(FileCommands, WriteFileWritesExactlyTheDecodedAndExpandedBytes)
{
    ScriptFixture fixture;
    fixture.defineText("Title", "100% sun");
    EXPECT_EQ(fixture.run("CREATE_FILE \"index.html\"\n"
                          R"(WRITE_FILE "a\"b\\c\n")"
                          "\n"
                          R"(WRITE_FILE "{Title}|{{x}}\r" ignored after the quote)"
                          "\n"
                          "WRITE_FILE \"\"\n"
                          "CLOSE_FILE\n"),
              0);
    EXPECT_EQ(readFile(fixture.albumPath("index.html")), "a\"b\\c\n100% sun|{x}r");
}

TEST(FileCommands, OutputFileMisuseFailsAtTheLine)
{
    ScriptFixture twice;
    EXPECT_EQ(runFailure(twice, "CREATE_FILE \"a.html\"\nWRITE_FILE \"kept\"\nCREATE_FILE \"b.html\""),
              (Failure{"FileAlreadyOpen", 3}));
    twice.context.closeOutputFile();
    EXPECT_EQ(readFile(twice.albumPath("a.html")), "kept");
    EXPECT_FALSE(std::filesystem::exists(twice.albumPath("b.html")));

    ScriptFixture noFile;
    EXPECT_EQ(runFailure(noFile, "\nWRITE_FILE \"x\""), (Failure{"NoOpenFile", 2}));
    ScriptFixture templateFirst;
    EXPECT_EQ(runFailure(templateFirst, "WRITE_FILE \"{}\""), (Failure{"EmptyName", 1}));
    ScriptFixture closeTwice;
    EXPECT_EQ(runFailure(closeTwice, "CREATE_FILE \"a\"\nCLOSE_FILE\nCLOSE_FILE"), (Failure{"NoOpenFile", 3}));
    // Without the NUL that ends a name, a brace at the end of a text is an error.
    ScriptFixture openBrace;
    EXPECT_EQ(runFailure(openBrace, "CREATE_FILE \"a{\"\nWRITE_FILE \"b{\""), (Failure{"Syntax", 2}));
    openBrace.context.closeOutputFile();
    EXPECT_EQ(readFile(openBrace.albumPath("a")), "");
}

TEST(FileCommands, CreateFileFailureLeavesAMessage)
{
    ScriptFixture fixture;
    EXPECT_EQ(runFailure(fixture, "\n\nCREATE_FILE \"missing\\\\index.html\""), (Failure{"CannotCreateFile", 3}));
    const std::string expected =
        "Can't open file <" + fixture.albumPath("missing/index.html").string() + "> at line 3" + '\0' +
        "No such file or directory" + '\0';
    EXPECT_EQ(bytesOf(fixture.context.errorText), expected);
}

TEST(FileCommands, TheDestinationRuleFollowsTheCurrentDirectory)
{
    ScriptFixture source;
    AlbumDirectory* trip = source.addDirectory(*source.root, "Trip");
    source.context.currentDirectory = trip;
    EXPECT_EQ(source.run("CREATE_DIR \"pages\"\nCREATE_FILE \"pages\\\\index.html\"\nWRITE_FILE \"s\"\nCLOSE_FILE\n"
                         "CREATE_FILE \"../top.html\"\nCLOSE_FILE"),
              0);
    EXPECT_EQ(readFile(source.albumPath("Trip/pages/index.html")), "s");
    EXPECT_TRUE(std::filesystem::exists(source.albumPath("top.html")));
    EXPECT_FALSE(std::filesystem::exists(source.outPath("")));

    ScriptFixture destination;
    destination.useDestination();
    AlbumDirectory* trip2 = destination.addDirectory(*destination.root, "Trip");
    std::filesystem::create_directories(destination.outPath("Trip"));
    destination.context.currentDirectory = trip2;
    EXPECT_EQ(destination.run("CREATE_FILE \"index.html\"\nWRITE_FILE \"d\"\nCLOSE_FILE"), 0);
    EXPECT_EQ(readFile(destination.outPath("Trip/index.html")), "d");
    EXPECT_FALSE(std::filesystem::exists(destination.albumPath("Trip/index.html")));

    EXPECT_EQ(destinationPath(destination.context, "a/b.html"), destination.outPath("Trip") / "a/b.html");
    destination.context.currentDirectory = destination.root.get();
    EXPECT_EQ(destinationPath(destination.context, "index.html"), destination.outPath("") / "index.html");
}

TEST(FileCommands, ABackslashFromAValueIsPartOfTheName)
{
    // A picture "..\a.jpg" in Trip must not overwrite the root's a.jpg.html,
    // and "x\y.jpg" needs no folder x.
    ScriptFixture fixture;
    test::writeFile(fixture.albumPath("a.jpg.html"), "root page");
    test::writeFile(fixture.temp / "skin/style.css", "x");
    fixture.context.currentDirectory = fixture.addDirectory(*fixture.root, "Trip");
    fixture.defineText("Climbing", "..\\a.jpg");
    fixture.defineText("Nested", "x\\y.jpg");
    EXPECT_EQ(fixture.run("CREATE_FILE \"{Climbing}.html\"\nWRITE_FILE \"1\"\nCLOSE_FILE\n"
                          "CREATE_FILE \"{Nested}.html\"\nWRITE_FILE \"2\"\nCLOSE_FILE\n"
                          "CREATE_DIR \"pages\"\nCOPY_FROM_SKIN \"style.css\" \"pages\\\\{Nested}.css\""),
              0)
        << bytesOf(fixture.context.errorText);
    EXPECT_EQ(readFile(fixture.albumPath("a.jpg.html")), "root page");
    EXPECT_EQ(readFile(fixture.albumPath("Trip/..\\a.jpg.html")), "1");
    EXPECT_EQ(readFile(fixture.albumPath("Trip/x\\y.jpg.html")), "2");
    EXPECT_TRUE(std::filesystem::exists(fixture.albumPath("Trip/pages/x\\y.jpg.css")));
}

TEST(FileCommands, ANameThisFileSystemCannotHoldSkipsOnlyThatFile)
{
    ScriptFixture fixture;
    fixture.defineText("Long", std::string(251, 'n') + ".jpg");
    EXPECT_EQ(fixture.run("CREATE_FILE \"{Long}.html\"\nWRITE_FILE \"lost\"\nCLOSE_FILE\n"
                          "CREATE_FILE \"index.html\"\nWRITE_FILE \"kept\"\nCLOSE_FILE"),
              0);
    EXPECT_EQ(readFile(fixture.albumPath("index.html")), "kept");
    ASSERT_EQ(fixture.context.uncreatableFiles.size(), 1u);
    EXPECT_EQ(fixture.context.uncreatableFiles[0],
              "Can't create file: File name too long: <" +
                  fixture.albumPath(std::string(251, 'n') + ".jpg.html").string() + ">");
    // A second CREATE_FILE before the CLOSE_FILE is still a misuse.
    ScriptFixture twice;
    twice.defineText("Long", std::string(300, 'n'));
    EXPECT_EQ(runFailure(twice, "CREATE_FILE \"{Long}\"\nCREATE_FILE \"b.html\""), (Failure{"FileAlreadyOpen", 2}));
}

TEST(FileCommands, CreateDirMakesOneLevelAndIgnoresFailure)
{
    ScriptFixture fixture;
    EXPECT_EQ(fixture.run("CREATE_DIR \"css\"\nCREATE_DIR \"css\"\nCREATE_DIR \"a\\\\b\\\\c\"\nCREATE_DIR \"{{x}}\""), 0);
    EXPECT_TRUE(std::filesystem::is_directory(fixture.albumPath("css")));
    EXPECT_FALSE(std::filesystem::exists(fixture.albumPath("a")));
    EXPECT_TRUE(std::filesystem::is_directory(fixture.albumPath("{x}")));
}

TEST(FileCommands, CopyFromSkinCopiesBytesEveryTime)
{
    ScriptFixture fixture;
    fixture.useDestination();
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += static_cast<char>(i * 7 % 256);
    test::writeFile(fixture.temp / "skin/images/bg.png", big);
    test::writeFile(fixture.temp / "skin/style.css", "body{}\r\n");
    test::writeFile(fixture.outPath("style.css"), "an older, longer copy");
    fixture.defineText("Style", "style");
    EXPECT_EQ(fixture.run("CREATE_DIR \"img\"\n"
                          "COPY_FROM_SKIN \"images\\\\bg.png\" \"img\\\\bg.png\"\n"
                          "COPY_FROM_SKIN \"{Style}.css\"\t\"{Style}.css\""),
              0);
    EXPECT_TRUE(readFile(fixture.outPath("img/bg.png")) == big);
    EXPECT_EQ(readFile(fixture.outPath("style.css")), "body{}\r\n");

    ScriptFixture twoSpaces;
    const ScriptResult spaced = twoSpaces.load("\nCOPY_FROM_SKIN \"style.css\"  \"style.css\"");
    EXPECT_EQ(spaced.status, ScriptError::Syntax);
    EXPECT_EQ(spaced.line, 2);

    ScriptFixture missing;
    EXPECT_EQ(runFailure(missing, "COPY_FROM_SKIN \"none.css\" \"none.css\""), (Failure{"CannotRead", 1}));
    EXPECT_FALSE(std::filesystem::exists(missing.albumPath("none.css")));
    EXPECT_EQ(runFailure(missing, "COPY_FROM_SKIN \"\" \"dir.css\""), (Failure{"CannotRead", 1}));

    ScriptFixture noFolder;
    test::writeFile(noFolder.temp / "skin/style.css", "x");
    EXPECT_EQ(runFailure(noFolder, "COPY_FROM_SKIN \"style.css\" \"nowhere\\\\style.css\""),
              (Failure{"CannotCreateCopy", 1}));
}

// A run learns each generated picture's size once, yet a file the skin
// writes meanwhile, or anything changed before the next run, is seen anew.
// A name spelt with an escape is still the name.
TEST(FileCommands, GeneratedSizesFollowFilesWrittenDuringAndBetweenRuns)
{
    ScriptFixture fixture;
    fixture.useDestination();
    fixture.options.highDensity = 1;
    fixture.addMedia(*fixture.root, "a.jpg", MediaPicture);
    const auto saveJpeg = [](const std::filesystem::path& path, std::uint32_t width, std::uint32_t height) {
        Image image;
        ASSERT_TRUE(image.allocate(width, height, 1));
        image.fill(128);
        ASSERT_TRUE(image.saveJpeg(path.string()));
    };
    saveJpeg(fixture.outPath("thm_a.jpg"), 4, 3);
    saveJpeg(fixture.temp / "skin/wide.jpg", 8, 2);
    const std::string report = "FOR_EACH_IMAGE\nWRITE_FILE \"{ImageThumbWidth}x{ImageThumbHeight}"
                               " [{ImageThumb2xName}] {ImageInter\\Width};\"\nEND_FOR\n";
    ASSERT_EQ(fixture.run("CREATE_FILE \"sizes.txt\"\n" + report +
                          "COPY_FROM_SKIN \"wide.jpg\" \"thm_a.jpg\"\n"
                          "COPY_FROM_SKIN \"wide.jpg\" \"thm_a@2x.jpg\"\n" + report + "CLOSE_FILE\n"),
              0);
    EXPECT_EQ(readFile(fixture.outPath("sizes.txt")), "4x3 [] ;8x2 [thm_a@2x.jpg] ;");

    saveJpeg(fixture.outPath("thm_a.jpg"), 5, 7);
    std::filesystem::remove(fixture.outPath("thm_a@2x.jpg"));
    saveJpeg(fixture.outPath("inter_a.jpg"), 9, 6);
    fixture.context.commands.clear();
    ASSERT_EQ(fixture.run("CREATE_FILE \"sizes.txt\"\n" + report + "CLOSE_FILE\n"), 0);
    EXPECT_EQ(readFile(fixture.outPath("sizes.txt")), "5x7 [] 9;");
}

TEST(FileCommandSafety, NamesMayNotLeaveTheAlbumOrTheSkin)
{
    struct Case {
        const char* script;
        const char* code;
    };
    for (const Case& c : {Case{"CREATE_FILE \"../../x\"", "CannotCreateFile"},
                          Case{"CREATE_FILE \"/tmp/quorvane-escape\"", "CannotCreateFile"},
                          Case{"CREATE_FILE \"..\\\\x\"", "CannotCreateFile"},
                          Case{"CREATE_FILE \"\\\\x\"", "CannotCreateFile"},
                          Case{"CREATE_FILE \"a/../../x\"", "CannotCreateFile"},
                          Case{"CREATE_DIR \"../x\"", "CannotCreateCopy"},
                          Case{"CREATE_DIR \"/tmp/quorvane-escape\"", "CannotCreateCopy"},
                          Case{"COPY_FROM_SKIN \"style.css\" \"../x\"", "CannotCreateCopy"},
                          Case{"COPY_FROM_SKIN \"style.css\" \"/tmp/quorvane-escape\"", "CannotCreateCopy"},
                          Case{"COPY_FROM_SKIN \"../album.txt\" \"x\"", "CannotRead"},
                          Case{"COPY_FROM_SKIN \"/etc/hostname\" \"x\"", "CannotRead"},
                          Case{"COPY_FROM_SKIN \"link.css\" \"x\"", "CannotRead"}}) {
        for (bool destination : {false, true}) {
            ScriptFixture fixture;
            if (destination)
                fixture.useDestination();
            test::writeFile(fixture.temp / "skin/style.css", "x");
            test::writeFile(fixture.temp / "album.txt", "secret");
            std::filesystem::create_symlink(fixture.temp / "album.txt", fixture.temp / "skin/link.css");
            EXPECT_EQ(runFailure(fixture, std::string("\n") + c.script), (Failure{c.code, 2})) << c.script;
            EXPECT_FALSE(std::filesystem::exists(fixture.temp / "x")) << c.script;
            EXPECT_FALSE(std::filesystem::exists(fixture.temp / "album/x")) << c.script;
            EXPECT_FALSE(std::filesystem::exists(fixture.temp / "out/x")) << c.script;
            EXPECT_FALSE(std::filesystem::exists("/tmp/quorvane-escape")) << c.script;
        }
    }

    ScriptFixture refused;
    EXPECT_EQ(runFailure(refused, "CREATE_FILE \"../../x\""), (Failure{"CannotCreateFile", 1}));
    EXPECT_EQ(bytesOf(refused.context.errorText), "Can't open file <../../x> at line 1\0"s);

    // Climbing back down inside the tree is fine, and so is a link that stays in the skin.
    ScriptFixture inside;
    AlbumDirectory* trip = inside.addDirectory(*inside.root, "Trip");
    inside.context.currentDirectory = trip;
    test::writeFile(inside.temp / "skin/style.css", "css");
    std::filesystem::create_symlink("style.css", inside.temp / "skin/alias.css");
    std::filesystem::create_directories(inside.temp / "skin/sub");
    EXPECT_EQ(inside.run("CREATE_DIR \"a\"\nCREATE_FILE \"../Trip/./a\\\\..\\\\..\\\\top.html\"\nCLOSE_FILE\n"
                         "COPY_FROM_SKIN \"sub/../alias.css\" \"../copy.css\""),
              0);
    EXPECT_TRUE(std::filesystem::exists(inside.albumPath("top.html")));
    EXPECT_EQ(readFile(inside.albumPath("copy.css")), "css");
}

}  // namespace
}  // namespace quorvane
