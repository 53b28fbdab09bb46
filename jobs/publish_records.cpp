#include "jobs/publish_records.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "foundation/percent_escape.h"
#include "foundation/safe_files.h"

namespace quorvane {

namespace {

constexpr char kPagesFileName[] = "pages.txt";
constexpr char kUploadFileName[] = "upload.txt";
constexpr char kPagesHeader[] = "quorvane-pages 1";
constexpr char kUploadHeader[] = "quorvane-upload 1";
// Records are ours, but they sit in a folder anyone can write to: bound them.
constexpr std::uintmax_t kMaxRecordSize = 256u << 20;
constexpr std::size_t kMaxLineLength = 16384;

// The lines of a record file, or none when it is missing, too large or not
// of the expected kind. A last line cut short by an interruption is dropped.
std::optional<std::vector<std::string>> readLines(const std::filesystem::path& path, std::string_view header)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxRecordSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        if (end - at <= kMaxLineLength)
            lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (lines.empty() || lines.front() != header)
        return std::nullopt;
    lines.erase(lines.begin());
    return lines;
}

std::vector<std::string_view> fields(std::string_view line, std::size_t count)
{
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            break;
        parts.push_back(line.substr(0, space));
        line.remove_prefix(space + 1);
    }
    parts.push_back(line);
    return parts;
}

std::string fileLine(char kind, const std::string& path, const PublishedFile& file)
{
    return std::string(1, kind) + " " + std::to_string(file.size) + " " + std::to_string(file.modified) + " " +
           file.hash + " " + escapeRecordName(path) + "\n";
}

bool readFileLine(std::string_view line, std::string& path, PublishedFile& file)
{
    const std::vector<std::string_view> parts = fields(line, 5);
    if (parts.size() != 5 || parts[3].size() != 64 || parts[4].empty())
        return false;
    file.size = std::strtoull(std::string(parts[1]).c_str(), nullptr, 10);
    file.modified = std::strtoll(std::string(parts[2]).c_str(), nullptr, 10);
    file.hash = std::string(parts[3]);
    path = percentDecode(parts[4]);
    return true;
}

std::string uploadRecordText(const UploadRecord& record)
{
    std::string text = std::string(kUploadHeader) + "\ntarget " + escapeRecordName(record.target) + "\n";
    for (const auto& [path, file] : record.sent)
        text += fileLine('F', path, file);
    for (const auto& [path, file] : record.started)
        text += fileLine('P', path, file);
    return text;
}

bool writeRecord(const std::filesystem::path& path, const std::string& text, std::string& error)
{
    std::string reason;
    if (replaceFileContents(path, text, reason))
        return true;
    error = "cannot write " + path.string() + ": " + reason;
    return false;
}

bool makeRecordsFolder(const std::string& albumRoot, std::string& error)
{
    std::error_code failure;
    // The album may come from anyone: its records folder must be a folder, not a link.
    if (std::filesystem::is_symlink(recordsFolder(albumRoot), failure)) {
        error = recordsFolder(albumRoot).string() + " is a link, not the album's records folder";
        return false;
    }
    std::filesystem::create_directory(recordsFolder(albumRoot), failure);
    if (failure && !std::filesystem::is_directory(recordsFolder(albumRoot))) {
        error = "cannot create " + recordsFolder(albumRoot).string() + ": " + failure.message();
        return false;
    }
    return true;
}

}  // namespace

std::string escapeRecordName(std::string_view name)
{
    return percentEncode(name, [](unsigned char c) { return c <= 0x20 || c == 0x7f || c == '%'; });
}

std::filesystem::path recordsFolder(const std::string& albumRoot)
{
    return std::filesystem::path(albumRoot.empty() ? std::string(".") : albumRoot) / kRecordsFolderName;
}

