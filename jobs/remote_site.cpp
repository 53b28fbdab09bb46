#include "jobs/remote_site.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/escaping.h"
#include "foundation/file_handle.h"

namespace quorvane {

namespace {

constexpr char kTemporarySuffix[] = ".quorvane-upload";

// Host names, IPv4 and IPv6 literals; nothing that could end the host part
// of a URL or smuggle a login, path or query into it.
bool validHost(std::string_view host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (const char c : host) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letter && c != '.' && c != '-' && c != ':' && c != '_')
            return false;
    }
    return true;
}

// Every byte but the unreserved ones as %XX, so names with spaces, "#", "?"
// or "%" reach the server as they are.
std::string escapeSegment(std::string_view segment)
{
    std::string out;
    appendUrlEncoded(out, segment, false);
    return out;
}

std::vector<std::string_view> segmentsOf(std::string_view path)
{
    std::vector<std::string_view> segments;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty())
            segments.push_back(part);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return segments;
}

// FTP commands end at a line break: a name holding one could add commands.
bool safeInCommand(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// SFTP quote commands take double-quoted names with backslash escapes.
std::string quotedForSftp(std::string_view path)
{
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, ListDeleter>;

CommandList commandList(std::initializer_list<std::string> commands)
{
    curl_slist* list = nullptr;
    for (const std::string& command : commands)
        list = curl_slist_append(list, command.c_str());
    return CommandList(list);
}

size_t readFromFile(char* buffer, size_t size, size_t count, void* file)
{
    return std::fread(buffer, size, count, static_cast<std::FILE*>(file));
}

int seekInFile(void* file, curl_off_t offset, int origin)
{
    return fseeko(static_cast<std::FILE*>(file), offset, origin) == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

int reportProgress(void* progress, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent)
{
    const auto* callback = static_cast<const RemoteSite::Progress*>(progress);
    if (*callback)
        (*callback)(static_cast<std::uint64_t>(sent));
    return 0;
}

}  // namespace

struct RemoteSite::Handle {
    CURL* curl = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    std::string lastReply;

    Handle() : curl(curl_easy_init()) {}
    ~Handle() { curl_easy_cleanup(curl); }

    // Keeps the server's latest answer, to name it when something fails.
    static int watch(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        if (type != CURLINFO_HEADER_IN)
            return 0;
        std::string line(data, size);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (!line.empty())
            static_cast<Handle*>(self)->lastReply = line.substr(0, 200);
        return 0;
    }
};

std::string RemoteTarget::describe() const
{
    std::string text = scheme + "://";
    if (!login.empty())
        text += login + "@";
    text += host + ":" + std::to_string(port);
    return text + (remotePath.starts_with('/') ? "" : "/") + remotePath;
}

std::optional<RemoteTarget> makeRemoteTarget(std::string_view server, int port, std::string_view login,
                                             std::string_view remotePath, bool allowPlain, std::string& error)
{
    RemoteTarget target;
    target.scheme = "ftp";
    for (const char* scheme : {"sftp", "ftps", "ftp"}) {
        const std::string prefix = std::string(scheme) + "://";
        if (startsWithIgnoringAsciiCase(server, prefix)) {
            target.scheme = scheme;
            server.remove_prefix(prefix.size());
            break;
        }
    }
    while (!server.empty() && server.back() == '/')
        server.remove_suffix(1);
    if (server.size() > 2 && server.front() == '[' && server.back() == ']')
        server = server.substr(1, server.size() - 2);
    if (server.empty()) {
        error = "no FTP server is set in the project options";
        return std::nullopt;
    }
    if (!validHost(server)) {
        error = "the FTP server name '" + std::string(server) + "' is not a host name";
        return std::nullopt;
    }
    if (port <= 0 || port > 65535) {
        error = "the FTP port " + std::to_string(port) + " is not between 1 and 65535";
        return std::nullopt;
    }
    if (!safeInCommand(login) || !safeInCommand(remotePath)) {
        error = "the FTP login or path holds a line break";
        return std::nullopt;
    }
    target.host = std::string(server);
    target.port = port;
    target.login = std::string(login);
    target.remotePath = std::string(remotePath);
    while (target.remotePath.size() > 1 && target.remotePath.back() == '/')
        target.remotePath.pop_back();
    target.allowPlain = allowPlain;
    initialiseCurl();
    if (target.scheme == "sftp") {
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        bool sftp = false;
        for (const char* const* protocol = info->protocols; protocol && *protocol; ++protocol)
            sftp = sftp || std::string_view(*protocol) == "sftp";
        if (!sftp) {
            error = "this libcurl cannot speak SFTP";
            return std::nullopt;
        }
    }
    return target;
}

RemoteSite::RemoteSite(RemoteTarget target) : target_(std::move(target)), handle_(std::make_unique<Handle>())
{
    initialiseCurl();
}

RemoteSite::~RemoteSite() = default;

std::string RemoteSite::temporaryName(std::string_view path)
{
    return std::string(path) + kTemporarySuffix;
}

namespace {

// "ftp://host:port/" and the folders down to the file's own, with a trailing
// "/". FTP paths are relative to the login folder unless they start with "/"
// ("%2F" makes the first folder the root); SFTP paths are absolute, "~" is home.
std::string folderUrl(const RemoteTarget& target, std::string_view path)
{
    std::string url = target.scheme + "://";
    url += target.host.find(':') != std::string::npos ? "[" + target.host + "]" : target.host;
    url += ":" + std::to_string(target.port) + "/";
    const bool absolute = !target.remotePath.empty() && target.remotePath.front() == '/';
    if (target.scheme == "sftp")
        url += absolute ? "" : "~/";
    else if (absolute)
        url += "%2F";
    if (absolute && target.scheme != "sftp" && segmentsOf(target.remotePath).empty())
        url += "/";
    for (const std::string_view segment : segmentsOf(target.remotePath))
        url += escapeSegment(segment) + "/";
    for (const std::string_view segment : segmentsOf(path))
        url += escapeSegment(segment) + "/";
    return url;
}

// The full remote name of a file, as SFTP commands take it.
std::string sftpPath(const RemoteTarget& target, std::string_view path)
{
    const bool absolute = !target.remotePath.empty() && target.remotePath.front() == '/';
    std::string full = absolute ? target.remotePath : "/~/" + target.remotePath;
    if (full.back() != '/')
        full += '/';
    return full + std::string(path);
}

std::pair<std::string_view, std::string_view> splitPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

RemoteResult RemoteSite::perform(const std::string& what)
{
    CURL* curl = handle_->curl;
    handle_->errorText[0] = '\0';
    handle_->lastReply.clear();
    const CURLcode code = curl_easy_perform(curl);
    RemoteResult result;
    curl_off_t sent = 0;
    curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
    result.bytesSent = sent > 0 ? static_cast<std::uint64_t>(sent) : 0;
    if (code == CURLE_OK)
        return result;
    result.ok = false;
    std::string reason = handle_->errorText[0] ? handle_->errorText : curl_easy_strerror(code);
    if (code == CURLE_USE_SSL_FAILED && target_.scheme == "ftp")
        reason += " (the server offers no TLS; allow plain FTP in the project to upload without it)";
    result.error = what + ": " + reason;
    if (!handle_->lastReply.empty() && reason.find(handle_->lastReply) == std::string::npos)
        result.error += " (server: " + handle_->lastReply + ")";
    return result;
}

namespace {

void setCommonOptions(CURL* curl, const RemoteTarget& target, char* errorText, void* watcher,
                      curl_debug_callback watch)
{
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // the debug callback sees the server's answers
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, watch);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, watcher);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
    // A transfer that stalls for a minute has failed.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    if (!target.login.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, target.login.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, target.password.c_str());
    }
    if (target.scheme == "ftp")
        curl_easy_setopt(curl, CURLOPT_USE_SSL, target.allowPlain ? CURLUSESSL_TRY : CURLUSESSL_ALL);
    // The certificates OpenSSL itself would trust when told by the environment.
    if (const char* authorities = std::getenv("SSL_CERT_FILE"); authorities && *authorities)
        curl_easy_setopt(curl, CURLOPT_CAINFO, authorities);
    if (target.scheme == "sftp") {
        // Only servers the user's ssh already knows.
        const char* home = std::getenv("HOME");
        const std::string knownHosts = std::string(home ? home : "") + "/.ssh/known_hosts";
        curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
    }
}

}  // namespace

