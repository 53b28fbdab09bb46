#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Where an album is published: the project's FTP settings, checked.
struct RemoteTarget {
    std::string scheme;  // "ftp", "ftps" (TLS from the start) or "sftp"
    std::string host;
    int port = 21;
    std::string login;
    std::string password;
    std::string remotePath;  // as the project gives it, without trailing "/"
    bool allowPlain = false;  // FTP without TLS when the server offers none

    // "ftp://login@host:port/path": names the target in the upload record
    // and in messages; holds no password.
    std::string describe() const;
};

// Reads the server field ("host", "ftp://host", "sftp://host"), port, login
// and remote path. Refuses, with a reason, what cannot name a server safely.
std::optional<RemoteTarget> makeRemoteTarget(std::string_view server, int port, std::string_view login,
                                             std::string_view remotePath, bool allowPlain, std::string& error);

struct RemoteResult {
    bool ok = true;
    // What went wrong, with the server's last answer when there was one.
    std::string error;
    // Bytes that crossed the network in this call.
    std::uint64_t bytesSent = 0;
};

// One connection to the server through libcurl, reused from call to call.
// Paths are relative to the target's remote path, with "/" between folders.
class RemoteSite {
public:
    // Bytes of the current file known to be on the server.
    using Progress = std::function<void(std::uint64_t bytes)>;

    explicit RemoteSite(RemoteTarget target);
    ~RemoteSite();
    RemoteSite(const RemoteSite&) = delete;
    RemoteSite& operator=(const RemoteSite&) = delete;

    // Logs in and goes nowhere: tells a refused login before anything is sent.
    RemoteResult connect();
    // Sends the file to the temporary name beside its final one, then renames
    // it; visitors never see half a file. With resume, what already reached
    // the temporary name stays and only the rest is sent.
    RemoteResult upload(const std::filesystem::path& local, std::string_view path, bool resume,
                        const Progress& progress);
    RemoteResult remove(std::string_view path);

    const RemoteTarget& target() const { return target_; }

    // The name a file travels under until it is complete.
    static std::string temporaryName(std::string_view path);

private:
    struct Handle;
    RemoteResult perform(const std::string& what);

    RemoteTarget target_;
    std::unique_ptr<Handle> handle_;
};

}  // namespace quorvane
