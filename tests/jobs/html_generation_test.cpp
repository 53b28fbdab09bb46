#include "jobs/html_generation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "album/scan.h"
#include "jobs/job_test_support.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

class HtmlGeneration : public ::testing::Test {
protected:
    void SetUp() override
    {
        log.setSink(&host);
        album = dir / "album";
        test::writeFile(album / "r.jpg", "x");
        test::writeFile(album / "A" / "a.jpg", "x");
        test::writeFile(album / "A" / "C" / "c.jpg", "x");
        test::writeFile(album / "B" / "b.jpg", "x");
        project.options = std::make_unique<ProjectOptions>();
        project.options->loaded = 1;
        project.options->useDestPath = 0;
        project.options->skinName = "T";
    }

    void writeSkin(std::string_view main, std::string_view mainLoop)
    {
        test::writeFile(dir / "Skins" / "T" / "Main.qvs", main);
        if (!mainLoop.empty())
            test::writeFile(dir / "Skins" / "T" / "MainLoop.qvs", mainLoop);
    }

    bool generate()
    {
        project.rootPath = album.string();
        project.root = scanDirectory(project.rootPath, *project.options);
        EXPECT_NE(project.root, nullptr);
        host.lines.clear();
        return runHtmlJob(project, log, host, dir / "Skins");
    }

    test::TempDir dir;
    std::filesystem::path album;
    test::ScriptedHost host;
    StatusLog log;
    Project project;
};

TEST_F(HtmlGeneration, DirectoriesRunParentFirstWithTheirRootPath)
{
    writeSkin("", "CREATE_FILE \"order.txt\"\nWRITE_FILE \"{CurrentDirectoryName}|{RootPath}|{IsRoot}\"\nCLOSE_FILE\n");
    ASSERT_TRUE(generate());
    const std::string root = album.string();
    EXPECT_EQ(host.lines, (std::vector<std::string>{
                              "State: Generating HTML",
                              "State: Generating HTML - Dir:" + root + " (4 files)",
                              "State: Generating HTML - Dir:A (2 files)",
                              "State: Generating HTML - Dir:C (1 files)",
                              "State: Generating HTML - Dir:B (1 files)",
                              "State: HTML generation completed",
                          }));
    EXPECT_EQ(test::readFile(album / "order.txt"), "album||1");
    EXPECT_EQ(test::readFile(album / "A" / "order.txt"), "A|../|0");
    EXPECT_EQ(test::readFile(album / "A" / "C" / "order.txt"), "C|../../|0");
    EXPECT_EQ(test::readFile(album / "B" / "order.txt"), "B|../|0");
    EXPECT_EQ(host.busyStates, (std::vector<bool>{true, false}));
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_EQ(host.progressSteps.back(), std::make_pair(4, 4));
}

TEST_F(HtmlGeneration, UnvalidatedProjectOnlyShowsTheMessage)
{
    writeSkin("CREATE_FILE \"main.txt\"\n", "CREATE_FILE \"x.txt\"\n");
    project.options->loaded = 0;
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.messages, (std::vector<std::string>{"Error|Please validate project options first"}));
    EXPECT_TRUE(host.lines.empty());
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_FALSE(std::filesystem::exists(album / "main.txt"));
}

TEST_F(HtmlGeneration, MissingMainLoopIsFoundAfterMainRan)
{
    writeSkin("CREATE_FILE \"main.txt\"\nWRITE_FILE \"{CurrentDirectoryName}\"\nCLOSE_FILE\n", "");
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.lines.back(), "State: MainLoop.qvs : Parse error line -1");
    EXPECT_EQ(test::readFile(album / "main.txt"), "album");
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_EQ(host.busyStates, (std::vector<bool>{true, false}));
}

