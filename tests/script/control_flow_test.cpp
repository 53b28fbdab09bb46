#include <gtest/gtest.h>

#include <string>

#include "script/condition_commands.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using test::readFile;
using test::Failure;
using test::runFailure;
using test::ScriptFixture;

// Runs the body between a CREATE_FILE and a CLOSE_FILE in the current
// directory and answers what it wrote, or the failure.
std::string output(ScriptFixture& fixture, const std::string& body)
{
    const ScriptStatus status = fixture.run("CREATE_FILE \"out.txt\"\n" + body + "\nCLOSE_FILE\n");
    if (status < 0)
        return test::errorName(status) + " at line " + std::to_string(fixture.context.errorLine);
    return readFile(std::filesystem::path(fixture.context.currentDirectory->fullPath) / "out.txt");
}

class Conditions : public ::testing::Test {
protected:
    Conditions()
    {
        fixture.defineInt("Columns", 4);
        fixture.defineInt("Negative", -3);
        fixture.defineText("Title", "Holidays");
        fixture.defineText("Empty", "");
        fixture.define(VarString, "Unset");
        fixture.define(VarNone, "Exif_Model");
    }

    // Whether the condition holds, or its failure.
    std::string check(const std::string& condition)
    {
        ScriptFixture& f = fixture;
        f.context.commands.clear();
        const ScriptResult loaded = f.load("SET Columns 4\nIF " + condition + "\nSET Columns 1\nENDIF\n");
        if (!loaded.ok())
            return "parse error line " + std::to_string(loaded.line);
        const ScriptStatus status = runScript(f.context);
        if (status < 0)
            return test::errorName(status) + " at line " + std::to_string(f.context.errorLine);
        return f.value("Columns") == "1" ? "true" : "false";
    }

    ScriptFixture fixture;
};

TEST_F(Conditions, CompareSignedValuesOfNumbersAndVariables)
{
    EXPECT_EQ(check("Columns > 2"), "true");
    EXPECT_EQ(check("Columns>2"), "true");
    EXPECT_EQ(check("Columns\t<\t2"), "false");
    EXPECT_EQ(check("Columns = 4"), "true");
    EXPECT_EQ(check("Columns != 4"), "false");
    EXPECT_EQ(check("Columns!=5"), "true");
    EXPECT_EQ(check("Negative < 0"), "true");
    EXPECT_EQ(check("Negative < Columns"), "true");
    EXPECT_EQ(check("4 = Columns"), "true");
    EXPECT_EQ(check("12abc = 12"), "true");
    EXPECT_EQ(check("Columns < 2147483647"), "true");
    // A string stands for its length, an unset one for -1, no value for -1.
    EXPECT_EQ(check("Title = 8"), "true");
    EXPECT_EQ(check("Empty = 0"), "true");
    EXPECT_EQ(check("Unset < 0"), "true");
    EXPECT_EQ(check("Exif_Model < 0"), "true");
}

TEST_F(Conditions, OperandsAreNamesOrDigitsOnly)
{
    EXPECT_EQ(check("Columns >= 2"), "UnknownVariable at line 2");
    EXPECT_EQ(check("Columns > -1"), "UnknownVariable at line 2");
    EXPECT_EQ(check("Columns >   "), "UnknownVariable at line 2");
    EXPECT_EQ(check("Columns > Limit "), "UnknownVariable at line 2");
    EXPECT_EQ(check("Missing > 1"), "UnknownVariable at line 2");
    EXPECT_EQ(check("{Columns} > 1"), "UnknownVariable at line 2");
    EXPECT_EQ(check("Columns ! 2"), "parse error line 2");
    EXPECT_EQ(check("Columns 2"), "parse error line 2");
    EXPECT_EQ(check("Columns"), "parse error line 2");
    EXPECT_EQ(check(std::string(256, 'x') + " > 1"), "parse error line 2");
    fixture.defineInt(std::string(255, 'x'), 5);
    EXPECT_EQ(check(std::string(255, 'x') + " > 1"), "true");
}

