#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "skins/run_program.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n<main>\n<h1>" + title + "</h1>\n" +
           body + "</main>\n</body>\n</html>\n";
}

// A hand-made album of one folder, its pages beside the pictures: a.jpg with
// its thumbnail and intermediate image, and a movie.
class AlbumChecker : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* file : {"a.jpg", "thm_a.jpg", "inter_a.jpg", "clip.avi"})
            test::writeFile(dir / "album" / file, "x");
        test::writeFile(dir / "album" / "style.css", "body { background: url(\"sub/../inter_a.jpg\"); }\n");
        test::writeFile(dir / "album" / "index.html",
                        page("Album", "<p><a href=\"a.jpg.html\"><img src=\"thm_a.jpg\" alt=\"A\"></a></p>\n"
                                      "<p><a href=\"clip.avi\">Clip</a></p>\n"));
        test::writeFile(dir / "album" / "a.jpg.html",
                        page("A", "<p id=\"top\"><a href=\"a.jpg\"><img src=\"inter_a.jpg\" alt=\"A\"></a></p>\n"
                                  "<p><a href=\"index.html#\">Back</a> <a href=\"#top\">Top</a></p>\n"));
    }

    test::ProgramRun check() { return test::checkAlbum(dir / "album", dir / "album", dir.path()); }

    void expectProblems(const std::string& report)
    {
        const test::ProgramRun run = check();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, report);
    }

    test::TempDir dir;
};

TEST_F(AlbumChecker, AcceptsACompleteAlbum)
{
    const test::ProgramRun run = check();
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "2 pages, 10 references, 1 pictures, 1 movies: no problems\n");
}

TEST_F(AlbumChecker, ReportsEveryLinkThatNamesNoFileOfTheAlbum)
{
    fs::create_directory(dir / "album" / "Trip");
    test::writeFile(dir / "album" / "a.jpg.html",
                    page("A", "<p><a href=\"a.jpg\"><img src=\"inter_a.jpg\" alt=\"A\"></a></p>\n"
                              "<p><a href=\"b.jpg.html\">B</a>\n<a href=\"Trip\">Trip</a>\n"
                              "<a href=\"/index.html\">Top</a>\n<a href=\"../elsewhere.html\">Out</a>\n"
                              "<a href=\"index.html#nowhere\">Back</a>\n<a href=\"https://example.org/\">Web</a>\n"
                              "<img src=\"https://example.org/x.png\" alt=\"\"></p>\n"));
    test::writeFile(dir / "album" / "style.css", "h1 {\n  background: url(gone.png);\n}\n");
    expectProblems("a.jpg.html:12: b.jpg.html does not exist\n"
              "a.jpg.html:13: Trip names a folder; name its index.html, as file:// needs\n"
              "a.jpg.html:14: /index.html is an absolute path, which breaks from file:// and in a subfolder\n"
              "a.jpg.html:15: ../elsewhere.html leads out of the album\n"
              "a.jpg.html:16: index.html#nowhere: index.html has no element with id \"nowhere\"\n"
              "a.jpg.html:18: loads https://example.org/x.png from the internet\n"
              "style.css:2: gone.png does not exist\n"
              "2 pages, 15 references, 1 pictures, 1 movies: 7 problems\n");
}

TEST_F(AlbumChecker, ReportsPicturesAndMoviesThatCannotBeReachedFromTheRoot)
{
    // The picture page exists but nothing links to it, a second picture has
    // no page at all, and the movie is not listed. The intermediate image is
    // still reached: the root's stylesheet uses it.
    test::writeFile(dir / "album" / "Trip" / "b.jpeg", "x");
    test::writeFile(dir / "album" / "Trip" / "thm_b.jpeg", "x");
    test::writeFile(dir / "album" / "index.html", page("Album", "<p>Nothing yet.</p>\n"));
    expectProblems("a.jpg: is not reachable from index.html\n"
              "thm_a.jpg: is not reachable from index.html\n"
              "Trip/b.jpeg: is not reachable from index.html\n"
              "Trip/thm_b.jpeg: is not reachable from index.html\n"
              "clip.avi: is not reachable from index.html\n"
              "2 pages, 7 references, 2 pictures, 1 movies: 5 problems\n");
}

TEST_F(AlbumChecker, ReportsHtmlErrorsWithTheirRule)
{
    test::writeFile(dir / "album" / "a.jpg.html",
                    page("A", "<p><a href=\"a.jpg\"><img src=\"inter_a.jpg\"></a>\n<p><b>A</i></p>\n") +
                        "<p>after the end</p>\n");
    const test::ProgramRun run = check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.find("a.jpg.html:11:21: error [wcag/h37] <img> is missing required \"alt\" attribute\n") != std::string::npos) << run.out;
    EXPECT_TRUE(run.out.find("[close-order]") != std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("index.html"), std::string::npos) << "the clean page is not named";
}

TEST_F(AlbumChecker, ReportsScriptThatIsNotTheSkinsOwn)
{
    test::writeFile(dir / "skin" / "app.js", "go();\n");
    test::writeFile(dir / "skin" / "MainLoop.qvs", "WRITE_FILE \"<p onclick=\\\"go()\\\">\"\n");
    test::writeFile(dir / "album" / "app.js", "go();\n");
    test::writeFile(dir / "album" / "other.js", "steal();\n");
    test::writeFile(dir / "album" / "a.jpg.html",
                    page("A", "<p onclick=\"go()\"><a href=\"a.jpg\"><img src=\"inter_a.jpg\" alt=\"A\"></a></p>\n"
                              "<p><a href=\"index.html\">Back</a></p>\n"
                              "<script src=\"app.js\"></script>\n<script src=\"other.js\"></script>\n"
                              "<p><img src=\"thm_a.jpg\" alt=\"javascript: is just text here\" onerror=\"alert(1)\"></p>\n"
                              "<script>alert(2)</script>\n<p><a href=\" JavaScript:alert(3)\">x</a></p>\n"));
    const test::ProgramRun run = test::checkAlbum(dir / "album", dir / "album", dir.path(),
                                                  {"--skin", (dir / "skin").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.substr(0, run.out.find("\n2 pages")),
              "a.jpg.html:14: <script src> that is not the skin's own: 'other.js'\n"
              "a.jpg.html:15: event handler onerror= that is not the skin's own: 'alert(1)'\n"
              "a.jpg.html:16: <script> that is not the skin's own: 'alert(2)'\n"
              "a.jpg.html:17: javascript: URL that is not the skin's own: ' JavaScript:alert(3)'")
        << run.out;
}

TEST_F(AlbumChecker, NeedsItsValidatorAndBothFolders)
{
    const test::ProgramRun noValidator =
        test::checkAlbum(dir / "album", dir / "album", dir.path(), {"--html-validate", (dir / "none").string()});
    EXPECT_EQ(noValidator.exitCode, 2);
    EXPECT_TRUE(noValidator.err.find("run tools/install-deps.sh") != std::string::npos) << noValidator.err;
    EXPECT_EQ(test::checkAlbum(dir / "missing", dir / "album", dir.path()).exitCode, 2);
}

}  // namespace
}  // namespace quorvane
