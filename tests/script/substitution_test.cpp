#include <gtest/gtest.h>

#include <string>

#include "script/substitution.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using test::errorName;
using test::ScriptFixture;

class Substitution : public ::testing::Test {
protected:
    Substitution()
    {
        fixture.defineInt("ThumbWidth", 200);
        fixture.defineInt("Columns", 4);
        fixture.defineInt("Negative", -3);
        fixture.define(VarColor, "Blue")->setInt(0x0000ff);
        fixture.define(VarColor, "TextColor")->setInt(0xff8000);
        fixture.defineText("Title", "Holidays");
        fixture.defineText("Comment", "100% sun");
        fixture.define(VarString, "Unset");
        fixture.define(VarNone, "Exif_Model");
    }

    // The expansion, or the error's name when it fails.
    std::string expand(std::string_view source)
    {
        ChunkBuffer out;
        const ScriptStatus status = substituteText(source, out, fixture.context);
        if (status < 0)
            return errorName(status);
        const char* bytes = out.data();
        return bytes ? std::string(bytes, static_cast<std::size_t>(out.length())) : std::string();
    }

    ScriptFixture fixture;
};

TEST_F(Substitution, NamesExpandToTheirTextForm)
{
    EXPECT_EQ(expand("w={ThumbWidth}px"), "w=200px");
    EXPECT_EQ(expand("{Blue}"), "0000ff");
    EXPECT_EQ(expand("#{TextColor};"), "#ff8000;");
    EXPECT_EQ(expand("{Title}, {Comment}"), "Holidays, 100% sun");
    EXPECT_EQ(expand("[{Unset}][{Exif_Model}]"), "[][]");
    EXPECT_EQ(expand("a,b, c"), "a,b, c");
    EXPECT_EQ(expand("%d %s %n"), "%d %s %n");
    EXPECT_EQ(expand(""), "");
}

TEST_F(Substitution, NumbersTakeOnePrintfConversion)
{
    EXPECT_EQ(expand("{ThumbWidth,%05d}"), "00200");
    EXPECT_EQ(expand("<img {ThumbWidth,width=\"%d\"}>"), "<img width=\"200\">");
    EXPECT_EQ(expand("{TextColor,%06X}"), "FF8000");
    EXPECT_EQ(expand("{Blue,%x}"), "ff");
    EXPECT_EQ(expand("{ThumbWidth,%d%%}"), "200%");
    EXPECT_EQ(expand("{ThumbWidth,%+-6i|}"), "+200  |");
    EXPECT_EQ(expand("{ThumbWidth,%#o}"), "0310");
    EXPECT_EQ(expand("{ThumbWidth,%.5u}"), "00200");
    EXPECT_EQ(expand("{ThumbWidth,%hhd}"), "-56");
    EXPECT_EQ(expand("{ThumbWidth,%ld}"), "200");
    EXPECT_EQ(expand("{ThumbWidth,no conversion}"), "no conversion");
    EXPECT_EQ(expand("{Negative,%d}"), "-3");
}

TEST_F(Substitution, FormatsThatWouldReadAnythingElseAreRefused)
{
    for (const char* format : {"%s", "%n", "%*d", "%.*d", "%d%d", "%d and %x", "%f", "%e", "%p", "%lld", "%Lf",
                               "%jd", "%zd", "%1$d", "%", "ab%", "%m", "%S", "%ls", "%-", "%5"}) {
        EXPECT_EQ(expand("{ThumbWidth," + std::string(format) + "}"), "Syntax") << format;
        EXPECT_EQ(expand("{Blue," + std::string(format) + "}"), "Syntax") << format;
    }
}

TEST_F(Substitution, FormattedNumbersAreCutAt255Characters)
{
    EXPECT_EQ(expand("{ThumbWidth,%300d}"), std::string(255, ' '));
    EXPECT_EQ(expand("{ThumbWidth,%-300d}|"), "200" + std::string(252, ' ') + "|");
    EXPECT_EQ(expand("{ThumbWidth,%.300d}"), std::string(255, '0'));
    EXPECT_EQ(expand("{ThumbWidth,%099999999999999999999d}"), std::string(255, '0'));
    EXPECT_EQ(expand("{ThumbWidth,x%255d}"), "x" + std::string(252, ' ') + "20");
}

