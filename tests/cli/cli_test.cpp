#include <gtest/gtest.h>

#include <chrono>

#include "cli/cli_fixture.h"
#include "imaging/movie_frame.h"
#include "support/movie_clips.h"

namespace quorvane {
namespace {

TEST_F(Cli, InitThenBuildMakesTheWholeAlbum)
{
    const std::filesystem::path album = sampleAlbum();
    const std::filesystem::path site = dir / "site";
    CliRun init = cli({"init", album.string(), "--set", "OutputFolder=" + site.string(), "--set", "ParseExif=1"});
    ASSERT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(init.out, (album / "ProjectOptions.xml").string() + "\n");

    CliRun build = cli({"build", album.string()});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out, (site / "index.html").string() + "\n");
    EXPECT_NE(build.err.find("State: Scan completed\n"), std::string::npos);
    EXPECT_NE(build.err.find("State: Processing " + (album / "Space" / "rocket.jpg").string() + "\n"),
              std::string::npos);
    EXPECT_NE(build.err.find("State: Thumbnails generation completed\n"), std::string::npos);
    EXPECT_NE(build.err.find("State: HTML generation completed\n"), std::string::npos);
    for (const char* file : {"index.html", "style.css", "thm_cat.jpg", "inter_cat.jpg", "cat.jpg",
                             "cat.jpg.html", "thm_dir_Nature.jpg", "Nature/index.html",
                             "Nature/thm_dir_Flowers.jpg", "Nature/Flowers/thm_flower10.jpg",
                             "Nature/Flowers/inter_flower2.jpg", "Space/rocket.jpg.html"})
        EXPECT_TRUE(std::filesystem::exists(site / file)) << file;
    EXPECT_FALSE(std::filesystem::exists(album / "thm_cat.jpg"));
    const std::string index = test::readFile(site / "index.html");
    EXPECT_NE(index.find("Chelsea the cat"), std::string::npos);
}

TEST_F(Cli, MoviesGetPostersAndPagesAndBrokenOnesFailTheBuildByName)
{
    const std::filesystem::path album = dir / "phone";
    const std::filesystem::path site = dir / "site";
    writePicture(album / "photo.jpg");
    test::ClipSpec spec;
    spec.frames = 12;  // 1.1 to 1.2 s: "0:01"
    const bool h264 = test::hasEncoder("libx264");
    spec.encoder = h264 ? "libx264" : "mpeg4";
    spec.paint = [](int, Image& picture) { test::paintSolid(picture, 40, 90, 200); };
    ASSERT_EQ(test::writeClip((album / "clip.mp4").string(), spec), "");
    test::writeFile(album / "broken.mov", "moov? no");

    CliRun init = cli({"init", album.string(), "--set", "OutputFolder=" + site.string()});
    ASSERT_EQ(init.exitCode, 0) << init.err;
    CliRun build = cli({"build", album.string()});
    EXPECT_EQ(build.exitCode, 1) << build.err;
    EXPECT_NE(build.err.find("State: No poster: " + (album / "broken.mov").string() +
                             " is no movie this program reads\n"),
              std::string::npos)
        << build.err;
    for (const char* file : {"thm_clip.mp4.jpg", "inter_clip.mp4.jpg", "clip.mp4", "clip.mp4.html",
                             "thm_photo.jpg", "photo.jpg.html"})
        EXPECT_TRUE(std::filesystem::exists(site / file)) << file;
    EXPECT_FALSE(std::filesystem::exists(site / "broken.mov.html"));
    const std::string index = test::readFile(site / "index.html");
    EXPECT_NE(index.find("<a href=\"clip.mp4.html\"><img src=\"thm_clip.mp4.jpg\""), std::string::npos);
    EXPECT_NE(index.find("<span class=\"duration\">0:01</span>"), std::string::npos);
    EXPECT_NE(index.find("<a class=\"file\" href=\"broken.mov\">broken.mov</a>"), std::string::npos);
    const std::string page = test::readFile(site / "clip.mp4.html");
    if (h264) {
        EXPECT_NE(page.find("<video controls preload=\"metadata\" poster=\"inter_clip.mp4.jpg\" width=\"64\" "
                            "height=\"48\" src=\"clip.mp4\"></video>"),
                  std::string::npos)
            << page;
    }
    EXPECT_NE(page.find("<a href=\"clip.mp4\" download>Download the movie</a>"), std::string::npos);
}

TEST_F(Cli, WebCopiesAreMadeOnceUsedByThePagesAndCleanedWithIntermediates)
{
    if (!test::hasEncoder("libx264"))
        GTEST_SKIP() << "this FFmpeg has no libx264";
    const std::filesystem::path album = dir / "camera";
    std::filesystem::create_directories(album);
    test::ClipSpec spec;
    spec.frames = 6;
    spec.paint = [](int, Image& picture) { test::paintSolid(picture, 200, 60, 40); };
    ASSERT_EQ(test::writeClip((album / "old.avi").string(), spec), "");
    // The user's own movie, although its name begins like a copy's.
    ASSERT_EQ(test::writeClip((album / "web_holiday.mp4").string(), spec), "");
    const std::string root = album.string();
    ASSERT_EQ(cli({"init", root, "--set", "UseDestPath=0", "--set", "MovieWebCopies=1", "--set",
                   "MovieWebCopySize=32"})
                  .exitCode,
              0);

    CliRun build = cli({"build", root});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_NE(build.err.find("State: Making a web copy of " + (album / "old.avi").string() + "\n"),
              std::string::npos)
        << build.err;
    MovieFacts copy;
    ASSERT_EQ(readMovieFacts((album / "web_old.avi.mp4").string(), copy), MovieStatus::Ok);
    EXPECT_EQ(copy.container + " " + copy.videoCodec, "mp4 h264");
    EXPECT_TRUE(copy.browserPlayable);
    EXPECT_EQ(copy.width, 32u);
    EXPECT_EQ(copy.height, 24u);
    EXPECT_TRUE(std::filesystem::exists(album / "web_web_holiday.mp4.mp4"));
    EXPECT_NE(test::readFile(album / "old.avi.html").find("src=\"web_old.avi.mp4\"></video>"), std::string::npos);
    CliRun scan = cli({"scan", root});
    EXPECT_EQ(scan.out.find("web_old.avi.mp4"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("web_holiday.mp4"), std::string::npos) << scan.out;

    // Made again only once the movie is newer than its copy.
    CliRun again = cli({"thumbs", root});
    EXPECT_EQ(again.err.find("Making a web copy"), std::string::npos) << again.err;
    std::filesystem::last_write_time(album / "old.avi", std::filesystem::last_write_time(album / "old.avi") +
                                                            std::chrono::seconds(5));
    CliRun newer = cli({"thumbs", root});
    EXPECT_NE(newer.err.find("Making a web copy of " + (album / "old.avi").string()), std::string::npos);
    EXPECT_EQ(newer.err.find("Making a web copy of " + (album / "web_holiday.mp4").string()), std::string::npos)
        << newer.err;

    ASSERT_EQ(cli({"clean", root, "--intermediates"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(album / "web_old.avi.mp4"));
    EXPECT_FALSE(std::filesystem::exists(album / "web_web_holiday.mp4.mp4"));
    EXPECT_TRUE(std::filesystem::exists(album / "web_holiday.mp4"));
}

TEST_F(Cli, CommentWritesTheCommentsFileAndRefusesUnknownPaths)
{
    writePicture(dir / "root" / "a.jpg");
    writePicture(dir / "root" / "Trip" / "b.jpg");
    const std::string root = (dir / "root").string();
    EXPECT_EQ(cli({"comment", root, "a.jpg", "ab"}).exitCode, 0);
    CliRun trip = cli({"comment", root, "Trip", "--file", "-"}, "x");
    EXPECT_EQ(trip.exitCode, 0) << trip.err;
    EXPECT_NE(trip.err.find("State: Saving comments\nState: Comments saved\n"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "root" / "Comments.xml"),
              "<FilesComments>\n"
              "\t<Photo Name=\"a.jpg\" Comment=\"616200\"/>\n"
              "\t<Dir Name=\"Trip\" Comment=\"7800\"/>\n"
              "</FilesComments>\n");

    CliRun missing = cli({"comment", root, "Trip/zzz.jpg", "lost"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("'Trip/zzz.jpg' is not a picture, movie or folder of the album"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "root" / "Trip" / "Comments.xml"));

    CliRun listed = cli({"scan", root, "--json"});
    ASSERT_EQ(listed.exitCode, 0);
    const std::size_t a = listed.out.find("{\"fileName\": \"a.jpg\", \"mediaKind\": 1, \"comment\": \"ab\"}");
    const std::size_t tripName = listed.out.find("\"name\": \"Trip\"");
    const std::size_t tripComment = listed.out.find("\"comment\": \"x\"");
    const std::size_t b = listed.out.find("{\"fileName\": \"b.jpg\", \"mediaKind\": 1, \"comment\": \"\"}");
    EXPECT_NE(a, std::string::npos) << listed.out;
    EXPECT_LT(a, tripName);
    EXPECT_LT(tripName, tripComment);
    EXPECT_LT(tripComment, b);
    EXPECT_NE(listed.out.find("\"relativeDirectory\": \"/Trip\""), std::string::npos);
    EXPECT_NE(listed.out.find("\"mediaCount\": 2"), std::string::npos);
}

TEST_F(Cli, ControlBytesFromTheAlbumNeverReachTheTerminalRaw)
{
    const std::string name = "red\x1b[31m\xc2\x9b" "2J\x07.jpg";
    writePicture(dir / "root" / name);
    const std::string root = (dir / "root").string();
    ASSERT_EQ(cli({"comment", root, name, "two\nlines \x1b]0;title\x07"}).exitCode, 0);

    CliRun listed = cli({"scan", root});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("  red\\x1b[31m\\xc2\\x9b2J\\x07.jpg  -- two lines \\x1b]0;title\\x07\n"),
              std::string::npos)
        << listed.out;
    EXPECT_EQ(listed.out.find('\x1b'), std::string::npos);

    CliRun json = cli({"scan", root, "--json"});
    EXPECT_NE(json.out.find("\"fileName\": \"red\\u001b[31m\xc2\x9b" "2J\\u0007.jpg\""), std::string::npos) << json.out;

    ASSERT_EQ(cli({"init", root, "--set", "UseDestPath=0"}).exitCode, 0);
    CliRun thumbnails = cli({"thumbs", root});
    EXPECT_NE(thumbnails.err.find("State: Processing " + root + "/red\\x1b[31m\\xc2\\x9b2J\\x07.jpg\n"),
              std::string::npos)
        << thumbnails.err;
    EXPECT_EQ(thumbnails.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(thumbnails.err.find('\x07'), std::string::npos);
}

TEST_F(Cli, CommentCommandsRunAtOnceKeepEveryUpdate)
{
    constexpr int kWriters = 8;
    for (int i = 0; i < kWriters; ++i)
        test::writeFile(dir / "root" / ("p" + std::to_string(i) + ".jpg"), "x");
    const std::string root = (dir / "root").string();
    std::string script;
    for (int i = 0; i < kWriters; ++i) {
        const std::string n = std::to_string(i);
        script += "(" + shellQuote(QUORVANE_CLI_PATH) + " comment " + shellQuote(root) + " p" + n + ".jpg c" + n +
                  " 2>/dev/null; echo $? >" + shellQuote((dir / ("rc" + n)).string()) + ") & ";
    }
    script += "wait";
    ASSERT_EQ(std::system(script.c_str()), 0);

    const std::string written = test::readFile(dir / "root" / "Comments.xml");
    for (int i = 0; i < kWriters; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(test::readFile(dir / ("rc" + n)), "0\n");
        // "c" and the digit, hex-encoded, with the closing NUL.
        EXPECT_NE(written.find("Name=\"p" + n + ".jpg\" Comment=\"63" + std::to_string(30 + i) + "00\""),
                  std::string::npos)
            << written;
    }
}

TEST_F(Cli, OrphanedCommentsAreKeptListedAndPruned)
{
    test::writeFile(dir / "root" / "a.jpg", "x");
    test::writeFile(dir / "root" / "b\tc.jpg", "x");
    const std::string root = (dir / "root").string();
    ASSERT_EQ(cli({"comment", root, ".", "the album"}).exitCode, 0);
    ASSERT_EQ(cli({"comment", root, "b\tc.jpg", "line\nbreak"}).exitCode, 0);
    std::filesystem::rename(dir / "root" / "b\tc.jpg", dir / "b\tc.jpg");
    ASSERT_EQ(cli({"comment", root, "a.jpg", "still here"}).exitCode, 0);

    CliRun listed = cli({"comments", root, "--orphans"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "Photo\tb\\x09c.jpg\tline\\x0abreak\n");
    EXPECT_NE(cli({"scan", root}).out.find("root/ (1)  -- the album\n"), std::string::npos);

    CliRun pruned = cli({"comments", root, "--prune"});
    EXPECT_EQ(pruned.exitCode, 0) << pruned.err;
    EXPECT_NE(pruned.err.find("State: 1 orphaned comment(s) dropped"), std::string::npos);
    EXPECT_EQ(cli({"comments", root, "--orphans"}).out, "");
    EXPECT_EQ(test::readFile(dir / "root" / "Comments.xml"),
              "<FilesComments>\n"
              "\t<Photo Name=\"a.jpg\" Comment=\"7374696c6c206865726500\"/>\n"
              "\t<Folder Comment=\"74686520616c62756d00\"/>\n"
              "</FilesComments>\n");
    EXPECT_EQ(cli({"comments", root}).exitCode, 2);
}

TEST_F(Cli, DamagedFilesAndOversizedCommentsAreRefused)
{
    test::writeFile(dir / "root" / "a.jpg", "x");
    test::writeFile(dir / "root" / "b.jpg", "x");
    const std::string root = (dir / "root").string();
    const std::string damaged = "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"6100\"/>\n\t<Photo Name";
    test::writeFile(dir / "root" / "Comments.xml", damaged);
    CliRun refused = cli({"comment", root, "b.jpg", "new"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("State: Comments NOT saved: " + root +
                               "/Comments.xml could not be read completely (the file ends before its "
                               "elements do); it was left as it is\n"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find("Comments saved"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "root" / "Comments.xml"), damaged);
    std::filesystem::remove(dir / "root" / "Comments.xml");

    test::writeFile(dir / "big", std::string((1u << 20) + 1, 'x'));
    CliRun big = cli({"comment", root, "a.jpg", "--file", (dir / "big").string()});
    EXPECT_EQ(big.exitCode, 2);
    EXPECT_NE(big.err.find("is larger than 1 MiB"), std::string::npos);
    CliRun longer = cli({"comment", root, "a.jpg", std::string(10240, 'y')});
    EXPECT_EQ(longer.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "root" / "Comments.xml"));

    const std::string options = "<ProjectOptions Version=\"1\">\n\t<ThumbWidth n=\"320\"/>\n";
    test::writeFile(dir / "root" / "ProjectOptions.xml", options);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"init", root}, {"scan", root}, {"comment", root, "a.jpg", "x"}}) {
        CliRun run = cli(command);
        EXPECT_EQ(run.exitCode, 1) << command[0];
        EXPECT_NE(run.err.find(root + "/ProjectOptions.xml could not be read completely"), std::string::npos)
            << run.err;
    }
    EXPECT_EQ(test::readFile(dir / "root" / "ProjectOptions.xml"), options);
}

TEST_F(Cli, BrokenSkinFailsWithItsParseLine)
{
    writePicture(dir / "root" / "a.jpg");
    test::writeFile(dir / "work" / "Skins" / "Broken" / "Main.qvs", "// fine\n");
    test::writeFile(dir / "work" / "Skins" / "Broken" / "MainLoop.qvs",
                    "CREATE_FILE \"index.html\"\nCLOSE_FILE\nnot a command\n");
    const std::string root = (dir / "root").string();
    const std::string work = (dir / "work").string();
    ASSERT_EQ(cli({"-C", work, "init", root, "--skin", "Broken", "--set", "UseDestPath=0"}).exitCode, 0);
    CliRun html = cli({"-C", work, "html", root});
    EXPECT_EQ(html.exitCode, 1);
    EXPECT_NE(html.err.find("State: MainLoop.qvs : Parse error line 3\n"), std::string::npos) << html.err;

    CliRun unknownSkin = cli({"-C", work, "init", root, "--skin", "Nope"});
    EXPECT_EQ(unknownSkin.exitCode, 2);
}

TEST_F(Cli, NewProjectsArePointedToInit)
{
    writePicture(dir / "root" / "a.jpg");
    CliRun build = cli({"build", (dir / "root").string()});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.err.find("create it with 'quorvane-cli init "), std::string::npos) << build.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "root" / "thm_a.jpg"));

    CliRun empty = cli({"scan", dir.path().string() + "/nowhere"});
    EXPECT_EQ(empty.exitCode, 1);
}

TEST_F(Cli, BadUsageExitsWithTwo)
{
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(cli({"scan"}).exitCode, 2);
    EXPECT_EQ(cli({"scan", "a", "b"}).exitCode, 2);
    EXPECT_EQ(cli({"thumbs", dir.path().string(), "--fast"}).exitCode, 2);
    EXPECT_EQ(cli({"init", dir.path().string(), "--set", "ThumbWidth=wide"}).exitCode, 2);
    EXPECT_EQ(cli({"init", dir.path().string(), "--set", "Colour=1"}).exitCode, 2);
    EXPECT_EQ(cli({"exif", (dir / "missing.jpg").string()}).exitCode, 2);

    CliRun relative = cli({"init", dir.path().string(), "--set", "OutputFolder=site"});
    EXPECT_EQ(relative.exitCode, 2);
    EXPECT_NE(relative.err.find("Please select an absolute path for destination folder."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "ProjectOptions.xml"));

    CliRun help = cli({"build", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: quorvane-cli build ROOT [--force]\n", 0), 0u);
}

TEST_F(Cli, SkinParametersAreListedSetAndForgotten)
{
    writePicture(dir / "root" / "a.jpg");
    test::writeFile(dir / "work" / "Skins" / "S" / "MainLoop.qvs",
                    "DECLARE_COLOR public Accent ff8000\nDECLARE_INT public Columns 4\n"
                    "DECLARE_STRING public Title My album\nCREATE_FILE \"index.html\"\n"
                    "WRITE_FILE \"{Accent} {Columns} {Title}\"\nCLOSE_FILE\n");
    test::writeFile(dir / "work" / "Skins" / "S" / "Main.qvs", "");
    const std::string root = (dir / "root").string();
    const std::string work = (dir / "work").string();
    ASSERT_EQ(cli({"-C", work, "init", root, "--set", "UseDestPath=0"}).exitCode, 0);

    CliRun listed = cli({"-C", work, "skin-params", root});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "Accent\t1\tff8000\nColumns\t0\t4\nTitle\t2\tMy album\n");

    CliRun set = cli({"-C", work, "skin-params", root, "--set", "Accent=00A0ff", "--set", "Title=Trip"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "Accent\t1\t00a0ff\nColumns\t0\t4\nTitle\t2\tTrip\n");
    ASSERT_EQ(cli({"-C", work, "html", root}).exitCode, 0);
    EXPECT_EQ(test::readFile(dir / "root" / "index.html"), "00a0ff 4 Trip");

    EXPECT_EQ(cli({"-C", work, "skin-params", root, "--set", "Accent=blue"}).exitCode, 2);
    EXPECT_EQ(cli({"-C", work, "skin-params", root, "--set", "Columns=-1"}).exitCode, 2);
    // Quotes and tags are kept through the settings file.
    CliRun quoted = cli({"-C", work, "skin-params", root, "--set", "Title=a\"b<c/>"});
    EXPECT_EQ(quoted.exitCode, 0) << quoted.err;
    EXPECT_EQ(quoted.out, "Accent\t1\t00a0ff\nColumns\t0\t4\nTitle\t2\ta\"b<c/>\n");
    EXPECT_EQ(cli({"-C", work, "skin-params", root}).out, quoted.out);

    CliRun reset = cli({"-C", work, "skin-params", root, "--default"});
    ASSERT_EQ(reset.exitCode, 0);
    EXPECT_EQ(reset.out, "");
    ASSERT_EQ(cli({"-C", work, "html", root}).exitCode, 0);
    EXPECT_EQ(test::readFile(dir / "root" / "index.html"), "ff8000 4 My album");
}

TEST_F(Cli, CleanRemovesGeneratedFilesOnlyForProjectsWithoutDestination)
{
    writePicture(dir / "root" / "a.jpg");
    const std::string root = (dir / "root").string();
    ASSERT_EQ(cli({"init", root, "--set", "UseDestPath=0"}).exitCode, 0);
    ASSERT_EQ(cli({"thumbs", root}).exitCode, 0);
    ASSERT_TRUE(std::filesystem::exists(dir / "root" / "thm_a.jpg"));

    CliRun nothing = cli({"clean", root});
    EXPECT_EQ(nothing.exitCode, 2);
    EXPECT_NE(nothing.err.find("Nothing to clean"), std::string::npos);

    CliRun clean = cli({"clean", root, "--thumbs"});
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "root" / "thm_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "root" / "inter_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "root" / "a.jpg"));

    ASSERT_EQ(cli({"init", root, "--set", "UseDestPath=1", "--set", "OutputFolder=" + (dir / "out").string()})
                  .exitCode,
              0);
    CliRun refused = cli({"clean", root, "--intermediates"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Clean function is only available for for destination-less projects"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "root" / "inter_a.jpg"));
}

TEST_F(Cli, ExifListsTheCameraModel)
{
    QUORVANE_REQUIRE_CORPUS();
    CliRun exif = cli({"exif", (test::corpusDir() / "jpeg" / "nikon_d70_mm.jpg").string()});
    ASSERT_EQ(exif.exitCode, 0) << exif.err;
    EXPECT_NE(exif.out.find("Exif_Model\t2\tNIKON D70"), std::string::npos) << exif.out;
    EXPECT_NE(exif.out.find("Exif_Make\t2\tNIKON CORPORATION"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
