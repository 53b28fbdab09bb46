#include "options/global_options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quorvane {
namespace {

using Roots = std::vector<std::string>;

std::string optionsFile(const std::string& settings)
{
    return "<QuorvaneOptions Version=\"1\">\n" + settings + "</QuorvaneOptions>\n";
}

TEST(GlobalOptions, NewRecordSavesEveryElementInOrder)
{
    test::TempDir dir;
    GlobalOptions options;
    ASSERT_TRUE(options.save(dir / "QuorvaneCfg.xml"));
    EXPECT_EQ(test::readFile(dir / "QuorvaneCfg.xml"),
              "<QuorvaneOptions Version=\"1\">\n"
              "\t<ReduceFilter n=\"0\"/>\n"
              "\t<MagFilter n=\"1\"/>\n"
              "\t<LoadThumbnails b=\"1\"/>\n"
              "\t<AutoSave b=\"1\"/>\n"
              "\t<Projects/>\n"
              "</QuorvaneOptions>\n");

    options.reduceFilter = 3;
    options.magFilter = 0;
    options.loadThumbnails = 0;
    options.autoSave = 0;
    options.recentRoots = {"/home/u/Photos", "/media/Card 1"};
    ASSERT_TRUE(options.save(dir / "QuorvaneCfg.xml"));
    EXPECT_EQ(test::readFile(dir / "QuorvaneCfg.xml"),
              "<QuorvaneOptions Version=\"1\">\n"
              "\t<ReduceFilter n=\"3\"/>\n"
              "\t<MagFilter n=\"0\"/>\n"
              "\t<LoadThumbnails b=\"0\"/>\n"
              "\t<AutoSave b=\"0\"/>\n"
              "\t<Projects>\n"
              "\t\t<Project Name=\"/home/u/Photos\"/>\n"
              "\t\t<Project Name=\"/media/Card 1\"/>\n"
              "\t</Projects>\n"
              "</QuorvaneOptions>\n");

    GlobalOptions loaded;
    loaded.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(loaded.reduceFilter, 3);
    EXPECT_EQ(loaded.magFilter, 0);
    EXPECT_EQ(loaded.loadThumbnails, 0);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.recentRoots, (Roots{"/home/u/Photos", "/media/Card 1"}));

    // A missing folder is made; one that cannot be made fails the save.
    test::writeFile(dir / "file", "");
    EXPECT_FALSE(options.save(dir / "file" / "QuorvaneCfg.xml"));
}

TEST(GlobalOptions, WindowGeometryFollowsTheProjectsAndOnlyWhenStored)
{
    test::TempDir dir;
    GlobalOptions options;
    options.recentRoots = {"/p"};
    options.mainWindow = {10, -20, 1200, 700};
    ASSERT_TRUE(options.save(dir / "QuorvaneCfg.xml"));
    EXPECT_EQ(test::readFile(dir / "QuorvaneCfg.xml"),
              "<QuorvaneOptions Version=\"1\">\n"
              "\t<ReduceFilter n=\"0\"/>\n"
              "\t<MagFilter n=\"1\"/>\n"
              "\t<LoadThumbnails b=\"1\"/>\n"
              "\t<AutoSave b=\"1\"/>\n"
              "\t<Projects>\n"
              "\t\t<Project Name=\"/p\"/>\n"
              "\t</Projects>\n"
              "\t<MainWindowGeometry x=\"10\" y=\"-20\" w=\"1200\" h=\"700\"/>\n"
              "</QuorvaneOptions>\n");
    GlobalOptions loaded;
    loaded.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(loaded.recentRoots, (Roots{"/p"}));
    EXPECT_EQ(loaded.mainWindow.x, 10);
    EXPECT_EQ(loaded.mainWindow.y, -20);
    EXPECT_EQ(loaded.mainWindow.width, 1200);
    EXPECT_EQ(loaded.mainWindow.height, 700);
    EXPECT_FALSE(loaded.preview.stored());

    // A size no screen has is a damaged file: the windows open as new.
    test::writeFile(dir / "QuorvaneCfg.xml",
                    optionsFile("\t<PreviewGeometry x=\"0\" y=\"0\" w=\"99999999\" h=\"500\"/>\n"
                                "\t<MainWindowGeometry x=\"0\" y=\"0\" w=\"0\" h=\"500\"/>\n"));
    GlobalOptions damaged;
    damaged.load(dir / "QuorvaneCfg.xml");
    EXPECT_FALSE(damaged.preview.stored());
    EXPECT_FALSE(damaged.mainWindow.stored());
}

TEST(GlobalOptions, ElementsWithoutTheirAttributeTakeTheReaderDefaults)
{
    test::TempDir dir;
    test::writeFile(dir / "QuorvaneCfg.xml",
                    optionsFile("\t<ReduceFilter/>\n\t<MagFilter m=\"0\"/>\n\t<LoadThumbnails/>\n\t<AutoSave/>\n"));
    GlobalOptions options;
    options.reduceFilter = 3;
    options.magFilter = 0;
    options.loadThumbnails = 0;
    options.autoSave = 0;
    options.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(options.reduceFilter, 0);
    EXPECT_EQ(options.magFilter, 1);
    EXPECT_EQ(options.loadThumbnails, 1);
    EXPECT_EQ(options.autoSave, 1);
}

