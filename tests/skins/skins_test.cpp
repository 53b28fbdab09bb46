#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/movie_clips.h"
#include "support/test_support.h"
#include "skins/run_program.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The sample album with a movie added, built with the bundled skins as they
// are in the source tree.
class BundledSkin : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(work());
        fs::create_directory_symlink(test::sourceDir() / "skins", work() / "Skins");
        fs::copy(test::sourceDir() / "samples" / "album", album(), fs::copy_options::recursive);
        test::ClipSpec launch;
        launch.encoder = "mpeg1video";
        launch.framesPerSecond = 25;  // one of the rates MPEG-1 knows
        launch.frames = 25;
        launch.paint = [](int n, Image& picture) { test::paintSolid(picture, 20 + 6 * n, 40, 160); };
        EXPECT_EQ(test::writeClip((album() / "Space" / "launch.mpg").string(), launch), "");
    }

    fs::path work() const { return dir / "work"; }
    fs::path album() const { return dir / "album"; }
    fs::path site() const { return dir / "site"; }

    test::ProgramRun cli(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {QUORVANE_CLI_PATH, "-C", work().string()});
        return test::runProgram(arguments, dir.path());
    }

    void initAndComment(const std::vector<std::string>& settings)
    {
        std::vector<std::string> init{"init", album().string()};
        init.insert(init.end(), settings.begin(), settings.end());
        const test::ProgramRun made = cli(init);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ASSERT_EQ(cli({"comment", album().string(), "Space/launch.mpg", "Lift-off, seen from the beach."}).exitCode, 0);
    }

    // A new project in place with the skin, and the skin's parameters as
    // skin-params lists them; each must have its entry in the skin's help.
    std::string parametersOfNewProject(const std::string& skin)
    {
        initAndComment({"--skin", skin, "--set", "UseDestPath=0"});
        const test::ProgramRun listed = cli({"skin-params", album().string()});
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        const std::string help = test::readFile(test::sourceDir() / "skins" / skin / "Varhelp.rtf");
        for (std::size_t line = 0; line < listed.out.size(); line = listed.out.find('\n', line) + 1) {
            const std::string name = listed.out.substr(line, listed.out.find('\t', line) - line);
            EXPECT_TRUE(contains(help, "{\\b " + name + "}")) << name << " has no help";
        }
        return listed.out;
    }

    test::TempDir dir;
};

struct BuildCase {
    const char* skin;
    bool destination;
    bool copySource;
    bool intermediates;
    bool exif;
};

class SkinBuild : public BundledSkin, public ::testing::WithParamInterface<BuildCase> {};

