#include "xml/xml_document.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/test_support.h"

namespace quorvane {
namespace {

int parseText(XmlDocument& document, std::string_view text)
{
    return document.parse(text.data(), text.size());
}

std::vector<std::string> childNames(const XmlElement& element)
{
    std::vector<std::string> names;
    for (const XmlElement& child : element.children)
        names.push_back(child.name);
    return names;
}

TEST(XmlWriter, WritesTabsSingleLineFeedsAndSelfClosingTags)
{
    test::TempDir dir;
    XmlDocument document;
    XmlElement* options = document.addTopLevelElement("ProjectOptions");
    options->addAttribute("Version", "2");
    XmlElement* thumbs = options->addChild("Thumbs");
    thumbs->addIntAttribute("Width", 200);
    thumbs->addIntAttribute("Delta", -7);
    XmlElement* nested = options->addChild("Nested");
    nested->addChild("Leaf");
    options->addChild("Empty");
    document.addTopLevelElement("Second");

    ASSERT_EQ(document.save(dir / "out.xml"), XmlOk);
    EXPECT_EQ(test::readFile(dir / "out.xml"),
              "<ProjectOptions Version=\"2\">\n"
              "\t<Thumbs Width=\"200\" Delta=\"-7\"/>\n"
              "\t<Nested>\n"
              "\t\t<Leaf/>\n"
              "\t</Nested>\n"
              "\t<Empty/>\n"
              "</ProjectOptions>\n"
              "<Second/>\n");

    // What the writer wrote reads back into the same tree.
    XmlDocument reread;
    ASSERT_EQ(reread.load(dir / "out.xml"), XmlOk);
    EXPECT_EQ(childNames(*reread.root()), (std::vector<std::string>{"ProjectOptions", "Second"}));
    XmlElement* readOptions = reread.findElement("ProjectOptions", true);
    ASSERT_NE(readOptions, nullptr);
    EXPECT_EQ(childNames(*readOptions), (std::vector<std::string>{"Thumbs", "Nested", "Empty"}));
    int width = 0;
    EXPECT_EQ(reread.findElement("Thumbs", true)->getIntAttribute("Width", width, 0), 0);
    EXPECT_EQ(width, 200);
    EXPECT_NE(reread.findElement("Leaf", true), nullptr);
}

TEST(XmlWriter, NoRootWritesNothingAndEmptyRootWritesEmptyFile)
{
    test::TempDir dir;
    XmlDocument none;
    EXPECT_EQ(none.save(dir / "none.xml"), XmlNoRoot);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.xml"));

    XmlDocument empty;
    ASSERT_EQ(empty.parse("", 0), XmlOk);
    EXPECT_EQ(empty.save(dir / "empty.xml"), XmlOk);
    EXPECT_TRUE(std::filesystem::exists(dir / "empty.xml"));
    EXPECT_EQ(test::readFile(dir / "empty.xml"), "");

    EXPECT_EQ(empty.save(dir / "no-such-folder" / "x.xml"), XmlCannotOpen);
}

TEST(XmlWriter, SaveReplacesTheFileWholeAndLeavesNoTemporary)
{
    test::TempDir dir;
    test::writeFile(dir / "c.xml", std::string(5000, 'z'));
    XmlDocument document;
    document.addTopLevelElement("A");
    ASSERT_EQ(document.save(dir / "c.xml"), XmlOk);
    EXPECT_EQ(test::readFile(dir / "c.xml"), "<A/>\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);

    // A read-only folder: the save fails and the old file is untouched.
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
        document.addTopLevelElement("B");
        EXPECT_EQ(document.save(dir / "c.xml"), XmlCannotOpen);
        EXPECT_EQ(test::readFile(dir / "c.xml"), "<A/>\n");
    }
}

TEST(XmlWriter, APlantedLinkIsReplacedUnlessTheCallerFollowsIt)
{
    test::TempDir dir;
    test::writeFile(dir / "real.xml", "old");
    std::filesystem::create_symlink(dir / "real.xml", dir / "Comments.xml");
    XmlDocument document;
    document.addTopLevelElement("New");
    ASSERT_EQ(document.save(dir / "Comments.xml"), XmlOk);
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "Comments.xml"));
    EXPECT_EQ(test::readFile(dir / "Comments.xml"), "<New/>\n");
    EXPECT_EQ(test::readFile(dir / "real.xml"), "old");

