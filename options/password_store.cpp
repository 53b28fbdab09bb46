#include "options/password_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/directory_lock.h"
#include "foundation/percent_escape.h"
#include "foundation/safe_files.h"
#include "foundation/xdg_dirs.h"

namespace quorvane {

namespace {

// A store larger than this is not ours to read.
constexpr std::uintmax_t kMaxStoreSize = 1 << 20;

struct Entry {
    PasswordKey key;
    std::string password;
};

std::string escapeField(std::string_view text)
{
    return percentEncode(text, [](unsigned char c) { return c == '%' || c == '\t' || c == '\n' || c == '\r'; });
}

bool sameKey(const PasswordKey& a, const PasswordKey& b)
{
    // Host names ignore letter case.
    return a.port == b.port && a.login == b.login && equalsIgnoringAsciiCase(a.server, b.server);
}

// The entries, or none when the store exists but cannot be read: it must
// then not be written over, or the other entries would be lost.
std::optional<std::vector<Entry>> readStore()
{
    std::vector<Entry> entries;
    const std::filesystem::path path = passwordStorePath();
    if (path.empty())
        return std::nullopt;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::filesystem::exists(path, error) || error ? std::nullopt : std::optional(entries);
    if (size > kMaxStoreSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string_view> fields;
        std::string_view rest = line;
        while (fields.size() < 3) {
            const std::size_t tab = rest.find('\t');
            if (tab == std::string_view::npos)
                break;
            fields.push_back(rest.substr(0, tab));
            rest.remove_prefix(tab + 1);
        }
        if (fields.size() != 3)
            continue;
        Entry entry;
        entry.key.server = percentDecode(fields[0]);
        entry.key.port = std::atoi(std::string(fields[1]).c_str());
        entry.key.login = percentDecode(fields[2]);
        entry.password = percentDecode(rest);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool writeStore(const std::vector<Entry>& entries, std::string& error)
{
    const std::filesystem::path path = passwordStorePath();
    std::string bytes;
    for (const Entry& entry : entries) {
        bytes += escapeField(entry.key.server) + '\t' + std::to_string(entry.key.port) + '\t' +
                 escapeField(entry.key.login) + '\t' + escapeField(entry.password) + '\n';
    }
    // Created 0600 from the start, so the password is never readable by others.
    std::string reason;
    if (replaceFileContents(path, bytes, reason, 0600))
        return true;
    error = "cannot write " + path.string() + ": " + reason;
    return false;
}

}  // namespace

std::filesystem::path passwordStorePath()
{
    // Without a home there is no private place: a relative name would land
    // wherever the program runs, perhaps inside the album.
    const std::filesystem::path base = xdgConfigHome();
    return base.empty() ? base : base / "quorvane" / "passwords";
}

std::optional<std::string> lookupPassword(const PasswordKey& key)
{
    std::optional<std::vector<Entry>> entries = readStore();
    if (!entries)
        return std::nullopt;
    for (Entry& entry : *entries) {
        if (sameKey(entry.key, key))
            return std::move(entry.password);
    }
    return std::nullopt;
}

bool storePassword(const PasswordKey& key, std::string_view password, std::string& error)
{
    const std::filesystem::path path = passwordStorePath();
    if (path.empty()) {
        error = "no per-user configuration folder (HOME is not set)";
        return false;
    }
    std::error_code ignored;
    // Nothing stored and nothing to store: saves of projects without FTP touch nothing.
    if (password.empty() && !std::filesystem::exists(path, ignored) && !ignored)
        return true;
    // Two programs saving at once must not drop each other's entries.
    const std::filesystem::path folder = path.parent_path();
    if (std::filesystem::create_directories(folder, ignored))
        ::chmod(folder.c_str(), 0700);
    const DirectoryLock lock(folder.string());
    if (!lock.error().empty()) {
        error = "cannot lock " + folder.string() + ": " + lock.error();
        return false;
    }
    std::optional<std::vector<Entry>> stored = readStore();
    if (!stored) {
        error = "cannot read " + path.string();
        return false;
    }
    std::vector<Entry>& entries = *stored;
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&key](const Entry& entry) { return sameKey(entry.key, key); });
    // Saves that change nothing touch no file.
    if (found == entries.end() ? password.empty() : found->password == password)
        return true;
    if (found != entries.end())
        entries.erase(found);
    if (!password.empty())
        entries.push_back({key, std::string(password)});
    return writeStore(entries, error);
}

}  // namespace quorvane
