#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/project.h"

namespace quorvane {

// One file of the published site: its name below the site's top folder
// ("Holidays/thm_beach.jpg") and where it is on this machine.
struct SiteFile {
    std::string path;
    std::filesystem::path local;
};

struct SiteContents {
    // The destination folder, or the album root for projects without one.
    std::filesystem::path top;
    // Pictures, movies, generated images and the pages the skin wrote, in
    // upload order: everything else before the pages that show it.
    std::vector<SiteFile> files;
    // Files left out because they lead outside the site through a link.
    std::vector<std::string> outside;
};

// What may be published of a scanned project: the media the scan found (or
// their copies), the images made from them, and the files the skin wrote at
// the last page generation, as its record in the album lists them. Never the
// settings, comments, lock, temporary or skin files. None, with error set,
// when the pages were never generated, are out of date or a name cannot be
// sent.
std::optional<SiteContents> listSiteFiles(Project& project, std::string& error);

// Names that never leave the machine, whoever wrote them.
bool neverUploaded(std::string_view path);

}  // namespace quorvane