TEST(ConditionParse, SplitsOperandsAndOperator)
{
    ScriptFixture fixture;
    ASSERT_TRUE(fixture.load("IF Columns \t!= \t Limit  \nENDIF\nIF >2\nENDIF").ok());
    auto* condition = static_cast<IfCommand*>(fixture.context.commands.first());
    EXPECT_EQ(condition->leftOperand, "Columns");
    EXPECT_EQ(condition->conditionOperator, ConditionOperator::NotEqual);
    EXPECT_EQ(condition->arguments.text(), "Limit  ");
    EXPECT_EQ(condition->closing, CommandList::next(*condition));
    auto* bare = static_cast<IfCommand*>(CommandList::next(*condition->closing));
    EXPECT_EQ(bare->leftOperand, "");
    EXPECT_EQ(bare->arguments.text(), "2");
}

TEST(ConditionBlocks, BranchesSkipToElseOrPastEndif)
{
    ScriptFixture fixture;
    fixture.defineInt("IsRoot", 1);
    const std::string script = "IF IsRoot = 1\nWRITE_FILE \"root \"\n"
                               "IF IsRoot > 5\nWRITE_FILE \"never \"\nELSE\nWRITE_FILE \"inner-else \"\nENDIF\n"
                               "ELSE\nWRITE_FILE \"below \"\nENDIF\nWRITE_FILE \"end\"";
    EXPECT_EQ(output(fixture, script), "root inner-else end");
    ScriptFixture below;
    below.defineInt("IsRoot", 0);
    EXPECT_EQ(output(below, script), "below end");

    // A false IF whose ENDIF is the last line ends the run normally.
    ScriptFixture last;
    EXPECT_EQ(last.run("IF 1 = 2\nSET Missing 1\nENDIF"), 0);
}

TEST(ConditionBlocks, UnclosedBlocksFailOnlyWhenTheyHaveToJump)
{
    ScriptFixture unclosedIf;
    EXPECT_EQ(runFailure(unclosedIf, "\nIF 1 = 1\nDECLARE_INT public A 1\n"), (Failure{"UnclosedIf", 2}));
    ScriptFixture unclosedElse;
    EXPECT_EQ(runFailure(unclosedElse, "IF 1 = 1\nDECLARE_INT public A 1\nELSE\nSET A 2\n"),
              (Failure{"UnclosedIf", 3}));
    ScriptFixture falseIntoElse;
    EXPECT_EQ(falseIntoElse.run("DECLARE_INT public A 1\nIF 1 = 2\nELSE\nSET A 2\n"), 0);
    EXPECT_EQ(falseIntoElse.value("A"), "2");

    ScriptFixture emptyLoop;
    EXPECT_EQ(runFailure(emptyLoop, "DECLARE_INT public A 1\nFOR_EACH_IMAGE\nSET A 2\n"),
              (Failure{"UnclosedIf", 2}));
    ScriptFixture loopWithItems;
    loopWithItems.addMedia(*loopWithItems.root, "a.jpg", MediaPicture);
    loopWithItems.addMedia(*loopWithItems.root, "b.jpg", MediaPicture);
    EXPECT_EQ(output(loopWithItems, "FOR_EACH_IMAGE\nWRITE_FILE \"{ImageName};\""), "a.jpg;");

    // An IF that jumps over a loop's start leaves its END_FOR without a loop.
    ScriptFixture stray;
    stray.addMedia(*stray.root, "a.jpg", MediaPicture);
    EXPECT_EQ(runFailure(stray, "IF 1 = 2\nFOR_EACH_IMAGE\nENDIF\nEND_FOR"), (Failure{"NoOpenLoop", 4}));
}

class Loops : public ::testing::Test {
protected:
    Loops()
    {
        fixture.root->setComment("root");
        fixture.addMedia(*fixture.root, "A.jpg", MediaPicture, "first 100%");
        fixture.addMedia(*fixture.root, "M.avi", MediaMovie, "moving");
        fixture.addMedia(*fixture.root, "B.jpg", MediaPicture);
        fixture.addDirectory(*fixture.root, "Trip", "trip comment");
        fixture.addDirectory(*fixture.root, "Home");
    }

    ScriptFixture fixture;
};