TEST_F(Substitution, StringsTakeAWidth)
{
    EXPECT_EQ(expand("{Title,3}"), "Hol");
    EXPECT_EQ(expand("{Title,8}"), "Holidays");
    EXPECT_EQ(expand("{Title,50}"), "Holidays");
    EXPECT_EQ(expand("[{Title,0}]"), "[]");
    EXPECT_EQ(expand("{Title,2px}"), "Ho");
    EXPECT_EQ(expand("{Title,Columns}"), "Holi");
    EXPECT_EQ(expand("[{Title,Title}]"), "[]");
    EXPECT_EQ(expand("[{Title,Negative}]"), "[]");
    EXPECT_EQ(expand("[{Unset,5}]"), "[]");
    EXPECT_EQ(expand("{Title,Missing}"), "UnknownVariable");
    EXPECT_EQ(expand("{Title,%05d}"), "UnknownVariable");
    EXPECT_EQ(expand("[{Exif_Model,%d}{Exif_Model,3}]"), "[]");
}

TEST_F(Substitution, DoubledBracesAreLiteralEverywhere)
{
    EXPECT_EQ(expand("{{b}}"), "{b}");
    EXPECT_EQ(expand("a {{ {Title} }}"), "a { Holidays }");
    // Inside a reference a doubled brace is output at once; in a name it
    // stays part of the name, in a format it does not.
    EXPECT_EQ(expand("x{Title}}"), "x}");
    EXPECT_EQ(expand("{Title}} more}"), "UnknownVariable");
    EXPECT_EQ(expand("{ThumbWidth,<{{%d}}>}"), "{}<200>");
}

TEST_F(Substitution, MalformedReferencesFailWithTheirCode)
{
    EXPECT_EQ(expand("{ Title}"), "UnknownVariable");
    EXPECT_EQ(expand("{Title }"), "UnknownVariable");
    EXPECT_EQ(expand("{}"), "EmptyName");
    EXPECT_EQ(expand("{,3}"), "EmptyName");
    EXPECT_EQ(expand("{Title,}"), "EmptyFormat");
    EXPECT_EQ(expand("{Missing}"), "UnknownVariable");
    EXPECT_EQ(expand("{title}"), "UnknownVariable");
    EXPECT_EQ(expand("{Title,3,4}"), "Syntax");
    EXPECT_EQ(expand("{Title{x}"), "Syntax");
    EXPECT_EQ(expand("{Title,{x}"), "Syntax");
    EXPECT_EQ(expand("a}b"), "Syntax");
    EXPECT_EQ(expand("}"), "Syntax");
    EXPECT_EQ(expand("ends with {"), "Syntax");
}

TEST_F(Substitution, AnUnterminatedReferenceIsDropped)
{
    EXPECT_EQ(expand("before {Title"), "before ");
    EXPECT_EQ(expand("before {Title,3"), "before ");
    EXPECT_EQ(expand("before {Nothing at all"), "before ");
    // The name is looked up when the comma is reached.
    EXPECT_EQ(expand("before {Missing,3"), "UnknownVariable");
    // A NUL ending the template is a character like any other: the brace is
    // then not the last one.
    EXPECT_EQ(expand("x{\0"s), "x");
    EXPECT_EQ(expand("a\0b"s), "a\0b"s);
}

TEST_F(Substitution, NamesAndFormatsHaveLengthLimits)
{
    const std::string name64(64, 'n');
    const std::string name65(65, 'n');
    fixture.defineText(name64, "ok");
    fixture.defineText(name65, "too long");
    EXPECT_EQ(expand("{" + name64 + "}"), "ok");
    EXPECT_EQ(expand("{" + name65 + "}"), "NameTooLong");
    EXPECT_EQ(expand("{" + name65 + ",3}"), "NameTooLong");

    const std::string format64 = "%d" + std::string(62, '.');
    EXPECT_EQ(expand("{ThumbWidth," + format64 + "}"), "200" + std::string(62, '.'));
    EXPECT_EQ(expand("{ThumbWidth," + format64 + ".}"), "FormatTooLong");
    EXPECT_EQ(expand("{Title," + std::string(65, '1') + "}"), "FormatTooLong");
}