    // The user's own settings file kept as a link stays one.
    std::filesystem::create_symlink(dir / "real.xml", dir / "link.xml");
    ASSERT_EQ(document.save(dir / "link.xml", true), XmlOk);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.xml"));
    EXPECT_EQ(test::readFile(dir / "real.xml"), "<New/>\n");
}

TEST(XmlWriter, AnyValueSurvivesAndOldValuesReadAsBefore)
{
    XmlDocument document;
    XmlElement* element = document.addTopLevelElement("E");
    const std::string tricky = "say \"hi\" <b> a/>b &lt; &amp; Tom & Jerry\nline \xff";
    element->addAttribute("v", tricky);
    element->addAttribute("plain", "Tom & Jerry > 3 / 4");
    std::string text;
    element->writeElement(text, 0);
    EXPECT_EQ(text, "<E v=\"say &quot;hi&quot; &lt;b> a/&gt;b &amp;lt; &amp;amp; Tom & Jerry\nline \xff\" "
                    "plain=\"Tom & Jerry > 3 / 4\"/>\n");

    XmlDocument again;
    ASSERT_EQ(parseText(again, text), XmlOk);
    EXPECT_TRUE(again.complete());
    const XmlElement* read = again.findElement("E", false);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->findAttribute("v")->value, tricky);
    EXPECT_EQ(read->findAttribute("plain")->value, "Tom & Jerry > 3 / 4");

    // Only the five predefined references are decoded.
    ASSERT_EQ(parseText(again, "<E v=\"&#34; &foo; &apos;&gt\"/>"), XmlOk);
    EXPECT_EQ(again.findElement("E", false)->findAttribute("v")->value, "&#34; &foo; '&gt");
}

TEST(XmlReader, AFileCutShortIsNotComplete)
{
    XmlDocument document;
    const std::string whole = "<A>\n\t<B n=\"1\"/>\n</A>\n";
    ASSERT_EQ(parseText(document, whole), XmlOk);
    EXPECT_TRUE(document.complete());
    EXPECT_TRUE((parseText(document, ""), document.complete()));
    for (std::size_t cut = 1; cut < whole.size() - 1; ++cut) {
        ASSERT_EQ(parseText(document, whole.substr(0, cut)), XmlOk);
        EXPECT_FALSE(document.complete()) << cut;
    }
    EXPECT_EQ(parseText(document, "<A \"x\"/>"), XmlSyntaxError);
    EXPECT_FALSE(document.complete());
}

TEST(XmlReader, LoadResultsForMissingAndEmptyFiles)
{
    test::TempDir dir;
    XmlDocument document;
    document.addTopLevelElement("Kept");
    EXPECT_EQ(document.load(dir / "missing.xml"), XmlCannotOpen);
    EXPECT_NE(document.findElement("Kept", false), nullptr);  // tree unchanged

    EXPECT_EQ(document.load(dir.path()), XmlCannotOpen);  // a folder is no file

    test::writeFile(dir / "empty.xml", "");
    EXPECT_EQ(document.load(dir / "empty.xml"), XmlOk);
    ASSERT_NE(document.root(), nullptr);
    EXPECT_EQ(document.root()->name, "Root");
    EXPECT_TRUE(document.root()->children.empty());
}

TEST(XmlReader, BackToBackEmptyElementsAreSiblings)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document, "<A><B/><C/></A>"), XmlOk);
    XmlElement* a = document.findElement("A", false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"B", "C"}));
}

TEST(XmlReader, ElementsWithAttributesOpenAtTheSpace)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document,
                        "<Comments>\n\t<Photo Name=\"a.jpg\" Text=\"6869\"/>\n"
                        "\t<Dir Name=\"x\" Text=\"\"/>\n</Comments>\n<After/>"),
              XmlOk);
    XmlElement* comments = document.findElement("Comments", false);
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(childNames(*comments), (std::vector<std::string>{"Photo", "Dir"}));
    EXPECT_EQ(childNames(*document.root()), (std::vector<std::string>{"Comments", "After"}));
    const XmlElement* photo = comments->children.first();
    ASSERT_EQ(photo->attributes.count(), 2u);
    EXPECT_EQ(photo->attributes.first()->name, "Name");
    EXPECT_EQ(photo->attributes.first()->value, "a.jpg");
    EXPECT_EQ(photo->attributes.last()->value, "6869");
}

