#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "skins/run_program.h"
#include "support/exif_builder.h"
#include "support/movie_clips.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

const std::string kScriptComment = "<script>alert(1)</script>";
const std::string kAttributeComment = "\" onmouseover=\"alert(2)";
const std::string kExifModel = "<script>alert(3)</script>\" onmouseover=\"alert(4)";

// Every picture name an album may hold on Linux that a careless page breaks on.
std::vector<std::string> hostileNames()
{
    return {"a b.jpg", "it's.jpg", "say \"hi\".jpg", "fish & chips.jpg", "<img src=x onerror=alert(5)>.jpg",
            "#1.jpg", "why?.jpg", "100%.jpg", "%41.jpg", "a+b;c.jpg", "caf\xc3\xa9 \xe2\x98\x95.jpg",
            "line\nbreak.jpg", "back\\slash.jpg", "-dash.jpg", "javascript:alert(6).jpg",
            std::string(206, 'L') + ".jpg"};
}

// A real picture with an Exif camera model: the sample JPEG with an APP1
// segment put in front of its own.
std::string withExifModel(const std::string& jpeg, const std::string& model)
{
    test::ExifBuilder builder(false);
    builder.ascii(0x0110, model);
    return test::withExifSegment(jpeg, builder.payload());
}

struct HostileCase {
    const char* skin;
    bool destination;
};

// An album of hostile names, comments and Exif text, built by the CLI with a
// bundled skin and checked as a visitor's browser would meet it.
class HostileAlbum : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override
    {
        fs::create_directories(work());
        fs::create_directory_symlink(test::sourceDir() / "skins", work() / "Skins");
        const std::string jpeg = test::readFile(test::sourceDir() / "samples" / "album" / "cat.jpg");
        for (const std::string& name : hostileNames())
            test::writeFile(album() / name, jpeg);
        test::writeFile(album() / "cat.jpg", jpeg);
        test::writeFile(album() / "camera.jpg", withExifModel(jpeg, kExifModel));
        // A real movie, so its poster, page and player carry the name too.
        test::ClipSpec clip;
        clip.encoder = "mpeg1video";
        clip.framesPerSecond = 25;
        clip.frames = 10;
        EXPECT_EQ(test::writeClip((album() / "clip <b>&amp;.mpg").string(), clip), "");
        // "..\cat.jpg" one level down must not overwrite the root's cat.jpg.html.
        test::writeFile(album() / kFolder / "..\\cat.jpg", jpeg);
        test::writeFile(album() / kFolder / "x\\y.jpg", jpeg);
        test::writeFile(album() / "Notes" / "n.jpg", jpeg);
    }

    static constexpr const char* kFolder = "Trip #2 & <b>more";

    fs::path work() const { return dir / "work"; }
    fs::path album() const { return dir / "album"; }
    fs::path site() const { return dir / "site"; }

    test::ProgramRun cli(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {QUORVANE_CLI_PATH, "-C", work().string()});
        return test::runProgram(arguments, dir.path());
    }

    test::TempDir dir;
};

TEST_P(HostileAlbum, ShowsEveryNameAsWrittenWithNoBrokenLinkAndNoForeignScript)
{
    const HostileCase& build = GetParam();
    const std::string root = album().string();
    std::vector<std::string> init{"init", root, "--skin", build.skin, "--set", "ParseExif=1", "--set",
                                  std::string("UseDestPath=") + (build.destination ? "1" : "0")};
    if (build.destination)
        init.insert(init.end(), {"--set", "OutputFolder=" + site().string(), "--set", "CopySource=1"});
    ASSERT_EQ(cli(init).exitCode, 0);
    ASSERT_EQ(cli({"comment", root, "cat.jpg", kScriptComment}).exitCode, 0);
    ASSERT_EQ(cli({"comment", root, "a b.jpg", kAttributeComment}).exitCode, 0);
    ASSERT_EQ(cli({"comment", root, "Notes", "<i>folder</i> & co"}).exitCode, 0);

    const test::ProgramRun made = cli({"build", root});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const fs::path pages = build.destination ? site() : album();
    const test::ProgramRun checked =
        test::checkAlbum(pages, album(), dir.path(), {"--skin", (test::sourceDir() / "skins" / build.skin).string()});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_TRUE(contains(checked.out, "21 pictures, 1 movies: no problems\n")) << checked.out;

    const std::string index = test::readFile(pages / "index.html");
    EXPECT_TRUE(contains(index, "&lt;script&gt;alert(1)&lt;/script&gt;")) << index;
    EXPECT_TRUE(contains(index, "alt=\"&quot; onmouseover=&quot;alert(2)\""));
    EXPECT_TRUE(contains(index, "href=\"%3Cimg%20src%3Dx%20onerror%3Dalert%285%29%3E.jpg.html\""));
    EXPECT_TRUE(contains(index, ">Trip #2 &amp; &lt;b&gt;more<"));
    EXPECT_TRUE(contains(index, "&lt;i&gt;folder&lt;/i&gt; &amp; co"));
    EXPECT_TRUE(contains(index, "src=\"thm_clip%20%3Cb%3E%26amp%3B.mpg.jpg\"")) << index;
    const std::string camera = test::readFile(pages / "camera.jpg.html");
    EXPECT_TRUE(contains(camera, "&lt;script&gt;alert(3)&lt;/script&gt;&quot; onmouseover=&quot;alert(4)")) << camera;
    const std::string heading = test::readFile(pages / "<img src=x onerror=alert(5)>.jpg.html");
    EXPECT_TRUE(contains(heading, "&lt;img src=x onerror=alert(5)&gt;.jpg")) << heading;

    // Backslashes from names are characters: the root's page is the root
    // picture's, and the folder's pages sit beside it.
    EXPECT_TRUE(contains(test::readFile(pages / "cat.jpg.html"), "alert(1)"));
    EXPECT_TRUE(fs::exists(pages / kFolder / "..\\cat.jpg.html"));
    EXPECT_TRUE(fs::exists(pages / kFolder / "x\\y.jpg.html"));
}

TEST_P(HostileAlbum, CommentsKeepTheirMarkupOnlyWhenTheAuthorSaysSo)
{
    const std::string root = album().string();
    ASSERT_EQ(cli({"init", root, "--skin", GetParam().skin, "--set", "UseDestPath=0"}).exitCode, 0);
    ASSERT_EQ(cli({"comment", root, "cat.jpg", "<em>mine</em>"}).exitCode, 0);
    ASSERT_EQ(cli({"skin-params", root, "--set", "CommentsAsHtml=1"}).exitCode, 0);
    ASSERT_EQ(cli({"html", root}).exitCode, 0);
    const std::string page = test::readFile(album() / "cat.jpg.html");
    EXPECT_TRUE(contains(page, "<em>mine</em>")) << page;
    EXPECT_TRUE(contains(page, "alt=\"&lt;em&gt;mine&lt;/em&gt;\""));
}

std::string caseName(const ::testing::TestParamInfo<HostileCase>& info)
{
    return std::string(info.param.skin) + (info.param.destination ? "_Destination" : "_InPlace");
}

INSTANTIATE_TEST_SUITE_P(EachSkin, HostileAlbum,
                         ::testing::Values(HostileCase{"Default", false}, HostileCase{"Default", true},
                                           HostileCase{"Plain", false}, HostileCase{"Plain", true}),
                         caseName);

}  // namespace
}  // namespace quorvane