TEST_F(Substitution, AThirdFieldEscapesTheExpandedValue)
{
    fixture.defineText("Name", "<a href=\"x\">Tom & Jerry's</a>");
    fixture.defineText("File", "a b/%41+;#?\xc3\xa9~-._\\\n");
    fixture.defineText("Root", "../../");
    EXPECT_EQ(expand("<p title=\"{Name,,html}\">{Name,,html}</p>"),
              "<p title=\"&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&#39;s&lt;/a&gt;\">"
              "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&#39;s&lt;/a&gt;</p>");
    EXPECT_EQ(expand("{File,,url}"), "a%20b%2F%2541%2B%3B%23%3F%C3%A9~-._%5C%0A");
    EXPECT_EQ(expand("{File,,path}"), "a%20b/%2541%2B%3B%23%3F%C3%A9~-._%5C%0A");
    EXPECT_EQ(expand("{Root,,path}index.html {Root,,url}"), "../../index.html ..%2F..%2F");
    // The format applies first: a width cuts the raw text, a number is formatted.
    EXPECT_EQ(expand("{Name,3,html}|{Name,Columns,url}"), "&lt;a |%3Ca%20h");
    EXPECT_EQ(expand("{ThumbWidth,,html}{ThumbWidth,<%d>,html}{Blue,,url}"), "200&lt;200&gt;0000ff");
    EXPECT_EQ(expand("[{Unset,,html}{Exif_Model,,url}]"), "[]");
    EXPECT_EQ(expand("{Comment,,url}"), "100%25%20sun");
}

TEST_F(Substitution, EscapeMisuseFailsWithTheCodeOfTheFieldAtFault)
{
    EXPECT_EQ(expand("{Title,,HTML}"), "Syntax");
    EXPECT_EQ(expand("{Title,,}"), "Syntax");
    EXPECT_EQ(expand("{Title,, html}"), "Syntax");
    EXPECT_EQ(expand("{Title,,html,url}"), "Syntax");
    EXPECT_EQ(expand("{Title,,html{x}"), "Syntax");
    EXPECT_EQ(expand("{,,html}"), "EmptyName");
    EXPECT_EQ(expand("{Missing,,html}"), "UnknownVariable");
    EXPECT_EQ(expand("{Title,Missing,html}"), "UnknownVariable");
    EXPECT_EQ(expand("{ThumbWidth,%s,url}"), "Syntax");
    EXPECT_EQ(expand("{Title," + std::string(65, '1') + ",html}"), "FormatTooLong");
    EXPECT_EQ(expand("{Title,,html" + std::string(100, 'l') + "}"), "Syntax");
    // Left open at the end, the reference is dropped like any other.
    EXPECT_EQ(expand("before {Title,,html"), "before ");
}

TEST_F(Substitution, SkinBackslashesNameFoldersButValueBackslashesStay)
{
    fixture.defineText("ImageName", "..\\a\\b.jpg");
    ChunkBuffer out;
    ASSERT_EQ(substituteText("pages\\{ImageName}.html", out, fixture.context, SkinBackslash::Separator), 0);
    EXPECT_EQ(out.text(), "pages/..\\a\\b.jpg.html");
    EXPECT_EQ(expand("pages\\{ImageName}"), "pages\\..\\a\\b.jpg");
}

TEST_F(Substitution, TheFirstNamesakeWinsAndExpansionStopsAtTheFirstError)
{
    fixture.defineText("Title", "Second");
    EXPECT_EQ(expand("{Title}"), "Holidays");

    ChunkBuffer out;
    EXPECT_EQ(substituteText("kept {Title} {} lost {Title}", out, fixture.context), ScriptError::EmptyName);
    EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(out.length())), "kept Holidays ");
}

}  // namespace
}  // namespace quorvane
