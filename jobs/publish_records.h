#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_handle.h"

namespace quorvane {

// What publishing remembers between runs, kept in the folder ".quorvane" of
// the album root beside "ProjectOptions.xml", and never uploaded:
//   "pages.txt"   the files the skin wrote at the last page generation;
//   "upload.txt"  what the last uploads sent to the server.
// Both are text, one entry per line, names relative to the site's top folder
// with "%", blanks and control characters written as "%XX".
inline constexpr char kRecordsFolderName[] = ".quorvane";

std::filesystem::path recordsFolder(const std::string& albumRoot);

struct PagesRecord {
    // The folder the pages were written into.
    std::filesystem::path site;
    // False when the generation stopped at an error.
    bool complete = false;
    std::vector<std::string> files;
};

bool writePagesRecord(const std::string& albumRoot, const PagesRecord& record, std::string& error);
// None, with error set, when there is no readable record.
std::optional<PagesRecord> readPagesRecord(const std::string& albumRoot, std::string& error);

struct PublishedFile {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds, a shortcut that spares hashing
    std::string hash;            // SHA-256, lowercase hexadecimal
};

struct UploadRecord {
    // Which server and folder the entries are about.
    std::string target;
    // Files that reached the server under their own name.
    std::map<std::string, PublishedFile> sent;
    // Files whose transfer began: what reached the server is under the
    // temporary name, and resumes when the file is still the same.
    std::map<std::string, PublishedFile> started;
};

// The record for target; an empty one when there is none, it cannot be read,
// or it is about another target.
UploadRecord readUploadRecord(const std::string& albumRoot, const std::string& target);

// Writes the record afresh, then adds one line per event, so an interrupted
// upload still knows everything that arrived.
class UploadJournal {
public:
    bool open(const std::string& albumRoot, const UploadRecord& record, std::string& error);
    bool fileStarted(const std::string& path, const PublishedFile& file, std::string& error);
    bool fileSent(const std::string& path, const PublishedFile& file, std::string& error);
    bool fileRemoved(const std::string& path, std::string& error);
    // Writes the record compacted.
    bool close(const UploadRecord& record, std::string& error);

private:
    bool append(const std::string& line, std::string& error);

    FileHandle file_;
    std::filesystem::path path_;
};

// SHA-256 of the file's bytes, or none when it cannot be read.
std::optional<std::string> hashFile(const std::filesystem::path& path);

std::string escapeRecordName(std::string_view name);

}  // namespace quorvane