TEST(GlobalOptions, MissingElementsAndFilesKeepTheCurrentValues)
{
    test::TempDir dir;
    GlobalOptions options;
    options.autoSave = 0;
    options.reduceFilter = 2;
    test::writeFile(dir / "QuorvaneCfg.xml", optionsFile("\t<MagFilter n=\"0\"/>\n"));
    options.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(options.autoSave, 0);
    EXPECT_EQ(options.reduceFilter, 2);
    EXPECT_EQ(options.magFilter, 0);

    options.load(dir / "absent.xml");
    test::writeFile(dir / "Other.xml", "<Settings>\n\t<AutoSave b=\"1\"/>\n</Settings>\n");
    options.load(dir / "Other.xml");
    EXPECT_EQ(options.autoSave, 0);
    EXPECT_EQ(options.magFilter, 0);
    EXPECT_TRUE(options.recentRoots.empty());
}

TEST(GlobalOptions, SettingsAreFoundAtAnyDepthAndASyntaxErrorKeepsWhatWasRead)
{
    test::TempDir dir;
    test::writeFile(dir / "QuorvaneCfg.xml",
                    "<Wrapper>\n<QuorvaneOptions>\n\t<Group>\n\t\t<MagFilter n=\"0\"/>\n\t</Group>\n"
                    "\t<ReduceFilter n=\"3\"/>\n\t\"broken\n\t<AutoSave b=\"0\"/>\n</QuorvaneOptions>\n</Wrapper>\n");
    GlobalOptions options;
    options.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(options.magFilter, 0);
    EXPECT_EQ(options.reduceFilter, 3);
    EXPECT_EQ(options.autoSave, 1);
}

TEST(GlobalOptions, EveryListedProjectIsLoadedWithoutLimit)
{
    test::TempDir dir;
    std::string projects = "\t<Projects>\n";
    Roots expected;
    for (int i = 1; i <= 12; ++i) {
        projects += "\t\t<Project Name=\"/albums/" + std::to_string(i) + "\"/>\n";
        expected.push_back("/albums/" + std::to_string(i));
    }
    // Any element name counts; a missing "Name" gives an empty entry; duplicates stay.
    projects += "\t\t<Recent/>\n\t\t<Project Name=\"/albums/1\"/>\n\t</Projects>\n";
    expected.push_back("");
    expected.push_back("/albums/1");
    test::writeFile(dir / "QuorvaneCfg.xml", optionsFile(projects));

    GlobalOptions options;
    options.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(options.recentRoots, expected);

    options.addRecentRoot("/albums/new");
    ASSERT_EQ(options.recentRoots.size(), 10u);
    EXPECT_EQ(options.recentRoots.front(), "/albums/new");
    EXPECT_EQ(options.recentRoots.back(), "/albums/9");
}

TEST(GlobalOptions, RecentRootsKeepTheTenNewestAndMoveMatchesToTheFront)
{
    GlobalOptions options;
    for (int i = 1; i <= 11; ++i)
        options.addRecentRoot("/albums/Trip" + std::to_string(i));
    ASSERT_EQ(options.recentRoots.size(), 10u);
    EXPECT_EQ(options.recentRoots.front(), "/albums/Trip11");
    EXPECT_EQ(options.recentRoots.back(), "/albums/Trip2");

    // Already first: nothing changes.
    options.addRecentRoot("/ALBUMS/trip11");
    EXPECT_EQ(options.recentRoots.front(), "/albums/Trip11");
    EXPECT_EQ(options.recentRoots.size(), 10u);

    // Found elsewhere: moved to the front in its first spelling, order of the rest kept.
    options.addRecentRoot("/albums/TRIP5");
    EXPECT_EQ(options.recentRoots,
              (Roots{"/albums/Trip5", "/albums/Trip11", "/albums/Trip10", "/albums/Trip9", "/albums/Trip8",
                     "/albums/Trip7", "/albums/Trip6", "/albums/Trip4", "/albums/Trip3", "/albums/Trip2"}));
}

TEST(GlobalOptions, SettingsStayInTheCurrentDirectoryOnlyWhenItHoldsThemOrSkins)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "work");
    const test::CurrentDirectory cwd(dir / "work");
    const test::EnvironmentVariable config("XDG_CONFIG_HOME", (dir / "config").c_str());
    const std::filesystem::path userFile = dir / "config" / "quorvane" / "QuorvaneCfg.xml";
    EXPECT_EQ(globalOptionsPath(), userFile);

    // The first save makes the user's folder.
    GlobalOptions options;
    options.addRecentRoot("/albums/Trip");
    ASSERT_TRUE(options.save(globalOptionsPath()));
    GlobalOptions loaded;
    loaded.load(userFile);
    EXPECT_EQ(loaded.recentRoots, Roots{"/albums/Trip"});

    {
        // A relative value is not a base folder: HOME's .config stands in.
        const test::EnvironmentVariable relative("XDG_CONFIG_HOME", "config");
        const test::EnvironmentVariable home("HOME", dir.path().c_str());
        EXPECT_EQ(globalOptionsPath(), dir / ".config" / "quorvane" / "QuorvaneCfg.xml");
    }

    std::filesystem::create_directory(dir / "work" / "Skins");
    EXPECT_EQ(globalOptionsPath(), "QuorvaneCfg.xml");
    std::filesystem::remove(dir / "work" / "Skins");
    test::writeFile(dir / "work" / "QuorvaneCfg.xml", "");
    EXPECT_EQ(globalOptionsPath(), "QuorvaneCfg.xml");
}

}  // namespace
}  // namespace quorvane