TEST_P(SkinBuild, AlbumHasNoBrokenLinkNoHtmlErrorAndReachesEveryPicture)
{
    const BuildCase& build = GetParam();
    const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    std::vector<std::string> settings{"--skin", build.skin, "--set", "UseDestPath=" + flag(build.destination),
                                      "--set", "IntermediateActive=" + flag(build.intermediates),
                                      "--set", "ParseExif=" + flag(build.exif)};
    if (build.destination) {
        settings.insert(settings.end(), {"--set", "OutputFolder=" + site().string(), "--set",
                                         "CopySource=" + flag(build.copySource)});
    }
    initAndComment(settings);
    const test::ProgramRun made = cli({"build", album().string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const fs::path pages = build.destination ? site() : album();
    EXPECT_EQ(made.out, (pages / "index.html").string() + "\n");

    const test::ProgramRun checked =
        test::checkAlbum(pages, album(), dir.path(), {"--skin", (test::sourceDir() / "skins" / build.skin).string()});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_TRUE(contains(checked.out, "12 pictures, 1 movies: no problems\n")) << checked.out;

    // The three Canon pictures get a camera panel exactly when Exif is read;
    // a picture without Exif data never gets one.
    for (const char* page : {"Nature/dune.jpg.html", "Nature/leaf.jpg.html", "Nature/storm.jpg.html"})
        EXPECT_EQ(contains(test::readFile(pages / page), "class=\"exif\""), build.exif) << page;
    EXPECT_EQ(contains(test::readFile(pages / "Nature/leaf.jpg.html"), "Canon EOS 350D DIGITAL"), build.exif);
    EXPECT_FALSE(contains(test::readFile(pages / "cat.jpg.html"), "class=\"exif\""));

    const std::string cat = test::readFile(pages / "cat.jpg.html");
    const bool sources = !build.destination || build.copySource;
    const char* shown = build.intermediates ? "<img src=\"inter_cat.jpg\"" :
                        sources             ? "<img src=\"cat.jpg\"" :
                                              "<img src=\"thm_cat.jpg\"";
    EXPECT_TRUE(contains(cat, shown)) << cat;
    EXPECT_EQ(contains(cat, "<a href=\"cat.jpg\">"), sources);
    EXPECT_TRUE(contains(cat, " alt=\"Chelsea the cat, keeping a close eye on the photographer.\""));

    const std::string space = test::readFile(pages / "Space/index.html");
    EXPECT_TRUE(contains(space, "Lift-off, seen from the beach."));
    const bool plain = std::string(build.skin) == "Plain";
    // Plain links the movie with its poster; Default opens the movie's page,
    // which offers the file for download (no browser plays MPEG-1).
    EXPECT_TRUE(contains(space, plain ? "<img src=\"thm_launch.mpg.jpg\"" : "href=\"launch.mpg.html\"")) << space;
    const std::string movie = plain ? space : test::readFile(pages / "Space/launch.mpg.html");
    EXPECT_EQ(contains(movie, "href=\"launch.mpg\""), sources);
    if (!plain) {
        const char* poster = build.intermediates ? "<img src=\"inter_launch.mpg.jpg\"" : "<img src=\"thm_launch.mpg.jpg\"";
        EXPECT_TRUE(contains(movie, poster)) << movie;
        EXPECT_FALSE(contains(movie, "<video"));
    }
}

std::string buildName(const ::testing::TestParamInfo<BuildCase>& info)
{
    const BuildCase& build = info.param;
    return std::string(build.skin) + (build.destination ? (build.copySource ? "_Destination" : "_DestinationNoCopy")
                                                        : "_InPlace") +
           (build.intermediates ? "_Intermediates" : "_NoIntermediates") + (build.exif ? "_Exif" : "_NoExif");
}

INSTANTIATE_TEST_SUITE_P(EachSkin, SkinBuild,
                         ::testing::Values(BuildCase{"Default", true, true, true, true},
                                           BuildCase{"Default", true, false, false, false},
                                           BuildCase{"Default", false, true, true, false},
                                           BuildCase{"Default", false, true, false, true},
                                           BuildCase{"Plain", true, true, true, true},
                                           BuildCase{"Plain", true, false, false, false},
                                           BuildCase{"Plain", false, true, true, false},
                                           BuildCase{"Plain", false, true, false, true}),
                         buildName);

TEST_F(BundledSkin, DefaultComesFirstAndANewProjectTakesIt)
{
    const test::ProgramRun made = cli({"init", album().string(), "--set", "UseDestPath=0"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_TRUE(contains(test::readFile(album() / "ProjectOptions.xml"), "<Skin name=\"Default\"/>"));
}

TEST_F(BundledSkin, DefaultColoursAndTitleComeFromItsParameters)
{
    EXPECT_EQ(parametersOfNewProject("Default"),
              "AlbumTitle\t2\tPhoto album\nFooterText\t2\tMade with Quorvane\nShowComments\t0\t1\n"
              "ShowExif\t0\t1\nCommentsAsHtml\t0\t0\nBackgroundColor\t1\tf6f5f1\nTextColor\t1\t1d2125\nAccentColor\t1\t0b6a8f\n"
              "DarkBackgroundColor\t1\t15171a\nDarkTextColor\t1\te4e6e8\nDarkAccentColor\t1\t7cc7ea\n"
              "ColorScheme\t0\t0\nColumns\t0\t5\nCropThumbnails\t0\t1\n");
    const std::string root = album().string();

    ASSERT_EQ(cli({"skin-params", root, "--set", "AccentColor=12AB9F", "--set", "AlbumTitle=Our trip", "--set",
                   "Columns=3", "--set", "FooterText="})
                  .exitCode,
              0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    std::string style = test::readFile(album() / "style.css");
    EXPECT_TRUE(contains(style, "--accent: #12ab9f;")) << style;
    EXPECT_TRUE(contains(style, "--columns: 3;"));
    EXPECT_TRUE(contains(style, "@media (prefers-color-scheme: dark)"));
    std::string index = test::readFile(album() / "index.html");
    EXPECT_TRUE(contains(index, "<title>Our trip</title>"));
    EXPECT_FALSE(contains(index, "<footer"));

    // Always dark: the dark colours are the only ones.
    ASSERT_EQ(cli({"skin-params", root, "--set", "ColorScheme=2"}).exitCode, 0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    style = test::readFile(album() / "style.css");
    EXPECT_EQ(style.rfind(":root { --bg: #15171a; --text: #e4e6e8; --accent: #7cc7ea; color-scheme: dark; }\n", 0),
              0u)
        << style;
    EXPECT_FALSE(contains(style, "prefers-color-scheme"));

    const test::ProgramRun reset = cli({"skin-params", root, "--default"});
    ASSERT_EQ(reset.exitCode, 0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    style = test::readFile(album() / "style.css");
    EXPECT_EQ(style.rfind(":root { --bg: #f6f5f1; --text: #1d2125; --accent: #0b6a8f; color-scheme: light; }\n", 0),
              0u)
        << style;
    index = test::readFile(album() / "index.html");
    EXPECT_TRUE(contains(index, "<title>Photo album</title>"));
    EXPECT_TRUE(contains(index, "<footer class=\"sheet\"><p>Made with Quorvane</p></footer>"));
}

TEST_F(BundledSkin, PlainColoursAndColumnsComeFromItsParameters)
{
    EXPECT_EQ(parametersOfNewProject("Plain"),
              "AlbumTitle\t2\tPhoto album\nFooterText\t2\tMade with Quorvane\nColumns\t0\t4\nShowComments\t0\t1\n"
              "ShowExif\t0\t1\nCommentsAsHtml\t0\t0\nBackgroundColor\t1\tffffff\nTextColor\t1\t222222\nLinkColor\t1\t1d4e9a\n");
    const std::string root = album().string();
    ASSERT_EQ(cli({"skin-params", root, "--set", "LinkColor=00aa00", "--set", "Columns=2", "--set",
                   "ShowComments=0"})
                  .exitCode,
              0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    EXPECT_TRUE(contains(test::readFile(album() / "style.css"), "a { color: #00aa00; }\n"));
    // Four pictures in rows of two; comments only in the alternative texts.
    const std::string nature = test::readFile(album() / "Nature" / "index.html");
    EXPECT_TRUE(contains(nature, "thm_ladybird.jpg\" alt=\"A ladybird climbs a blade of grass among "
                                 "forget-me-nots.\"></a></td>\n</tr>\n<tr>\n<td>"))
        << nature;
    EXPECT_FALSE(contains(nature, "</a>A ladybird"));
    EXPECT_FALSE(contains(nature, "<script"));

    ASSERT_EQ(cli({"skin-params", root, "--default"}).exitCode, 0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    EXPECT_TRUE(contains(test::readFile(album() / "style.css"), "a { color: #1d4e9a; }\n"));
    EXPECT_TRUE(contains(test::readFile(album() / "Nature" / "index.html"),
                         "forget-me-nots.\"></a>A ladybird climbs a blade of grass among forget-me-nots.</td>\n"
                         "<td>"));
}

// Browsers cannot show a HEIC original: without intermediate images both
// skins show its thumbnail and offer the original as a download only.
TEST_F(BundledSkin, HeicPicturePagesShowTheThumbnailWithoutIntermediates)
{
    test::writeFile(album() / "IMG_0001.heic", "pages do not read the picture");
    for (const char* skin : {"Default", "Plain"}) {
        SCOPED_TRACE(skin);
        const std::string root = album().string();
        ASSERT_EQ(cli({"init", root, "--skin", skin, "--set", "UseDestPath=0", "--set", "IntermediateActive=0",
                       "--set", "TodaysFormats=1"})
                      .exitCode,
                  0);
        const test::ProgramRun written = cli({"html", root});
        ASSERT_EQ(written.exitCode, 0) << written.err;
        const std::string page = test::readFile(album() / "IMG_0001.heic.html");
        EXPECT_TRUE(contains(page, "<img src=\"thm_IMG_0001.heic.jpg\"")) << page;
        EXPECT_FALSE(contains(page, "src=\"IMG_0001.heic\""));
        EXPECT_TRUE(contains(page, "<a href=\"IMG_0001.heic\" download>"));
        // A JPEG original is still the picture shown.
        EXPECT_TRUE(contains(test::readFile(album() / "cat.jpg.html"), "<img src=\"cat.jpg\""));
    }
}

}  // namespace
}  // namespace quorvane