RemoteResult RemoteSite::connect()
{
    CURL* curl = handle_->curl;
    setCommonOptions(curl, target_, handle_->errorText, handle_.get(), &Handle::watch);
    std::string url = target_.scheme + "://" +
                      (target_.host.find(':') != std::string::npos ? "[" + target_.host + "]" : target_.host) +
                      ":" + std::to_string(target_.port) + (target_.scheme == "sftp" ? "/~/" : "/");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return perform("Cannot log in to " + target_.describe());
}

RemoteResult RemoteSite::upload(const std::filesystem::path& local, std::string_view path, bool resume,
                                const Progress& progress)
{
    const auto [folder, name] = splitPath(path);
    if (!safeInCommand(path) || name.empty())
        return {false, "Cannot upload " + std::string(path) + ": the name cannot be sent", 0};
    FileHandle file = openFile(local.string(), "rb");
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(local, error);
    if (!file || error)
        return {false, "Cannot read " + local.string(), 0};

    CURL* curl = handle_->curl;
    setCommonOptions(curl, target_, handle_->errorText, handle_.get(), &Handle::watch);
    const std::string temporary = temporaryName(name);
    const std::string url = folderUrl(target_, folder) + escapeSegment(temporary);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readFromFile);
    curl_easy_setopt(curl, CURLOPT_READDATA, file.get());
    curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, seekInFile);
    curl_easy_setopt(curl, CURLOPT_SEEKDATA, file.get());
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    // -1: continue from the size the server already holds.
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resume ? -1 : 0));
    curl_easy_setopt(curl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &progress);
    CommandList rename;
    if (target_.scheme == "sftp") {
        rename = commandList({"*rm " + quotedForSftp(sftpPath(target_, path)),
                              "rename " + quotedForSftp(sftpPath(target_, temporaryName(path))) + " " +
                                  quotedForSftp(sftpPath(target_, path))});
    } else {
        // After the transfer the connection is in the file's folder.
        rename = commandList({"RNFR " + temporary, "RNTO " + std::string(name)});
    }
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, rename.get());
    RemoteResult result = perform("Cannot upload " + std::string(path));
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, nullptr);
    return result;
}

RemoteResult RemoteSite::remove(std::string_view path)
{
    if (!safeInCommand(path))
        return {false, "Cannot remove " + std::string(path) + ": the name cannot be sent", 0};
    const auto [folder, name] = splitPath(path);
    CURL* curl = handle_->curl;
    setCommonOptions(curl, target_, handle_->errorText, handle_.get(), &Handle::watch);
    const std::string url = folderUrl(target_, folder);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    const CommandList command = target_.scheme == "sftp"
                                    ? commandList({"rm " + quotedForSftp(sftpPath(target_, path))})
                                    : commandList({"DELE " + std::string(name)});
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, command.get());
    RemoteResult result = perform("Cannot remove " + std::string(path));
    curl_easy_setopt(curl, CURLOPT_POSTQUOTE, nullptr);
    // Gone already, file or folder: what --delete wanted.
    if (!result.ok && handle_->lastReply.starts_with("550"))
        return {};
    return result;
}

}  // namespace quorvane