bool writePagesRecord(const std::string& albumRoot, const PagesRecord& record, std::string& error)
{
    if (!makeRecordsFolder(albumRoot, error))
        return false;
    std::string text = std::string(kPagesHeader) + "\nsite " + escapeRecordName(record.site.string()) +
                       "\ncomplete " + (record.complete ? "1" : "0") + "\n";
    for (const std::string& file : record.files)
        text += escapeRecordName(file) + "\n";
    return writeRecord(recordsFolder(albumRoot) / kPagesFileName, text, error);
}

std::optional<PagesRecord> readPagesRecord(const std::string& albumRoot, std::string& error)
{
    const std::filesystem::path path = recordsFolder(albumRoot) / kPagesFileName;
    const std::optional<std::vector<std::string>> lines = readLines(path, kPagesHeader);
    if (!lines || lines->size() < 2 || !(*lines)[0].starts_with("site ") ||
        !(*lines)[1].starts_with("complete ")) {
        error = "there is no record of the pages the skin wrote (" + path.string() + ")";
        return std::nullopt;
    }
    PagesRecord record;
    record.site = percentDecode(std::string_view((*lines)[0]).substr(5));
    record.complete = (*lines)[1] == "complete 1";
    for (std::size_t i = 2; i < lines->size(); ++i) {
        if (!(*lines)[i].empty())
            record.files.push_back(percentDecode((*lines)[i]));
    }
    return record;
}

UploadRecord readUploadRecord(const std::string& albumRoot, const std::string& target)
{
    UploadRecord record;
    record.target = target;
    const std::optional<std::vector<std::string>> lines =
        readLines(recordsFolder(albumRoot) / kUploadFileName, kUploadHeader);
    if (!lines || lines->empty() || (*lines)[0] != "target " + escapeRecordName(target))
        return record;
    for (std::size_t i = 1; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        std::string path;
        PublishedFile file;
        if (line.starts_with("F ") && readFileLine(line, path, file)) {
            record.started.erase(path);
            record.sent[path] = file;
        } else if (line.starts_with("P ") && readFileLine(line, path, file)) {
            record.started[path] = file;
        } else if (line.starts_with("D ") && line.size() > 2) {
            path = percentDecode(std::string_view(line).substr(2));
            record.sent.erase(path);
            record.started.erase(path);
        }
    }
    return record;
}

bool UploadJournal::open(const std::string& albumRoot, const UploadRecord& record, std::string& error)
{
    if (!makeRecordsFolder(albumRoot, error))
        return false;
    path_ = recordsFolder(albumRoot) / kUploadFileName;
    if (!writeRecord(path_, uploadRecordText(record), error))
        return false;
    file_ = openFile(path_.string(), "ab");
    if (!file_) {
        error = "cannot write " + path_.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool UploadJournal::append(const std::string& line, std::string& error)
{
    if (file_ && std::fputs(line.c_str(), file_.get()) >= 0 && std::fflush(file_.get()) == 0)
        return true;
    error = "cannot write " + path_.string() + ": " + std::strerror(errno);
    return false;
}

bool UploadJournal::fileStarted(const std::string& path, const PublishedFile& file, std::string& error)
{
    return append(fileLine('P', path, file), error);
}

bool UploadJournal::fileSent(const std::string& path, const PublishedFile& file, std::string& error)
{
    return append(fileLine('F', path, file), error);
}

bool UploadJournal::fileRemoved(const std::string& path, std::string& error)
{
    return append("D " + escapeRecordName(path) + "\n", error);
}

bool UploadJournal::close(const UploadRecord& record, std::string& error)
{
    if (!file_)
        return true;
    if (!closeChecked(file_)) {
        error = "cannot write " + path_.string() + ": " + std::strerror(errno);
        return false;
    }
    return writeRecord(path_, uploadRecordText(record), error);
}

std::optional<std::string> hashFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    struct ContextFree {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    std::vector<char> block(1 << 16);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (in.gcount() > 0 && EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(in.gcount())) != 1)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return std::nullopt;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

}  // namespace quorvane
