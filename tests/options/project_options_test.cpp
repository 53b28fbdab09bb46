#include "options/project_options.h"

#include <gtest/gtest.h>

#include "options/password_store.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

constexpr char kNewRecordFile[] =
    "<ProjectOptions Version=\"1\">\n"
    "\t<ReduceFilter n=\"2\"/>\n"
    "\t<MagFilter n=\"1\"/>\n"
    "\t<Skin name=\"\"/>\n"
    "\t<FTPServerName name=\"\"/>\n"
    "\t<FTPLogin name=\"\"/>\n"
    "\t<FTPPassword pass=\"\"/>\n"
    "\t<FTPRemotePath path=\"\"/>\n"
    "\t<FTPPort port=\"21\"/>\n"
    "\t<ThmDirImgWidth n=\"50\"/>\n"
    "\t<ThmDirImgHeight n=\"37\"/>\n"
    "\t<nbDirThumbsX n=\"4\"/>\n"
    "\t<nbDirThumbsY n=\"4\"/>\n"
    "\t<ThumbWidth n=\"200\"/>\n"
    "\t<ThumbHeight n=\"150\"/>\n"
    "\t<IntermediateWidth n=\"640\"/>\n"
    "\t<IntermediateHeight n=\"480\"/>\n"
    "\t<IntermediateActive n=\"1\"/>\n"
    "\t<UseDestPath n=\"1\"/>\n"
    "\t<ParseExif n=\"0\"/>\n"
    "\t<CopySource n=\"1\"/>\n"
    "\t<OutputFolder dir=\"album\"/>\n"
    "\t<SortMethod n=\"2\"/>\n"
    "\t<SkinPrefs/>\n"
    "\t<ExifOrientation n=\"1\"/>\n"
    "\t<TodaysFormats n=\"1\"/>\n"
    "\t<PictureBackground rgb=\"ffffff\"/>\n"
    "\t<HighDensity n=\"1\"/>\n"
    "\t<FastDecoding n=\"1\"/>\n"
    "</ProjectOptions>\n";

TEST(ProjectOptions, NewRecordSavesEveryElementInOrder)
{
    test::TempDir dir;
    ProjectOptions options;
    EXPECT_EQ(options.dirThumbWidth(), 200);
    EXPECT_EQ(options.dirThumbHeight(), 148);
    ASSERT_TRUE(options.save(dir / "ProjectOptions.xml"));
    EXPECT_EQ(test::readFile(dir / "ProjectOptions.xml"), kNewRecordFile);
}

TEST(ProjectOptions, LoadReadsBackWhatSaveWrote)
{
    test::TempDir dir;
    ProjectOptions options;
    options.reduceFilter = FilterLanczos3;
    options.skinName = "Default";
    options.ftpServerName = "ftp.example.org";
    options.ftpPort = 2121;
    options.outputFolder = "/srv/www/album";
    options.sortMethod = SortShotTime;
    options.parseExif = 1;
    auto color = std::make_unique<ScriptVariable>(VarColor, "TextColor");
    color->setInt(0x0000ff);
    options.skinPrefs.append(std::move(color));
    auto columns = std::make_unique<ScriptVariable>(VarInt, "Columns");
    columns->setInt(-3);
    options.skinPrefs.append(std::move(columns));
    auto title = std::make_unique<ScriptVariable>(VarString, "Title");
    title->setText("My trip");
    options.skinPrefs.append(std::move(title));
    ASSERT_TRUE(options.save(dir / "p.xml"));

    const std::string text = test::readFile(dir / "p.xml");
    EXPECT_NE(text.find("\t\t<Variable name=\"TextColor\" val=\"0000ff\" t=\"1\"/>\n"
                        "\t\t<Variable name=\"Columns\" val=\"-3\" t=\"0\"/>\n"
                        "\t\t<Variable name=\"Title\" val=\"My trip\" t=\"2\"/>\n"),
              std::string::npos)
        << text;

    ProjectOptions reread;
    ASSERT_TRUE(reread.load(dir / "p.xml"));
    EXPECT_EQ(reread.loaded, 1);
    EXPECT_EQ(reread.reduceFilter, FilterLanczos3);
    EXPECT_EQ(reread.skinName, "Default");
    EXPECT_EQ(reread.ftpServerName, "ftp.example.org");
    EXPECT_EQ(reread.ftpPort, 2121);
    EXPECT_EQ(reread.outputFolder, "/srv/www/album");
    EXPECT_EQ(reread.sortMethod, SortShotTime);
    EXPECT_EQ(reread.parseExif, 1);
    ASSERT_EQ(reread.skinPrefs.count(), 3u);
    const ScriptVariable* first = reread.skinPrefs.first();
    EXPECT_EQ(first->type(), VarColor);
    EXPECT_EQ(first->intValue(), 0xff);
    EXPECT_EQ(reread.skinPrefs.last()->text(), "My trip");

    ASSERT_TRUE(reread.save(dir / "again.xml"));
    EXPECT_EQ(test::readFile(dir / "again.xml"), text);
}