TEST_F(HtmlGeneration, MainFailuresNameTheirLine)
{
    writeSkin("// nothing\n\nWRITE_FILE \"no file open\"\n", "CREATE_FILE \"x.txt\"\n");
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.lines.back(), "State: Main.qvs : Execution error line 3");
    EXPECT_FALSE(std::filesystem::exists(album / "x.txt"));

    std::filesystem::remove(dir / "Skins" / "T" / "Main.qvs");
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.lines.back(), "State: Main.qvs : Parse error line -1");

    writeSkin("CLOSE_FILE\nset X 1\n", "");
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.lines.back(), "State: Main.qvs : Parse error line 2");
}

TEST_F(HtmlGeneration, AFailingDirectoryStopsTheRest)
{
    writeSkin("", "CREATE_FILE \"page.txt\"\nCLOSE_FILE\nIF IsRoot = 0\nWRITE_FILE \"x\"\nENDIF\n");
    EXPECT_FALSE(generate());
    EXPECT_EQ(host.lines.back(), "State: HTML Generation FAILED. Execution error line 4");
    EXPECT_TRUE(std::filesystem::exists(album / "page.txt"));
    EXPECT_TRUE(std::filesystem::exists(album / "A" / "page.txt"));
    EXPECT_FALSE(std::filesystem::exists(album / "A" / "C" / "page.txt"));
    EXPECT_FALSE(std::filesystem::exists(album / "B" / "page.txt"));
}

TEST_F(HtmlGeneration, APageNameTooLongForTheFileSystemCostsOnlyThatPage)
{
    const std::string longName = std::string(251, 'n') + ".jpg";
    test::writeFile(album / "A" / longName, "x");
    writeSkin("", "FOR_EACH_IMAGE\nCREATE_FILE \"{ImageName}.html\"\nWRITE_FILE \"p\"\nCLOSE_FILE\nEND_FOR\n"
                  "CREATE_FILE \"index.html\"\nCLOSE_FILE\n");
    EXPECT_FALSE(generate());
    const std::string refused =
        "State: Can't create file: File name too long: <" + (album / "A" / (longName + ".html")).string() + ">";
    EXPECT_EQ(std::count(host.lines.begin(), host.lines.end(), refused.substr(0, StatusLog::kMaxLineLength)), 1);
    EXPECT_EQ(host.lines.back(), "State: HTML Generation FAILED. 1 file(s) could not be created");
    for (const char* page : {"r.jpg.html", "A/a.jpg.html", "A/index.html", "A/C/c.jpg.html", "B/index.html"})
        EXPECT_EQ(test::readFile(album / page), std::string(std::string_view(page).ends_with("index.html") ? "" : "p"))
            << page;
}

TEST_F(HtmlGeneration, AFileLeftOpenIsClosedBeforeTheNextDirectory)
{
    writeSkin("", "CREATE_FILE \"open.txt\"\nWRITE_FILE \"{CurrentDirectoryName}\"\n");
    ASSERT_TRUE(generate());
    EXPECT_EQ(test::readFile(album / "A" / "open.txt"), "A");
    EXPECT_EQ(test::readFile(album / "A" / "C" / "open.txt"), "C");
    EXPECT_EQ(test::readFile(album / "B" / "open.txt"), "B");
}

TEST_F(HtmlGeneration, DestinationFoldersAreMadeBeforeEachRun)
{
    project.options->useDestPath = 1;
    project.options->copySource = 0;
    project.options->outputFolder = (dir / "out").string();
    writeSkin("", "CREATE_FILE \"i.txt\"\nWRITE_FILE \"{SrcImagesAvailable}\"\nCLOSE_FILE\n");
    ASSERT_TRUE(generate());
    EXPECT_EQ(test::readFile(dir / "out" / "i.txt"), "0");
    EXPECT_EQ(test::readFile(dir / "out" / "A" / "C" / "i.txt"), "0");
    EXPECT_EQ(test::readFile(dir / "out" / "B" / "i.txt"), "0");
    EXPECT_FALSE(std::filesystem::exists(album / "i.txt"));
}

