#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// FTP passwords live outside the album, in one file per user that only the
// user can read: a password inside "ProjectOptions.xml" would be published
// with the album. Entries are keyed by server, port and login.
//
// The file is "$XDG_CONFIG_HOME/quorvane/passwords" (or
// "~/.config/quorvane/passwords"), mode 0600 in a 0700 folder; one line per
// entry: server, port, login and password separated by tabs, each with
// "%", tab, line feed and carriage return written as "%XX".
struct PasswordKey {
    std::string server;
    int port = 21;
    std::string login;
};

std::filesystem::path passwordStorePath();

// The stored password, or none (no entry, no file, or an unreadable one).
std::optional<std::string> lookupPassword(const PasswordKey& key);

// Stores the password under the key, or forgets the key when the password is
// empty. False with error set when the file cannot be written; the old file
// is then left as it was.
bool storePassword(const PasswordKey& key, std::string_view password, std::string& error);

}  // namespace quorvane