TEST(ProjectOptions, MissingElementsKeepNewValuesAndMissingAttributesTakeReaderDefaults)
{
    test::TempDir dir;
    test::writeFile(dir / "empty.xml", "<ProjectOptions/>\n");
    ProjectOptions empty;
    ASSERT_TRUE(empty.load(dir / "empty.xml"));
    EXPECT_EQ(empty.loaded, 1);
    EXPECT_EQ(empty.intermediateWidth, 640);
    EXPECT_EQ(empty.thmDirImgWidth, 50);
    EXPECT_EQ(empty.sortMethod, SortWholeName);
    EXPECT_EQ(empty.useDestPath, 1);
    EXPECT_TRUE(empty.skinPrefs.empty());

    test::writeFile(dir / "bare.xml",
                    "<ProjectOptions Version=\"7\">\n\t<ThumbWidth/>\n\t<IntermediateWidth/>\n"
                    "\t<ThmDirImgWidth/>\n\t<nbDirThumbsX/>\n\t<UseDestPath/>\n\t<ParseExif/>\n"
                    "\t<SortMethod/>\n\t<OutputFolder/>\n\t<FTPPort/>\n\t<IntermediateActive/>\n"
                    "</ProjectOptions>\n");
    ProjectOptions bare;
    bare.thumbWidth = 1;
    ASSERT_TRUE(bare.load(dir / "bare.xml"));
    EXPECT_EQ(bare.thumbWidth, 200);
    EXPECT_EQ(bare.intermediateWidth, 800);
    EXPECT_EQ(bare.thmDirImgWidth, 64);
    EXPECT_EQ(bare.nbDirThumbsX, 5);
    EXPECT_EQ(bare.useDestPath, 0);
    EXPECT_EQ(bare.parseExif, 1);
    EXPECT_EQ(bare.sortMethod, SortNumberInName);
    EXPECT_EQ(bare.outputFolder, "album");
    EXPECT_EQ(bare.ftpPort, 21);
    EXPECT_EQ(bare.intermediateActive, 0);
    EXPECT_EQ(bare.thumbHeight, 150);

    // Settings are found anywhere below the top element.
    test::writeFile(dir / "nested.xml",
                    "<ProjectOptions>\n\t<Group>\n\t\t<ThumbHeight n=\"99x\"/>\n\t</Group>\n</ProjectOptions>\n");
    ProjectOptions nested;
    ASSERT_TRUE(nested.load(dir / "nested.xml"));
    EXPECT_EQ(nested.thumbHeight, 99);
}

TEST(ProjectOptions, FailedLoadChangesNothing)
{
    test::TempDir dir;
    ProjectOptions options;
    options.thumbWidth = 123;
    EXPECT_FALSE(options.load(dir / "missing.xml"));

    test::writeFile(dir / "other.xml", "<GlobalOptions>\n\t<ThumbWidth n=\"5\"/>\n</GlobalOptions>\n");
    EXPECT_FALSE(options.load(dir / "other.xml"));

    test::writeFile(dir / "broken.xml", "<ProjectOptions>\n\t<ThumbWidth \"5\"/>\n</ProjectOptions>\n");
    EXPECT_FALSE(options.load(dir / "broken.xml"));
    EXPECT_EQ(options.thumbWidth, 123);
    EXPECT_EQ(options.loaded, 0);
}

