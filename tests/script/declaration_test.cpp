#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "script_test_support.h"

namespace quorvane {
namespace {

using test::Failure;
using test::runFailure;
using test::ScriptFixture;

TEST(Declarations, DeclareTypedVariablesFromTheRestOfTheLine)
{
    ScriptFixture fixture;
    EXPECT_EQ(fixture.run("DECLARE_STRING public Title My holidays\n"
                          "DECLARE_STRING public Quoted \"My holidays\"\n"
                          "DECLARE_STRING private Spaced \t  a {b}  \n"
                          "DECLARE_STRING public Footer \n"
                          "DECLARE_COLOR public TextColor ff8000\n"
                          "DECLARE_COLOR public Green 0x00FF00\n"
                          "DECLARE_COLOR public NoColor zz\n"
                          "DECLARE_INT Public Columns 4\n"
                          "DECLARE_INT PRIVATE Rows -12\n"
                          "DECLARE_INT public Digits 12abc\n"
                          "DECLARE_INT public Words abc\n"),
              0);
    EXPECT_EQ(fixture.value("Title"), "My holidays");
    EXPECT_EQ(fixture.value("Quoted"), "\"My holidays\"");
    EXPECT_EQ(fixture.value("Spaced"), "a {b}  ");
    EXPECT_EQ(fixture.value("Footer"), "");
    EXPECT_EQ(fixture.context.findVariable("Footer")->type(), VarString);
    EXPECT_EQ(fixture.value("TextColor"), "ff8000");
    EXPECT_EQ(fixture.context.findVariable("TextColor")->intValue(), 0xff8000);
    EXPECT_EQ(fixture.value("Green"), "00ff00");
    EXPECT_EQ(fixture.value("NoColor"), "000000");
    EXPECT_EQ(fixture.value("Columns"), "4");
    EXPECT_EQ(fixture.value("Rows"), "-12");
    EXPECT_EQ(fixture.value("Digits"), "12");
    EXPECT_EQ(fixture.value("Words"), "0");
}

TEST(Declarations, MalformedLinesAreParseErrors)
{
    for (const char* line : {"DECLARE_STRING public Footer", "DECLARE_INT shared Columns 4", "DECLARE_INT publicity A 1",
                             "DECLARE_INT public", "DECLARE_INT public Columns", "DECLARE_COLOR  public C 0"}) {
        ScriptFixture fixture;
        const ScriptResult result = fixture.load(std::string("// first\n") + line + "\n");
        EXPECT_EQ(result.status, ScriptError::Syntax) << line;
        EXPECT_EQ(result.line, 2) << line;
    }
}

TEST(Declarations, APublicDeclarationKeepsAnExistingVariable)
{
    ScriptFixture fixture;
    fixture.defineInt("Columns", 6);       // a stored skin value
    fixture.defineText("ThumbWidth", "x");  // any type is kept
    EXPECT_EQ(fixture.run("DECLARE_INT public Columns 4\nDECLARE_INT public ThumbWidth 9\n"), 0);
    EXPECT_EQ(fixture.value("Columns"), "6");
    EXPECT_EQ(fixture.value("ThumbWidth"), "x");
    EXPECT_EQ(fixture.context.variables.count(), 2u);
}

TEST(Declarations, APrivateDeclarationMayRunOnlyOnce)
{
    ScriptFixture loop;
    loop.addMedia(*loop.root, "a.jpg", MediaPicture);
    loop.addMedia(*loop.root, "b.jpg", MediaPicture);
    EXPECT_EQ(runFailure(loop, "// count\nFOR_EACH_IMAGE\nDECLARE_INT private Rows 3\nEND_FOR\n"),
              (Failure{"PrivateRedeclared", 3}));

    ScriptFixture builtIn;
    builtIn.defineInt("IsRoot", 1);
    EXPECT_EQ(runFailure(builtIn, "DECLARE_INT private IsRoot 0"), (Failure{"PrivateRedeclared", 1}));
}

TEST(Declarations, OnlyPublicDeclarationsAreCollected)
{
    ScriptFixture fixture;
    ASSERT_TRUE(fixture
                    .load("DECLARE_INT public Columns 4\n"
                          "DECLARE_INT private Rows 3\n"
                          "IF 1 = 1\n"
                          "DECLARE_COLOR public TextColor ff8000\n"
                          "ENDIF\n"
                          "DECLARE_STRING public Title My album\n"
                          "SET Columns 5\n")
                    .ok());
    VariableList declared;
    for (const ScriptCommand& command : fixture.context.commands)
        command.collectDeclaration(declared);
    ASSERT_EQ(declared.count(), 3u);
    std::vector<std::string> seen;
    for (const ScriptVariable& variable : declared)
        seen.push_back(variable.name() + ":" + std::to_string(variable.type()) + ":" + variable.valueText());
    EXPECT_EQ(seen, (std::vector<std::string>{"Columns:0:4", "TextColor:1:ff8000", "Title:2:My album"}));
    // Collecting runs nothing.
    EXPECT_TRUE(fixture.context.variables.empty());
}

TEST(Assignments, SetAndAddStoreTheExpandedNumber)
{
    ScriptFixture fixture;
    fixture.defineInt("ThumbWidth", 200);
    fixture.define(VarNone, "Exif_Model");
    EXPECT_EQ(fixture.run("DECLARE_INT public Columns 4\n"
                          "DECLARE_INT public Count 10\n"
                          "DECLARE_INT public Big 2147483647\n"
                          "DECLARE_COLOR public Color 0000ff\n"
                          "DECLARE_INT public Text 0\n"
                          "SET Columns {ThumbWidth}\n"
                          "ADD Count -1\n"
                          "ADD Count   {Columns}px\n"
                          "ADD Big 1\n"
                          "SET Color {Color}\n"
                          "SET Text abc\n"
                          "SET Exif_Model 5\n"),
              0);
    EXPECT_EQ(fixture.value("Columns"), "200");
    EXPECT_EQ(fixture.value("Count"), "209");
    EXPECT_EQ(fixture.value("Big"), std::to_string(INT_MIN));
    EXPECT_EQ(fixture.value("Color"), "000000");  // "0000ff" read as decimal
    EXPECT_EQ(fixture.value("Text"), "0");
    EXPECT_EQ(fixture.context.findVariable("Exif_Model")->type(), VarNone);

    ScriptFixture decimalColor;
    EXPECT_EQ(decimalColor.run("DECLARE_COLOR public C ff0000\nSET C 255\n"), 0);
    EXPECT_EQ(decimalColor.value("C"), "0000ff");

    // The value template ends with a NUL, so a brace at its end opens a
    // reference that is dropped.
    ScriptFixture openBrace;
    EXPECT_EQ(openBrace.run("DECLARE_INT public A 0\nSET A 5{"), 0);
    EXPECT_EQ(openBrace.value("A"), "5");
}

TEST(Assignments, FailOnMissingOrTextVariablesAndBadTemplates)
{
    ScriptFixture missing;
    EXPECT_EQ(runFailure(missing, "\nSET Missing 1"), (Failure{"UnknownVariable", 2}));
    ScriptFixture text;
    EXPECT_EQ(runFailure(text, "DECLARE_STRING public Title x\nADD Title 1"), (Failure{"NotNumeric", 2}));
    ScriptFixture reference;
    EXPECT_EQ(runFailure(reference, "DECLARE_INT public A 1\n\nSET A {}"), (Failure{"EmptyName", 3}));
    EXPECT_EQ(reference.value("A"), "1");
}

}  // namespace
}  // namespace quorvane