TEST_F(Loops, ImagesBindNamesNeighboursAndComments)
{
    EXPECT_EQ(output(fixture, "FOR_EACH_IMAGE\n"
                              "WRITE_FILE \"{ImageName}|{PrevImageName}|{NextImageName}|{ImageComment}\\n\"\n"
                              "END_FOR\n"
                              "FOR_EACH_MOVIE\nWRITE_FILE \"{MovieName}|{MovieComment}\\n\"\nEND_FOR\n"
                              "FOR_EACH_DIR\nWRITE_FILE \"{SubDirectoryName}|{SubDirectoryComment}\\n\"\nEND_FOR\n"
                              "WRITE_FILE \"after: {ImageName} {SubDirectoryName}\""),
              "A.jpg||B.jpg|first 100%\n"
              "B.jpg|A.jpg||\n"
              "M.avi|moving\n"
              "Trip|trip comment\n"
              "Home|\n"
              "after: B.jpg Home");
}

TEST_F(Loops, NestedLoopsIterateTheCurrentDirectoryForEveryOuterItem)
{
    EXPECT_EQ(output(fixture, "FOR_EACH_DIR\nWRITE_FILE \"{SubDirectoryName}:\"\n"
                              "FOR_EACH_IMAGE\nWRITE_FILE \"{ImageName},\"\nEND_FOR\n"
                              "WRITE_FILE \";\"\nEND_FOR"),
              "Trip:A.jpg,B.jpg,;Home:A.jpg,B.jpg,;");
}

TEST_F(Loops, AnEmptyInnerLoopIsSkippedAndTheOuterLoopGoesOn)
{
    fixture.context.currentDirectory = fixture.root->subdirectories.first();
    fixture.addDirectory(*fixture.context.currentDirectory, "X");
    fixture.addDirectory(*fixture.context.currentDirectory, "Y");
    EXPECT_EQ(output(fixture, "FOR_EACH_DIR\nWRITE_FILE \"{SubDirectoryName}[\"\n"
                              "FOR_EACH_IMAGE\nWRITE_FILE \"never\"\nEND_FOR\n"
                              "WRITE_FILE \"]\"\nEND_FOR"),
              "X[]Y[]");
}

TEST_F(Loops, ALoopWithNothingToIterateBindsNothing)
{
    fixture.context.currentDirectory = fixture.root->subdirectories.last();
    EXPECT_EQ(output(fixture, "FOR_EACH_DIR\nWRITE_FILE \"never\"\nEND_FOR\n"
                              "FOR_EACH_MOVIE\nWRITE_FILE \"never\"\nEND_FOR\nWRITE_FILE \"done\""),
              "done");
    EXPECT_EQ(fixture.value("SubDirectoryName"), "<undefined>");
    EXPECT_EQ(fixture.value("MovieName"), "<undefined>");
}

TEST_F(Loops, BoundVariablesOfAnotherTypeAreLeftAlone)
{
    fixture.defineInt("ImageName", 7);
    EXPECT_EQ(output(fixture, "FOR_EACH_IMAGE\nWRITE_FILE \"{ImageName}/{NextImageName};\"\nEND_FOR"),
              "7/B.jpg;7/;");
}

TEST_F(Loops, EveryRunStartsItsLoopsAfresh)
{
    AlbumDirectory* trip = fixture.root->subdirectories.first();
    fixture.addMedia(*trip, "t1.jpg", MediaPicture);
    fixture.addMedia(*trip, "t2.jpg", MediaPicture);
    fixture.defineInt("Stop", 1);
    ASSERT_TRUE(fixture.load("FOR_EACH_IMAGE\nIF Stop = 1\nSET Missing 1\nENDIF\n"
                             "ADD Stop 0\nSET Picked {ImageName}\nEND_FOR")
                    .ok());
    fixture.define(VarString, "Seen");
    EXPECT_EQ(runScript(fixture.context), ScriptError::UnknownVariable);
    EXPECT_EQ(fixture.context.errorLine, 3);
    EXPECT_EQ(fixture.value("ImageName"), "A.jpg");

    fixture.context.currentDirectory = trip;
    fixture.context.findVariable("Stop")->setInt(0);
    fixture.defineInt("Picked", 0);
    EXPECT_EQ(runScript(fixture.context), 0);
    EXPECT_EQ(fixture.value("ImageName"), "t2.jpg");
    EXPECT_EQ(fixture.value("PrevImageName"), "t1.jpg");
}

}  // namespace
}  // namespace quorvane