TEST(ProjectOptions, SkinPrefsAreAppendedWhateverTheirElementName)
{
    test::TempDir dir;
    test::writeFile(dir / "prefs.xml",
                    "<ProjectOptions>\n\t<SkinPrefs>\n"
                    "\t\t<Variable name=\"Accent\" val=\"FF8000\" t=\"1\"/>\n"
                    "\t\t<Other name=\"NoHex\" val=\"zz\" t=\"1\"/>\n"
                    "\t\t<Variable name=\"Untyped\" val=\"12\"/>\n"
                    "\t\t<Variable name=\"Odd\" val=\"x\" t=\"7\"/>\n"
                    "\t</SkinPrefs>\n</ProjectOptions>\n");
    ProjectOptions options;
    options.skinPrefs.append(std::make_unique<ScriptVariable>(VarInt, "Existing"));
    ASSERT_TRUE(options.load(dir / "prefs.xml"));
    std::vector<std::string> texts;
    for (const ScriptVariable& variable : options.skinPrefs)
        texts.push_back(variable.name() + "=" + variable.valueText() + "/" + std::to_string(variable.type()));
    EXPECT_EQ(texts, (std::vector<std::string>{"Existing=0/0", "Accent=ff8000/1", "NoHex=000000/1",
                                               "Untyped=12/0", "Odd=/7"}));
}

TEST(ProjectOptions, CopiesAreDeep)
{
    ProjectOptions options;
    auto title = std::make_unique<ScriptVariable>(VarString, "Title");
    title->setText("A");
    options.skinPrefs.append(std::move(title));
    ProjectOptions copy = options;
    copy.skinPrefs.first()->setText("B");
    copy.thumbWidth = 1;
    EXPECT_EQ(options.skinPrefs.first()->text(), "A");
    EXPECT_EQ(options.thumbWidth, 200);
    options = copy;
    EXPECT_EQ(options.skinPrefs.first()->text(), "B");
    EXPECT_EQ(options.skinPrefs.count(), 1u);
}