TEST(XmlReader, ValuesMayHoldSpacesAndEqualsSigns)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document, "<S Name=\"a b=c\" Next=\"2\"/>"), XmlOk);
    XmlElement* s = document.findElement("S", false);
    ASSERT_NE(s, nullptr);
    std::string value;
    EXPECT_EQ(s->getAttribute("Name", value, "", 255), 0);
    EXPECT_EQ(value, "a b=c");
    EXPECT_EQ(s->getAttribute("Next", value, "", 255), 0);
    EXPECT_EQ(value, "2");
}

TEST(XmlReader, SyntaxErrorsFailWithTwoAndKeepWhatWasRead)
{
    XmlDocument tab;
    EXPECT_EQ(parseText(tab, "<Good A=\"1\"/>\n<X\tA=\"1\"/>"), XmlSyntaxError);
    EXPECT_NE(tab.findElement("Good", false), nullptr);

    XmlDocument quote;
    EXPECT_EQ(parseText(quote, "<X \"v\"/>"), XmlSyntaxError);

    XmlDocument twoEquals;
    EXPECT_EQ(parseText(twoEquals, "<X A==\"v\"/>"), XmlSyntaxError);

    // A blank before the equals sign is no error, but the attribute's name is
    // then the empty run after that blank.
    XmlDocument spacedEquals;
    EXPECT_EQ(parseText(spacedEquals, "<X A = \"v\"/>"), XmlOk);
    XmlElement* x = spacedEquals.findElement("X", false);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->findAttribute("A"), nullptr);
    ASSERT_NE(x->findAttribute(""), nullptr);
    EXPECT_EQ(x->findAttribute("")->value, "v");
}

TEST(XmlReader, TextBetweenTagsIsIgnoredAndClosingNamesAreNotCompared)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document, "<A>some text<B>more</Whatever><C/></A>"), XmlOk);
    XmlElement* a = document.findElement("A", false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"B", "C"}));
}

TEST(XmlReader, ExtraClosingTagsKeepTheRootCurrent)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document, "</A></B><C/>/>/><D/>"), XmlOk);
    EXPECT_EQ(childNames(*document.root()), (std::vector<std::string>{"C", "D"}));
}

TEST(XmlReader, DeclarationBecomesParentOfWhatFollows)
{
    XmlDocument document;
    ASSERT_EQ(parseText(document, "<?xml version=\"1.0\"?>\n<A/>"), XmlOk);
    ASSERT_EQ(document.root()->children.count(), 1u);
    EXPECT_EQ(document.root()->children.first()->name, "?xml");
    EXPECT_EQ(document.findElement("A", false), nullptr);
    EXPECT_NE(document.findElement("A", true), nullptr);
}

TEST(XmlReader, LongNamesAreCutAndDeepNestingIsHarmless)
{
    XmlDocument names;
    const std::string longName(100, 'n');
    const std::string text = "<" + longName + " " + longName + "=\"v\"/>";
    ASSERT_EQ(parseText(names, text), XmlOk);
    const XmlElement* element = names.root()->children.first();
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->name, std::string(63, 'n'));
    EXPECT_EQ(element->attributes.first()->name, std::string(63, 'n'));

    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    deep += "<target/>";
    XmlDocument nested;
    ASSERT_EQ(parseText(nested, deep), XmlOk);
    EXPECT_NE(nested.findElement("target", true), nullptr);
}

TEST(XmlLookup, RecursiveFindChildIsPreOrder)
{
    XmlDocument document;
    XmlElement* top = document.addTopLevelElement("Top");
    XmlElement* first = top->addChild("First");
    XmlElement* grandchild = first->addChild("X");
    XmlElement* second = top->addChild("X");

    EXPECT_EQ(top->findChild("X", true), grandchild);
    EXPECT_EQ(top->findChild("X", false), second);
    EXPECT_EQ(top->findChild("x", false), nullptr);  // names are case-sensitive
    EXPECT_EQ(document.findElement("X", true), grandchild);
    EXPECT_EQ(document.findElement("X", false), nullptr);

    XmlDocument none;
    EXPECT_EQ(none.findElement("X", true), nullptr);
}

