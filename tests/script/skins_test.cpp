#include "script/skins.h"

#include <gtest/gtest.h>

#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

std::vector<std::string> prefsText(const ProjectOptions& options)
{
    std::vector<std::string> texts;
    for (const ScriptVariable& variable : options.skinPrefs)
        texts.push_back(variable.name() + "=" + variable.valueText());
    return texts;
}

TEST(Skins, FoldersWithEitherScriptAreSkinsInListingOrder)
{
    test::TempDir dir;
    test::writeFile(dir / "b" / "Main.qvs", "");
    test::writeFile(dir / "A" / "MainLoop.qvs", "");
    test::writeFile(dir / "empty" / "style.css", "");
    test::writeFile(dir / "file.qvs", "");
    std::filesystem::create_directories(dir / "c" / "Main.qvs");  // a folder is no script
    EXPECT_EQ(listSkins(dir.path()), (std::vector<std::string>{"A", "b"}));
    EXPECT_TRUE(skinHasScripts(dir.path(), "b"));
    EXPECT_FALSE(skinHasScripts(dir.path(), "empty"));
    EXPECT_TRUE(listSkins(dir / "missing").empty());
}

TEST(Skins, ReconcilingKeepsStoredValuesAddsNewNamesAndDropsOthers)
{
    test::TempDir dir;
    test::writeFile(dir / "S" / "MainLoop.qvs",
                    "DECLARE_INT public Columns 5\nDECLARE_INT private Rows 3\n"
                    "IF Columns > 2\nDECLARE_COLOR public Accent ff8000\nENDIF\n"
                    "DECLARE_STRING public Title My album\n");
    test::writeFile(dir / "S" / "Main.qvs", "DECLARE_STRING public Title Other\nDECLARE_INT public Extra 1\n");

    ProjectOptions options;
    auto stored = std::make_unique<ScriptVariable>(VarInt, "Columns");
    stored->setInt(6);
    options.skinPrefs.append(std::move(stored));
    auto foreign = std::make_unique<ScriptVariable>(VarString, "OtherSkinTitle");
    options.skinPrefs.append(std::move(foreign));

    const SkinPrefsResult result = reconcileSkinPrefs(options, dir.path(), "S");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(prefsText(options),
              (std::vector<std::string>{"Columns=6", "Accent=ff8000", "Title=My album", "Extra=1"}));
}

TEST(Skins, ParseFailuresLeaveThePrefsAlone)
{
    test::TempDir dir;
    test::writeFile(dir / "S" / "MainLoop.qvs", "DECLARE_INT public Columns 5\nbad line\n");
    test::writeFile(dir / "S" / "Main.qvs", "");
    ProjectOptions options;
    options.skinPrefs.append(std::make_unique<ScriptVariable>(VarInt, "Kept"));

    SkinPrefsResult result = reconcileSkinPrefs(options, dir.path(), "S");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "MainLoop.qvs : Parse error line 2");
    EXPECT_EQ(prefsText(options), (std::vector<std::string>{"Kept=0"}));

    test::writeFile(dir / "S" / "MainLoop.qvs", "DECLARE_INT public Columns 5\n");
    std::filesystem::remove(dir / "S" / "Main.qvs");
    result = reconcileSkinPrefs(options, dir.path(), "S");
    EXPECT_EQ(result.message, "Main.qvs : Parse error line -1");
    EXPECT_EQ(prefsText(options), (std::vector<std::string>{"Kept=0"}));
}

TEST(Skins, SkinWithoutPublicDeclarationsEmptiesThePrefs)
{
    test::TempDir dir;
    test::writeFile(dir / "S" / "MainLoop.qvs", "DECLARE_INT private Rows 3\n");
    test::writeFile(dir / "S" / "Main.qvs", "");
    ProjectOptions options;
    options.skinPrefs.append(std::make_unique<ScriptVariable>(VarInt, "Columns"));
    EXPECT_TRUE(reconcileSkinPrefs(options, dir.path(), "S").ok);
    EXPECT_TRUE(options.skinPrefs.empty());
}

TEST(Skins, UserSkinsComeFirstUnlessTheCurrentDirectoryHasSkins)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "work");
    const test::CurrentDirectory cwd(dir / "work");
    const test::EnvironmentVariable data("XDG_DATA_HOME", (dir / "data").c_str());
    const std::filesystem::path user = dir / "data" / "quorvane" / "Skins";
    test::writeFile(user / "Mine" / "Main.qvs", "");

    const std::vector<std::filesystem::path> searchPath = skinSearchPath();
    ASSERT_FALSE(searchPath.empty());
    EXPECT_EQ(searchPath.front(), user);
    EXPECT_EQ(skinsFolder("Mine"), user);

    // A "Skins" folder in the current directory is the only one looked at.
    test::writeFile(dir / "work" / "Skins" / "Local" / "MainLoop.qvs", "");
    EXPECT_EQ(skinSearchPath(), std::vector<std::filesystem::path>{"Skins"});
    EXPECT_EQ(availableSkins(), std::vector<std::string>{"Local"});
    EXPECT_EQ(skinsFolder("Mine"), "Skins");
}

TEST(Skins, AnEarlierFolderHidesASkinOfTheSameNameAndTheListIsMerged)
{
    test::TempDir dir;
    test::writeFile(dir / "user" / "Default" / "Main.qvs", "");
    test::writeFile(dir / "user" / "zeta" / "Main.qvs", "");
    test::writeFile(dir / "installed" / "Default" / "Main.qvs", "");
    test::writeFile(dir / "installed" / "Plain" / "MainLoop.qvs", "");
    const std::vector<std::filesystem::path> searchPath = {dir / "user", dir / "installed"};

    EXPECT_EQ(availableSkins(searchPath), (std::vector<std::string>{"Default", "Plain", "zeta"}));
    EXPECT_EQ(skinsFolder("Default", searchPath), dir / "user");
    EXPECT_EQ(skinsFolder("Plain", searchPath), dir / "installed");
    // An unknown skin is reported in the first folder.
    EXPECT_EQ(skinsFolder("Gone", searchPath), dir / "user");
    EXPECT_EQ(skinsFolder("Gone", {}), "Skins");
}

}  // namespace
}  // namespace quorvane