TEST(ProjectOptions, SaveReportsAFileThatCannotBeWritten)
{
    test::TempDir dir;
    ProjectOptions options;
    EXPECT_FALSE(options.save(dir / "no" / "such" / "ProjectOptions.xml"));
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(ProjectOptions, SettingsByElementNameAreCheckedBeforeTheyChangeTheRecord)
{
    ProjectOptions options;
    std::string error;
    EXPECT_TRUE(setOptionByElementName(options, "ThumbWidth", "320", error));
    EXPECT_EQ(options.thumbWidth, 320);
    EXPECT_TRUE(setOptionByElementName(options, "FTPPort", "-1", error));
    EXPECT_EQ(options.ftpPort, -1);
    EXPECT_TRUE(setOptionByElementName(options, "OutputFolder", "/srv/album", error));
    EXPECT_EQ(options.outputFolder, "/srv/album");
    EXPECT_TRUE(setOptionByElementName(options, "Skin", "Default", error));
    EXPECT_EQ(options.skinName, "Default");

    EXPECT_FALSE(setOptionByElementName(options, "ThumbWidth", "12ab", error));
    EXPECT_EQ(error, "ThumbWidth needs a whole number, not '12ab'");
    EXPECT_FALSE(setOptionByElementName(options, "ThumbHeight", "", error));
    EXPECT_FALSE(setOptionByElementName(options, "ThumbHeight", "99999999999", error));
    EXPECT_FALSE(setOptionByElementName(options, "thumbwidth", "1", error));
    EXPECT_EQ(error, "unknown option 'thumbwidth'");
    EXPECT_FALSE(setOptionByElementName(options, "SkinPrefs", "", error));
    EXPECT_FALSE(setOptionByElementName(options, "FTPLogin", std::string(256, 'x'), error));
    EXPECT_EQ(error, "FTPLogin holds at most 255 characters");
    EXPECT_EQ(options.thumbWidth, 320);
    EXPECT_EQ(options.thumbHeight, 150);
    EXPECT_EQ(options.ftpLogin, "");

    const std::vector<std::string> names = optionElementNames();
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(names.front(), "ReduceFilter");
    EXPECT_EQ(names.back(), "FastDecoding");

    EXPECT_TRUE(setOptionByElementName(options, "PictureBackground", "1A2b3C", error));
    EXPECT_EQ(options.pictureBackground, 0x1a2b3c);
    EXPECT_FALSE(setOptionByElementName(options, "PictureBackground", "fff", error));
    EXPECT_EQ(error, "PictureBackground needs six hex digits (rrggbb), not 'fff'");
    EXPECT_TRUE(setOptionByElementName(options, "TodaysFormats", "0", error));
    EXPECT_EQ(options.todaysFormats, 0);
    EXPECT_FALSE(setOptionByElementName(options, "ExifOrientation", "on", error));
    EXPECT_EQ(options.exifOrientation, 1);
}

// Files written before the added settings existed keep their old output:
// orientation on (every browser honours it), today's formats, high-density
// images and fast decoding off. Present elements without their attribute read the same way.
TEST(ProjectOptions, AddedSettingsMissingFromAFileKeepOldProjectsAsTheyWere)
{
    test::TempDir dir;
    test::writeFile(dir / "old.xml", "<ProjectOptions Version=\"1\">\n\t<SkinPrefs/>\n</ProjectOptions>\n");
    ProjectOptions old;
    ASSERT_TRUE(old.load(dir / "old.xml"));
    EXPECT_EQ(old.exifOrientation, 1);
    EXPECT_EQ(old.todaysFormats, 0);
    EXPECT_EQ(old.pictureBackground, 0xffffff);
    EXPECT_EQ(old.highDensity, 0);
    EXPECT_EQ(old.fastDecoding, 0);

    test::writeFile(dir / "bare.xml", "<ProjectOptions><ExifOrientation/><TodaysFormats/>"
                                      "<PictureBackground/><HighDensity/><FastDecoding/></ProjectOptions>");
    ProjectOptions bare;
    ASSERT_TRUE(bare.load(dir / "bare.xml"));
    EXPECT_EQ(bare.exifOrientation, 1);
    EXPECT_EQ(bare.todaysFormats, 0);
    EXPECT_EQ(bare.pictureBackground, 0xffffff);
    EXPECT_EQ(bare.highDensity, 0);
    EXPECT_EQ(bare.fastDecoding, 0);

    ProjectOptions changed;
    changed.exifOrientation = 0;
    changed.pictureBackground = 0x000080;
    changed.highDensity = 0;
    changed.fastDecoding = 0;
    ASSERT_TRUE(changed.save(dir / "p.xml"));
    ProjectOptions reread;
    ASSERT_TRUE(reread.load(dir / "p.xml"));
    EXPECT_EQ(reread.exifOrientation, 0);
    EXPECT_EQ(reread.todaysFormats, 1);
    EXPECT_EQ(reread.pictureBackground, 0x000080);
    EXPECT_EQ(reread.highDensity, 0);
    EXPECT_EQ(reread.fastDecoding, 0);
}

// The album is published: its settings file must not carry the password.
TEST(ProjectOptions, PasswordsMoveFromTheFileToTheUsersStore)
{
    test::TempDir dir;
    const test::EnvironmentVariable config("XDG_CONFIG_HOME", (dir / "config").c_str());
    std::string old = kNewRecordFile;
    old.replace(old.find("<FTPServerName name=\"\"/>"), 24, "<FTPServerName name=\"ftp.example.org\"/>");
    old.replace(old.find("<FTPLogin name=\"\"/>"), 19, "<FTPLogin name=\"me\"/>");
    old.replace(old.find("<FTPPassword pass=\"\"/>"), 22, "<FTPPassword pass=\"old secret\"/>");
    test::writeFile(dir / "ProjectOptions.xml", old);

    ProjectOptions options;
    ASSERT_TRUE(options.load(dir / "ProjectOptions.xml"));
    EXPECT_EQ(options.ftpPassword, "old secret");
    ASSERT_TRUE(options.save(dir / "ProjectOptions.xml"));
    std::string moved = old;
    moved.replace(moved.find("pass=\"old secret\""), 17, "pass=\"\"");
    EXPECT_EQ(test::readFile(dir / "ProjectOptions.xml"), moved);
    EXPECT_EQ(test::readFile(dir / "config" / "quorvane" / "passwords"), "ftp.example.org\t21\tme\told secret\n");

    ProjectOptions reread;
    ASSERT_TRUE(reread.load(dir / "ProjectOptions.xml"));
    EXPECT_EQ(reread.ftpPassword, "old secret");
    // Another login on the same server has a password of its own.
    reread.ftpLogin = "you";
    reread.ftpPassword = "tab\there";
    reread.ftpAllowPlain = 1;
    ASSERT_TRUE(reread.save(dir / "ProjectOptions.xml"));
    EXPECT_TRUE(test::readFile(dir / "ProjectOptions.xml").ends_with("\t<FTPAllowPlain n=\"1\"/>\n\t<FastDecoding n=\"1\"/>\n</ProjectOptions>\n"));
    EXPECT_EQ(lookupPassword({"FTP.example.org", 21, "you"}), "tab\there");
    EXPECT_EQ(lookupPassword({"ftp.example.org", 21, "me"}), "old secret");
    EXPECT_EQ(lookupPassword({"ftp.example.org", 2121, "me"}), std::nullopt);

    // Clearing the password forgets it.
    reread.ftpPassword.clear();
    ASSERT_TRUE(reread.save(dir / "ProjectOptions.xml"));
    EXPECT_EQ(lookupPassword({"ftp.example.org", 21, "you"}), std::nullopt);
    ProjectOptions plain;
    ASSERT_TRUE(plain.load(dir / "ProjectOptions.xml"));
    EXPECT_EQ(plain.ftpAllowPlain, 1);

    // A store that cannot be read is never written over: the password stays
    // in the file rather than being lost.
    std::filesystem::remove(dir / "config" / "quorvane" / "passwords");
    std::filesystem::create_directory(dir / "config" / "quorvane" / "passwords");
    plain.ftpPassword = "kept";
    ASSERT_TRUE(plain.save(dir / "ProjectOptions.xml"));
    EXPECT_NE(test::readFile(dir / "ProjectOptions.xml").find("<FTPPassword pass=\"kept\"/>"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "config" / "quorvane" / "passwords"));
}

TEST(ProjectOptions, SizesOutsideTheirLimitsAreRefusedOnSetAndClampedOnLoad)
{
    ProjectOptions options;
    std::string error;
    EXPECT_FALSE(setOptionByElementName(options, "ThumbWidth", "-5", error));
    EXPECT_EQ(error, "ThumbWidth must be from 1 to 16384, not -5");
    EXPECT_FALSE(setOptionByElementName(options, "ThumbHeight", "0", error));
    EXPECT_FALSE(setOptionByElementName(options, "nbDirThumbsX", "100000", error));
    EXPECT_EQ(error, "nbDirThumbsX must be from 1 to 64, not 100000");
    EXPECT_FALSE(setOptionByElementName(options, "ThmDirImgHeight", "70000", error));
    EXPECT_FALSE(setOptionByElementName(options, "Skin", "../../Photos/.evil", error));
    EXPECT_EQ(error, "The skin name '../../Photos/.evil' is not the name of a folder in Skins");
    EXPECT_FALSE(setOptionByElementName(options, "Skin", "..", error));
    EXPECT_EQ(options.thumbWidth, 200);
    EXPECT_EQ(options.skinName, "");
    EXPECT_TRUE(setOptionByElementName(options, "nbDirThumbsX", "64", error));
    EXPECT_TRUE(setOptionByElementName(options, "ThmDirImgWidth", "16384", error));
    EXPECT_EQ(checkCompositeLimit(options).value_or(""),
              "the folder thumbnail would be 1048639 x 151 pixels; it may have at most 16384 pixels on a side and "
              "16777216 in all (nbDirThumbsX, ThmDirImgWidth, nbDirThumbsY, ThmDirImgHeight)");

    // A downloaded album's file: sizes that would crash or leave pictures
    // out are brought inside the limits, each with a warning.
    test::TempDir dir;
    test::writeFile(dir / "big.xml",
                    "<ProjectOptions>\n\t<Skin name=\"/home/u/Photos/.evil\"/>\n\t<ThmDirImgWidth n=\"70000\"/>\n"
                    "\t<ThmDirImgHeight n=\"70000\"/>\n\t<nbDirThumbsX n=\"100000\"/>\n"
                    "\t<nbDirThumbsY n=\"100000\"/>\n\t<ThumbWidth n=\"-5\"/>\n</ProjectOptions>\n");
    ProjectOptions loaded;
    ASSERT_TRUE(loaded.load(dir / "big.xml"));
    EXPECT_EQ(loaded.thumbWidth, 1);
    EXPECT_EQ(loaded.nbDirThumbsX, 64);
    EXPECT_EQ(loaded.nbDirThumbsY, 64);
    EXPECT_EQ(loaded.thmDirImgWidth, 60);
    EXPECT_EQ(loaded.thmDirImgHeight, 60);
    EXPECT_LE(compositePixels(loaded), kLargestCompositePixels);
    ASSERT_EQ(loaded.loadWarnings.size(), 7u);
    EXPECT_EQ(loaded.loadWarnings[0], "ThumbWidth -5 is outside 1 to 16384: 1 is used");
    EXPECT_EQ(loaded.loadWarnings[5], "the folder thumbnail exceeded 16384 pixels on a side or 16777216 in all: its cells are made 60 x 60");
    EXPECT_EQ(loaded.loadWarnings[6],
              "The skin name '/home/u/Photos/.evil' is not the name of a folder in Skins");
}

TEST(ProjectOptions, AnyTextSurvivesTheFileAndADamagedFileIsToldFromAMissingOne)
{
    test::TempDir dir;
    const test::EnvironmentVariable config("XDG_CONFIG_HOME", (dir / "config").c_str());
    ProjectOptions options;
    const std::string tricky = "say \"hi\" <b> a/>b &amp; c";
    options.outputFolder = "/srv/\"www\"/a/>b";
    options.ftpPassword = tricky;
    options.skinPrefs.append(std::make_unique<ScriptVariable>(VarString, "Title"))->setText(tricky);
    ASSERT_TRUE(options.save(dir / "ProjectOptions.xml"));

    ProjectOptions read;
    std::string damage;
    ASSERT_EQ(read.read(dir / "ProjectOptions.xml", damage), ProjectOptions::FileState::Read) << damage;
    EXPECT_EQ(read.outputFolder, "/srv/\"www\"/a/>b");
    EXPECT_EQ(read.ftpPassword, tricky);
    EXPECT_EQ(test::variableTexts(read.skinPrefs), std::vector<std::string>{"Title=" + tricky});
    EXPECT_EQ(read.loaded, 1);

    EXPECT_EQ(ProjectOptions().read(dir / "missing.xml", damage), ProjectOptions::FileState::Missing);
    // Cut short: the settings before the cut are taken, but the file does not count as read.
    const std::string whole = test::readFile(dir / "ProjectOptions.xml");
    test::writeFile(dir / "cut.xml", whole.substr(0, whole.find("\t<ThumbHeight")));
    ProjectOptions cut;
    cut.thumbWidth = 1;
    EXPECT_EQ(cut.read(dir / "cut.xml", damage), ProjectOptions::FileState::Damaged);
    EXPECT_EQ(damage, "the file ends before its elements do");
    EXPECT_EQ(cut.thumbWidth, 200);
    EXPECT_EQ(cut.loaded, 0);
    test::writeFile(dir / "other.xml", "<GlobalOptions/>\n");
    EXPECT_EQ(ProjectOptions().read(dir / "other.xml", damage), ProjectOptions::FileState::Damaged);

    const std::string copy = keepDamagedCopy(dir / "cut.xml");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy.rfind((dir / "cut.xml.damaged-").string(), 0), 0u);
    EXPECT_EQ(test::readFile(copy), test::readFile(dir / "cut.xml"));
}

}  // namespace
}  // namespace quorvane
