#include <regex>
#include <gtest/gtest.h>

#include <string>

#include "gui/dialogs/about_box.h"
#include "gui/dialogs/link_markers.h"
#include "gui/dialogs/rtf_reader.h"

namespace quorvane::gui {
namespace {

using Links = std::vector<LinkRange>;

TEST(LinkMarkers, OnePairMakesOneLinkAndNothingElseChanges)
{
    const MarkedText marked = processLinkMarkers("see \xB2here\xB2 now");
    EXPECT_EQ(marked.text, "see here now");
    EXPECT_EQ(marked.links, (Links{{4, 8}}));
    const MarkedText plain = processLinkMarkers("no markers at all");
    EXPECT_EQ(plain.text, "no markers at all");
    EXPECT_TRUE(plain.links.empty());
}

TEST(LinkMarkers, TwoAdjacentMarkersOutsideALinkGiveOneLiteralByte)
{
    const MarkedText marked = processLinkMarkers("a\xB2\xB2z");
    EXPECT_EQ(marked.text, "a\xB2z");
    EXPECT_TRUE(marked.links.empty());
    // The literal byte closes the empty link; the next marker opens a new one.
    const MarkedText then = processLinkMarkers("\xB2\xB2\xB2x\xB2");
    EXPECT_EQ(then.text, "\xB2x");
    EXPECT_EQ(then.links, (Links{{1, 2}}));
}

TEST(LinkMarkers, UnterminatedLinkIsDropped)
{
    const MarkedText marked = processLinkMarkers("x\xB2open to the end");
    EXPECT_EQ(marked.text, "xopen to the end");
    EXPECT_TRUE(marked.links.empty());
    const MarkedText after = processLinkMarkers("\xB2one\xB2 and \xB2two");
    EXPECT_EQ(after.text, "one and two");
    EXPECT_EQ(after.links, (Links{{0, 3}}));
}

TEST(LinkMarkers, MarkerRightAfterAClosingMarkerOpensTheNextLink)
{
    const MarkedText marked = processLinkMarkers("\xB2one\xB2\xB2two\xB2");
    EXPECT_EQ(marked.text, "onetwo");
    EXPECT_EQ(marked.links, (Links{{0, 3}, {3, 6}}));
    const MarkedText ending = processLinkMarkers("end\xB2link\xB2");
    EXPECT_EQ(ending.text, "endlink");
    EXPECT_EQ(ending.links, (Links{{3, 7}}));
}

TEST(AboutBox, TextIsTheRtfOfTitleCreditsAndCompilation)
{
    const std::string text = aboutBoxText();
    EXPECT_TRUE(text.starts_with("{\\rtf1{\\colortbl ;\\red220\\green50\\blue50;}\\cf1\\pard\\qc\\fs36\\ul"
                                 " Quorvane V1.1.12\\par\\ulnone\\pard\\fs18\\cf0\\b "))
        << text;
    const std::string compiled = std::string(kBuildDate) + " " + kBuildTime;
    EXPECT_NE(text.find("\\b Compilation \\b0 :\t" + compiled + "\\par\\par"), std::string::npos);
    // This build's date, in __DATE__'s form, not the described program's.
    EXPECT_TRUE(std::regex_match(compiled, std::regex("[A-Z][a-z]{2} [ 0-9][0-9] 20[2-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << compiled;
    EXPECT_TRUE(text.ends_with("\\par}"));
}

RichTextFormat format(bool bold, int halfPoints, std::optional<std::uint32_t> color = std::nullopt)
{
    RichTextFormat f;
    f.bold = bold;
    f.halfPoints = halfPoints;
    f.color = color;
    return f;
}

TEST(RtfReader, ReadsTheAboutText)
{
    const RichText about = readRtf(aboutBoxText());
    ASSERT_EQ(about.paragraphs.size(), 7u) << about.plainText();

    const RichTextParagraph& title = about.paragraphs[0];
    EXPECT_EQ(title.alignment, RichTextAlignment::Centre);
    ASSERT_EQ(title.runs.size(), 1u);
    EXPECT_EQ(title.runs[0].text, "Quorvane V1.1.12");
    RichTextFormat titleFormat = format(false, 36, 0xDC3232);
    titleFormat.underline = true;
    EXPECT_EQ(title.runs[0].format, titleFormat);

    const RichTextParagraph& compilation = about.paragraphs[4];
    EXPECT_EQ(compilation.alignment, RichTextAlignment::Left);
    ASSERT_EQ(compilation.runs.size(), 2u);
    EXPECT_EQ(compilation.runs[0].text, "Compilation ");
    EXPECT_EQ(compilation.runs[0].format, format(true, 18));
    EXPECT_EQ(compilation.runs[1].text, std::string(":\t") + kBuildDate + " " + kBuildTime);
    EXPECT_EQ(compilation.runs[1].format, format(false, 18));
    EXPECT_TRUE(about.paragraphs[5].runs.empty());
    ASSERT_EQ(about.paragraphs[6].runs.size(), 1u);
    EXPECT_TRUE(about.paragraphs[6].runs[0].text.starts_with("Point Quorvane"));
    EXPECT_TRUE(about.paragraphs[6].runs[0].format.italic);

    for (std::size_t i = 1; i < 4; ++i) {
        ASSERT_EQ(about.paragraphs[i].runs.size(), 2u);
        EXPECT_TRUE(about.paragraphs[i].runs[0].format.bold);
        EXPECT_TRUE(about.paragraphs[i].runs[1].text.starts_with(":\t"));
    }
}

// What WordPad writes, with a table of fonts, a generator note, escapes and
// nested groups.
constexpr char kWordPadHelp[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}\r\n"
    "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\qc\\lang1033\\b\\f0\\fs28 Basic skin"
    "\\b0\\fs20\\par\r\n"
    "\\pard\\par\r\n"
    "\\cf2\\ul Colours\\ulnone\\cf0\\par\r\n"
    "\\b TextColor\\b0\\tab colour of the text, caf\\'e9 style \\u8364?\\par\r\n"
    "{\\i Columns}\\tab number of columns \\{1..9\\}\\par\r\n"
    "{\\pict\\wmetafile8\\picw10\\pich10 0a0b0c0d}\\pard\\qr right\\par\r\n"
    "}\r\n\0";

TEST(RtfReader, ReadsAWordPadHelpFile)
{
    const RichText help = readRtf(kWordPadHelp);
    EXPECT_EQ(help.plainText(),
              "Basic skin\n"
              "\n"
              "Colours\n"
              "TextColor\tcolour of the text, caf\xC3\xA9 style \xE2\x82\xAC\n"
              "Columns\tnumber of columns {1..9}\n"
              "right\n");
    ASSERT_EQ(help.paragraphs.size(), 6u);
    EXPECT_EQ(help.paragraphs[0].alignment, RichTextAlignment::Centre);
    EXPECT_EQ(help.paragraphs[0].runs[0].format, format(true, 28));
    EXPECT_EQ(help.paragraphs[1].alignment, RichTextAlignment::Left);

    RichTextFormat colours = format(false, 20, 0x008000);
    colours.underline = true;
    ASSERT_EQ(help.paragraphs[2].runs.size(), 1u);
    EXPECT_EQ(help.paragraphs[2].runs[0].format, colours);

    ASSERT_EQ(help.paragraphs[3].runs.size(), 2u);
    EXPECT_EQ(help.paragraphs[3].runs[0].format, format(true, 20));
    EXPECT_EQ(help.paragraphs[3].runs[1].format, format(false, 20));

    ASSERT_EQ(help.paragraphs[4].runs.size(), 2u);
    EXPECT_TRUE(help.paragraphs[4].runs[0].format.italic);
    // The group's italic ended with the group.
    EXPECT_FALSE(help.paragraphs[4].runs[1].format.italic);
    EXPECT_EQ(help.paragraphs[5].alignment, RichTextAlignment::Right);
}

TEST(RtfReader, DamagedInputEndsQuietly)
{
    EXPECT_EQ(readRtf("{\\rtf1 unclosed \\b group").plainText(), "unclosed group\n");
    EXPECT_EQ(readRtf("{\\rtf1 bad escape \\'z9 and \\").plainText(), "bad escape z9 and \n");
    EXPECT_EQ(readRtf("}}{\\rtf1 extra}}}").plainText(), "extra\n");
    EXPECT_EQ(readRtf("{\\rtf1 \\cf7 no such colour\\par}").paragraphs[0].runs[0].format.color,
              std::nullopt);
}

TEST(PlainText, WindowsAnsiBecomesUtf8)
{
    EXPECT_EQ(windows1252ToUtf8("caf\xE9 \x80 \x93quoted\x94"),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D");
    EXPECT_TRUE(isRtf("{\\rtf1 x}"));
    EXPECT_FALSE(isRtf(" {\\rtf1 x}"));
}

}  // namespace
}  // namespace quorvane::gui