TEST(XmlLookup, FindChildWithAttributeIgnoresCaseOfNameAndValueOnly)
{
    XmlDocument document;
    XmlElement* comments = document.addTopLevelElement("Comments");
    comments->addChild("Dir")->addAttribute("Name", "img.jpg");
    XmlElement* photo = comments->addChild("Photo");
    photo->addAttribute("Name", "img.jpg");
    XmlElement* unnamed = comments->addChild("Photo");

    EXPECT_EQ(comments->findChildWithAttribute("photo", "Name", "IMG.JPG"), photo);
    EXPECT_EQ(comments->findChildWithAttribute("Photo", "name", "img.jpg"), nullptr);
    EXPECT_EQ(comments->findChildWithAttribute("Photo", "Name", ""), unnamed);
    EXPECT_EQ(comments->findAttribute("Name"), nullptr);
}

TEST(XmlLookup, TypedGettersAndTheirResults)
{
    XmlDocument document;
    XmlElement* e = document.addTopLevelElement("E");
    e->addAttribute("Digits", "12ab");
    e->addAttribute("Letters", "ab");
    e->addAttribute("Signed", "  -42x");
    e->addAttribute("Text", "0123456789");

    int value = 99;
    EXPECT_EQ(e->getIntAttribute("Digits", value, 5), 0);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(e->getIntAttribute("Letters", value, 5), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(e->getIntAttribute("Signed", value, 5), 0);
    EXPECT_EQ(value, -42);
    EXPECT_EQ(e->getIntAttribute("Missing", value, 5), -1);
    EXPECT_EQ(value, 5);

    std::string text;
    EXPECT_EQ(e->getAttribute("Text", text, "d", 4), 0);
    EXPECT_EQ(text, "0123");
    EXPECT_EQ(e->getAttribute("Missing", text, "default", 255), -1);
    EXPECT_EQ(text, "default");

    ChunkBuffer buffer;
    EXPECT_EQ(e->getHexAttribute("Missing", buffer), -1);
    EXPECT_EQ(buffer.length(), 0);
}

TEST(XmlLookup, HexAttributesRoundTripEveryByte)
{
    XmlDocument document;
    XmlElement* e = document.addTopLevelElement("E");
    EXPECT_EQ(e->addHexAttribute("Abc", "abc", 3)->value, "616263");
    EXPECT_EQ(e->addHexAttribute("Empty", "", 0)->value, "");

    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    const std::string& hex = e->addHexAttribute("All", all.data(), 256)->value;
    EXPECT_EQ(hex.substr(0, 8), "00010203");
    EXPECT_EQ(hex.substr(hex.size() - 4), "feff");

    ChunkBuffer abc;
    EXPECT_EQ(e->getHexAttribute("Abc", abc), 0);
    EXPECT_EQ(std::string(abc.data(), 3), "abc");

    ChunkBuffer empty;
    EXPECT_EQ(e->getHexAttribute("Empty", empty), 0);
    EXPECT_EQ(empty.length(), 0);

    ChunkBuffer bytes;
    e->getHexAttribute("All", bytes);
    ASSERT_EQ(bytes.length(), 256);
    EXPECT_EQ(std::string(bytes.data(), 256), all);

    // Upper-case digits read too, and an odd last digit is a byte of its own.
    e->addAttribute("Odd", "4A4");
    ChunkBuffer odd;
    e->getHexAttribute("Odd", odd);
    ASSERT_EQ(odd.length(), 2);
    EXPECT_EQ(odd.data()[0], 'J');
    EXPECT_EQ(odd.data()[1], 4);
}

TEST(XmlLookup, AtoiReading)
{
    EXPECT_EQ(parseIntLikeAtoi("12ab"), 12);
    EXPECT_EQ(parseIntLikeAtoi("+7"), 7);
    EXPECT_EQ(parseIntLikeAtoi("-"), 0);
    EXPECT_EQ(parseIntLikeAtoi(""), 0);
    EXPECT_EQ(parseIntLikeAtoi("\t 16777215"), 16777215);
    EXPECT_EQ(parseIntLikeAtoi("-2147483648"), -2147483647 - 1);
}

}  // namespace
}  // namespace quorvane