TEST_F(HtmlGeneration, IndexListsPicturesInTheProjectsOrder)
{
    for (const char* name : {"img10.jpg", "img2.jpg", "img1.jpg"})
        test::writeFile(album / "B" / name, "x");
    project.options->sortMethod = SortNumberInName;
    writeSkin("", "CREATE_FILE \"index.html\"\nFOR_EACH_IMAGE\nWRITE_FILE \"{ImageName}\\n\"\nEND_FOR\nCLOSE_FILE\n");
    ASSERT_TRUE(generate());
    // A name without digits has the number 0 and comes first.
    EXPECT_EQ(test::readFile(album / "B" / "index.html"), "b.jpg\nimg1.jpg\nimg2.jpg\nimg10.jpg\n");
    EXPECT_EQ(test::readFile(album / "index.html"), "r.jpg\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(album / "A" / "C"))
        ++files;
    EXPECT_EQ(files, 2);  // c.jpg and index.html, nothing else
}

TEST_F(HtmlGeneration, ARerunLeavesPagesThatCameOutTheSameUntouched)
{
    writeSkin("", "FOR_EACH_IMAGE\nCREATE_FILE \"{ImageName}.html\"\nWRITE_FILE \"<p>{ImageComment}</p>\"\n"
                  "CLOSE_FILE\nEND_FOR\n");
    ASSERT_TRUE(generate());
    const auto pictureIn = [this](std::initializer_list<const char*> path) {
        AlbumDirectory* directory = project.root.get();
        for (const char* name : path) {
            directory = directory->subdirectories.first();
            while (directory->name != name)
                directory = List<AlbumDirectory>::next(*directory);
        }
        return directory->firstPicture();
    };
    pictureIn({"A", "C"})->setComment("abc");
    pictureIn({"B"})->setComment("gone");
    ASSERT_TRUE(runHtmlJob(project, log, host, dir / "Skins"));
    const auto old = std::filesystem::file_time_type(std::chrono::hours(24 * 365 * 30));
    const char* pages[] = {"r.jpg.html", "A/a.jpg.html", "A/C/c.jpg.html", "B/b.jpg.html"};
    for (const char* page : pages)
        std::filesystem::last_write_time(album / page, old);

    // Longer, same length with other bytes, shorter; r.jpg's page stays.
    pictureIn({"A"})->setComment("longer");
    pictureIn({"A", "C"})->setComment("xyz");
    pictureIn({"B"})->setComment("");
    ASSERT_TRUE(runHtmlJob(project, log, host, dir / "Skins"));
    const std::string expected[] = {"<p></p>", "<p>longer</p>", "<p>xyz</p>", "<p></p>"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(test::readFile(album / pages[i]), expected[i]) << pages[i];
        EXPECT_EQ(std::filesystem::last_write_time(album / pages[i]) == old, i == 0) << pages[i];
    }
}

TEST_F(HtmlGeneration, StoredSkinValuesWinOverDefaultsButNotOverBuiltIns)
{
    auto title = std::make_unique<ScriptVariable>(VarString, "Title");
    title->setText("Stored");
    project.options->skinPrefs.append(std::move(title));
    auto width = std::make_unique<ScriptVariable>(VarInt, "ThumbWidth");
    width->setInt(5);
    project.options->skinPrefs.append(std::move(width));
    auto name = std::make_unique<ScriptVariable>(VarString, "CurrentDirectoryName");
    name->setText("hidden");
    project.options->skinPrefs.append(std::move(name));
    writeSkin("DECLARE_STRING public Title Default\nCREATE_FILE \"m.txt\"\nWRITE_FILE \"{Title} {ThumbWidth}\"\n",
              "DECLARE_STRING public Title Default\nCREATE_FILE \"l.txt\"\n"
              "WRITE_FILE \"{Title} {ThumbWidth} {CurrentDirectoryName}\"\n");
    ASSERT_TRUE(generate());
    EXPECT_EQ(test::readFile(album / "m.txt"), "Stored 200");
    EXPECT_EQ(test::readFile(album / "B" / "l.txt"), "Stored 200 hidden");
}

}  // namespace
}  // namespace quorvane
