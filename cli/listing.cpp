#include "cli/listing.h"

#include <cstdio>
#include <string_view>

#include "album/album_tree.h"
#include "album/tree_walk.h"
#include "foundation/escaping.h"

namespace quorvane::cli {

namespace {

void appendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// One directory's members up to its list of subdirectories, which the walk
// fills in; nested objects are indented two levels deeper than their parent.
void openJsonDirectory(std::string& out, AlbumDirectory& directory, int depth)
{
    const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
    if (depth > 0)
        out += List<AlbumDirectory>::prev(directory) ? ",\n" : "\n";
    out += indent + "{\n" + indent + "  \"name\": ";
    appendJsonString(out, directory.name);
    out += ",\n" + indent + "  \"fullPath\": ";
    appendJsonString(out, directory.fullPath);
    out += ",\n" + indent + "  \"relativeDirectory\": ";
    appendJsonString(out, directory.relativeDirectory);
    out += ",\n" + indent + "  \"mediaCount\": " + std::to_string(directory.mediaCount);
    out += ",\n" + indent + "  \"comment\": ";
    appendJsonString(out, directory.commentText());
    out += ",\n" + indent + "  \"files\": [";
    bool first = true;
    for (AlbumPicture& file : directory.files) {
        out += first ? "\n" : ",\n";
        first = false;
        out += indent + "    {\"fileName\": ";
        appendJsonString(out, file.fileName);
        out += ", \"mediaKind\": " + std::to_string(file.mediaKind) + ", \"comment\": ";
        appendJsonString(out, file.commentText());
        out += "}";
    }
    out += first ? "]" : "\n" + indent + "  ]";
    out += ",\n" + indent + "  \"subdirectories\": [";
}

void closeJsonDirectory(std::string& out, AlbumDirectory& directory, int depth)
{
    const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
    out += directory.subdirectories.first() ? "\n" + indent + "  ]" : "]";
    out += "\n" + indent + "}";
}

void printComment(std::string_view comment)
{
    if (comment.empty())
        return;
    std::string oneLine(comment);
    for (char& c : oneLine) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::printf("  -- %s", terminalSafe(oneLine).c_str());
}

}  // namespace

std::string albumJson(AlbumDirectory& root)
{
    std::string json;
    walkDirectories(root, {[&json](AlbumDirectory& directory, int depth) {
                               openJsonDirectory(json, directory, depth);
                               return WalkStep::Continue;
                           },
                           [&json](AlbumDirectory& directory, int depth) {
                               closeJsonDirectory(json, directory, depth);
                           }});
    return json;
}

void printListing(AlbumDirectory& root)
{
    walkDirectories(root, {[](AlbumDirectory& directory, int depth) {
                               const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
                               // Names and comments come from anyone: no control byte reaches the terminal.
                               std::printf("%s%s/ (%d)", indent.c_str(), terminalSafe(directory.name).c_str(),
                                           directory.mediaCount);
                               printComment(directory.commentText());
                               std::printf("\n");
                               for (AlbumPicture& file : directory.files) {
                                   std::printf("%s  %s%s", indent.c_str(), terminalSafe(file.fileName).c_str(),
                                               file.mediaKind == MediaMovie ? " [movie]" : "");
                                   printComment(file.commentText());
                                   std::printf("\n");
                               }
                               return WalkStep::Continue;
                           },
                           {}});
}

}  // namespace quorvane::cli
