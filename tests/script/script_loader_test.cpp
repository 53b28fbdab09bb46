#include <gtest/gtest.h>

#include <string>

#include "script/script_command.h"
#include "script/script_context.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using test::ScriptFixture;

std::string repeat(std::string_view text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

TEST(ScriptErrors, CodesCarryTheHighBitAndTheirNumber)
{
    EXPECT_EQ(static_cast<std::uint32_t>(ScriptError::BadVisibility), 0x80000001u);
    EXPECT_EQ(static_cast<std::uint32_t>(ScriptError::Syntax), 0x80000002u);
    EXPECT_EQ(static_cast<std::uint32_t>(ScriptError::CannotCreateFile), 0x80000005u);
    EXPECT_EQ(static_cast<std::uint32_t>(ScriptError::UnknownVariable), 0x8000000bu);
    EXPECT_EQ(static_cast<std::uint32_t>(ScriptError::EmptyFormat), 0x80000013u);
    EXPECT_LT(ScriptError::EmptyFormat, 0);

    EXPECT_STREQ(scriptErrorName(ScriptError::QuotedStringExpected), "QuotedStringExpected");
    EXPECT_STREQ(scriptErrorName(ScriptError::OperandTooLong), "OperandTooLong");
    EXPECT_STREQ(scriptErrorName(ScriptError::EmptyFormat), "EmptyFormat");
    EXPECT_STREQ(scriptErrorName(0), "Ok");
    EXPECT_EQ(scriptErrorName(scriptErrorCode(23)), nullptr);
    EXPECT_EQ(scriptErrorName(scriptErrorCode(0)), nullptr);
}

TEST(CommandPrototypes, HoldOneCommandPerKeywordInLookupOrder)
{
    std::vector<std::string> keywords;
    for (const ScriptCommand& prototype : commandPrototypes())
        keywords.emplace_back(prototype.keyword());
    const std::vector<std::string> expected = {
        "DECLARE_INT",    "DECLARE_COLOR",  "DECLARE_STRING", "CREATE_FILE", "WRITE_FILE", "CLOSE_FILE",
        "FOR_EACH_IMAGE", "FOR_EACH_MOVIE", "FOR_EACH_DIR",   "END_FOR",     "ADD",        "SET",
        "IF",             "ELSE",           "ENDIF",          "CREATE_DIR",  "COPY_FROM_SKIN"};
    EXPECT_EQ(keywords, expected);
    EXPECT_EQ(&commandPrototypes(), &commandPrototypes());

    const ScriptCommand* set = findPrototype("SET");
    ASSERT_NE(set, nullptr);
    auto clone = set->clone();
    EXPECT_EQ(clone->keyword(), "SET");
    EXPECT_NE(clone.get(), set);
    EXPECT_EQ(clone->arguments.length(), 0);
    EXPECT_EQ(findPrototype("Set"), nullptr);
    EXPECT_EQ(findPrototype("DECLARE_INT "), nullptr);
}

TEST(ScriptLoader, CommentsAndBlankLinesMakeAnEmptyProgramThatRunsDoingNothing)
{
    ScriptFixture fixture;
    const ScriptResult loaded = fixture.load("// header\n\n   \t\r\n\t// indented comment\r\n//\n   ");
    EXPECT_TRUE(loaded.ok());
    EXPECT_TRUE(fixture.context.commands.empty());
    EXPECT_EQ(runScript(fixture.context), 0);
    EXPECT_EQ(fixture.context.errorLine, -1);
    EXPECT_TRUE(std::filesystem::is_empty(fixture.albumPath("")));

    ScriptFixture empty;
    EXPECT_TRUE(empty.load("").ok());
    EXPECT_EQ(runScript(empty.context), 0);
}

TEST(ScriptLoader, ReadsFilesAsBytesAndReportsAMissingFileAtLineMinusOne)
{
    ScriptFixture fixture;
    const ScriptResult missing = loadScript(fixture.temp / "Main.qvs", fixture.context);
    EXPECT_EQ(missing.status, ScriptError::CannotRead);
    EXPECT_EQ(missing.line, -1);

    const ScriptResult folder = loadScript(fixture.temp.path(), fixture.context);
    EXPECT_EQ(folder.status, ScriptError::CannotRead);
    EXPECT_EQ(folder.line, -1);

    test::writeFile(fixture.temp / "Empty.qvs", "");
    EXPECT_TRUE(loadScript(fixture.temp / "Empty.qvs", fixture.context).ok());

    test::writeFile(fixture.temp / "Main.qvs", "DECLARE_INT public A 1\r\n\r\nSET A 5\r\n");
    const ScriptResult loaded = loadScript(fixture.temp / "Main.qvs", fixture.context);
    EXPECT_TRUE(loaded.ok());
    ASSERT_EQ(fixture.context.commands.count(), 2u);
    EXPECT_EQ(fixture.context.commands.first()->sourcePath, (fixture.temp / "Main.qvs").string());
    EXPECT_EQ(fixture.context.commands.first()->line, 1);
    EXPECT_EQ(fixture.context.commands.last()->line, 3);
}

TEST(ScriptLoader, OnlyLineFeedsCountLines)
{
    ScriptFixture crlf;
    const ScriptResult crlfResult = crlf.load(repeat("// comment\r\n", 6) + "BOGUS\r\n");
    EXPECT_EQ(crlfResult.status, ScriptError::Syntax);
    EXPECT_EQ(crlfResult.line, 7);

    ScriptFixture bareCr;
    const ScriptResult crResult = bareCr.load(repeat("DECLARE_INT public A 1\r", 6) + "BOGUS\r");
    EXPECT_EQ(crResult.status, ScriptError::Syntax);
    EXPECT_EQ(crResult.line, 1);

    ScriptFixture mixed;
    const ScriptResult mixedResult = mixed.load("\n\n  \n\r\r\t\nENDIF\n");
    EXPECT_EQ(mixedResult.status, ScriptError::Syntax);
    EXPECT_EQ(mixedResult.line, 5);
}

TEST(ScriptLoader, AByteOrderMarkBelongsToTheFirstLine)
{
    ScriptFixture comment;
    const ScriptResult commented = comment.load("\xEF\xBB\xBF// a comment\nDECLARE_INT public A 1\n");
    EXPECT_EQ(commented.status, ScriptError::Syntax);
    EXPECT_EQ(commented.line, 1);

    ScriptFixture command;
    const ScriptResult declared = command.load("\xEF\xBB\xBF" "DECLARE_INT public A 1\n");
    EXPECT_EQ(declared.status, ScriptError::Syntax);
    EXPECT_EQ(declared.line, 1);
}

TEST(ScriptLoader, KeywordsAreCaseSensitive)
{
    for (const char* line : {"if A > 1", "Set A 1", "DECLARE_Int public A 1", "end_for", "WRITE_FILE\"x\""}) {
        ScriptFixture fixture;
        const ScriptResult result = fixture.load(std::string("DECLARE_INT public A 1\n// two\n") + line + "\n");
        EXPECT_EQ(result.status, ScriptError::Syntax) << line;
        EXPECT_EQ(result.line, 3) << line;
        EXPECT_EQ(fixture.context.commands.count(), 1u) << line;
    }
}

TEST(ScriptLoader, ExactlyOneSpaceOrTabSeparatesTheKeyword)
{
    ScriptFixture twoSpaces;
    const ScriptResult spaced = twoSpaces.load("DECLARE_INT  public Columns 4\n");
    EXPECT_EQ(spaced.status, ScriptError::Syntax);
    EXPECT_EQ(spaced.line, 1);

    ScriptFixture tab;
    EXPECT_EQ(tab.run("DECLARE_INT\tpublic\t\tColumns \t 4\n"), 0);
    EXPECT_EQ(tab.value("Columns"), "4");

    // The arguments keep everything after the one separator, with a NUL.
    ScriptFixture kept;
    ASSERT_TRUE(kept.load("IF A > 1\nENDIF   // end of test\nCLOSE_FILE\n").ok());
    ScriptCommand* endif = CommandList::next(*kept.context.commands.first());
    EXPECT_EQ(std::string(endif->arguments.data(), static_cast<std::size_t>(endif->arguments.length())),
              std::string("  // end of test\0", 17));
    EXPECT_EQ(kept.context.commands.last()->arguments.length(), 0);
}

TEST(ScriptLoader, ACommentIsRecognisedOnlyAtTheStartOfALine)
{
    ScriptFixture fixture;
    fixture.defineInt("Columns", 3);
    ASSERT_TRUE(fixture.load("   // indented\nIF Columns > Limit // note\nENDIF\n").ok());
    EXPECT_EQ(runScript(fixture.context), ScriptError::UnknownVariable);
    EXPECT_EQ(fixture.context.errorLine, 2);

    ScriptFixture tail;
    EXPECT_EQ(tail.run("IF 1 = 1\nELSE anything goes\nENDIF // done\nFOR_EACH_DIR x\nEND_FOR y\n"), 0);
    EXPECT_TRUE(tail.load("CREATE_FILE \"a\"\nCLOSE_FILE z\n").ok());
}

TEST(ScriptLoader, UnmatchedBlockEndsFailAtTheirLine)
{
    struct Case {
        const char* script;
        int line;
    };
    for (const Case& c : {Case{"DECLARE_INT public A 1\nEND_FOR\n", 2}, Case{"\n\nELSE\n", 3},
                          Case{"IF 1 = 1\nENDIF\nENDIF\n", 3}, Case{"FOR_EACH_DIR\nEND_FOR\nEND_FOR\n", 3},
                          Case{"FOR_EACH_DIR\nENDIF\n", 2}, Case{"IF 1 = 1\nEND_FOR\n", 2}}) {
        ScriptFixture fixture;
        const ScriptResult result = fixture.load(c.script);
        EXPECT_EQ(result.status, ScriptError::Syntax) << c.script;
        EXPECT_EQ(result.line, c.line) << c.script;
    }
}

TEST(ScriptLoader, EveryParseFailureIsReportedAsSyntax)
{
    for (const char* line : {"DECLARE_INT shared Columns 4", "COPY_FROM_SKIN \"a\"  \"b\"", "CREATE_FILE index.html",
                             "WRITE_FILE \"unterminated", "IF Columns ! 2", "IF Columns", "SET Name"}) {
        ScriptFixture fixture;
        const ScriptResult result = fixture.load(std::string("\n") + line);
        EXPECT_EQ(result.status, ScriptError::Syntax) << line;
        EXPECT_EQ(result.line, 2) << line;
    }
    ScriptFixture longName;
    EXPECT_EQ(longName.load("SET " + std::string(256, 'n') + " 1").status, ScriptError::Syntax);
    ScriptFixture longestName;
    EXPECT_TRUE(longestName.load("SET " + std::string(255, 'n') + " 1").ok());
}

TEST(ScriptLoader, ALineEndsAtANulByte)
{
    ScriptFixture fixture;
    EXPECT_EQ(fixture.run("DECLARE_STRING public T abc\0def\nDECLARE_INT public N 7"s), 0);
    EXPECT_EQ(fixture.value("T"), "abc");
    EXPECT_EQ(fixture.value("N"), "7");
}

}  // namespace
}  // namespace quorvane
