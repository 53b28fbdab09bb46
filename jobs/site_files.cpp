#include "jobs/site_files.h"

#include <algorithm>
#include <set>

#include "album/comments.h"
#include "album/generated_names.h"
#include "album/tree_walk.h"
#include "foundation/ascii.h"
#include "jobs/thumbnail_generator.h"
#include "jobs/publish_records.h"
#include "options/global_options.h"

namespace quorvane {

namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && equalsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

bool isPage(std::string_view path)
{
    return endsWithIgnoringCase(path, ".html") || endsWithIgnoringCase(path, ".htm");
}

std::filesystem::path normalAbsolute(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::absolute(path, error).lexically_normal();
}

class Collector {
public:
    explicit Collector(const std::filesystem::path& top) : top_(normalAbsolute(top))
    {
        std::error_code error;
        realTop_ = std::filesystem::canonical(top_, error);
    }

    // Adds a file that exists below the site's top; a name that climbs out
    // is not the site's.
    void add(const std::filesystem::path& local)
    {
        const std::filesystem::path absolute = normalAbsolute(local);
        const std::filesystem::path relative = absolute.lexically_relative(top_);
        if (relative.empty() || *relative.begin() == ".." || relative.is_absolute())
            return;
        const std::string path = relative.generic_string();
        if (neverUploaded(path) || seen_.count(path))
            return;
        std::error_code error;
        if (!std::filesystem::is_regular_file(absolute, error))
            return;
        // A link may lead anywhere; only what stays inside the site is sent.
        const std::filesystem::path real = std::filesystem::canonical(absolute, error);
        const std::filesystem::path inside = real.lexically_relative(realTop_);
        if (error || inside.empty() || *inside.begin() == "..") {
            contents.outside.push_back(path);
            seen_.insert(path);
            return;
        }
        seen_.insert(path);
        contents.files.push_back({path, absolute});
    }

    SiteContents contents;

private:
    std::filesystem::path top_;
    std::filesystem::path realTop_;
    std::set<std::string> seen_;
};

// A generated image and, for high-density screens, its twice-size sibling.
void addGenerated(Collector& collector, const std::string& path)
{
    collector.add(path);
    const std::filesystem::path generated(path);
    collector.add(generated.parent_path() / highDensityName(generated.filename().string()));
}

void addAlbumFiles(Project& project, Collector& collector)
{
    const ProjectOptions& options = *project.options;
    const ThumbnailGenerator names(options, {}, 1);
    forEachDirectory(*project.root, [&](AlbumDirectory& directory) {
        for (const AlbumPicture& file : directory.files) {
            if (!options.useDestPath)
                collector.add(names.sourcePath(file));
            else if (options.copySource)
                collector.add(names.copiedSourcePath(file));
            // Movies have posters under today's formats only, as the
            // generator makes them.
            const bool poster = options.todaysFormats && file.mediaKind == MediaMovie;
            if (file.mediaKind != MediaPicture && !poster)
                continue;
            addGenerated(collector, names.thumbnailPath(file));
            if (options.intermediateActive)
                addGenerated(collector, names.intermediatePath(file));
            // A movie's web copy, where the thumbnail job made one.
            if (poster && options.movieWebCopies)
                collector.add(webCopyPath(file, options));
        }
        for (const AlbumDirectory& child : directory.subdirectories)
            addGenerated(collector, names.directoryThumbnailPath(directory, child));
    });
}

}  // namespace

bool neverUploaded(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (const std::string_view kept : {std::string_view(kProjectOptionsFileName), std::string_view(kCommentsFileName),
                                        std::string_view(kGlobalOptionsFileName), std::string_view("Varhelp.rtf")}) {
        if (equalsIgnoringAsciiCase(name, kept))
            return true;
    }
    for (const std::string_view suffix : {".qvs", ".lock", ".tmp", "~", ".quorvane-upload", ".part"}) {
        if (endsWithIgnoringCase(name, suffix))
            return true;
    }
    // Temporary files of the settings writers end in ".~<pid>-<n>".
    if (name.find(".~") != std::string_view::npos)
        return true;
    const std::string records = std::string(kRecordsFolderName) + "/";
    return path.starts_with(records) || path.find("/" + records) != std::string_view::npos;
}

std::optional<SiteContents> listSiteFiles(Project& project, std::string& error)
{
    if (!project.root || !project.options) {
        error = "no album is scanned";
        return std::nullopt;
    }
    const ProjectOptions& options = *project.options;
    const std::filesystem::path top = options.useDestPath ? std::filesystem::path(options.outputFolder)
                                                          : std::filesystem::path(project.rootPath);
    const std::optional<PagesRecord> pages = readPagesRecord(project.rootPath, error);
    if (!pages) {
        error += ": generate the pages before uploading";
        return std::nullopt;
    }
    if (normalAbsolute(pages->site) != normalAbsolute(top)) {
        error = "the pages were generated into " + pages->site.string() + ", not " + top.string() +
                ": generate them again before uploading";
        return std::nullopt;
    }
    if (!pages->complete) {
        error = "the last page generation stopped at an error: generate the pages again before uploading";
        return std::nullopt;
    }

    Collector collector(top);
    collector.contents.top = top;
    addAlbumFiles(project, collector);
    for (const std::string& page : pages->files)
        collector.add(normalAbsolute(top) / page);

    std::vector<SiteFile>& files = collector.contents.files;
    for (const SiteFile& file : files) {
        if (file.path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            error = "cannot upload '" + escapeRecordName(file.path) + "': FTP cannot send a name with a line break";
            return std::nullopt;
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const SiteFile& a, const SiteFile& b) {
        const bool pageA = isPage(a.path);
        const bool pageB = isPage(b.path);
        return pageA != pageB ? pageB : a.path < b.path;
    });
    return std::move(collector.contents);
}

}  // namespace quorvane
