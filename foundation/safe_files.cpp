#include "foundation/safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorvane {

StdioFile createFreshFile(const std::filesystem::path& path, mode_t mode)
{
    return createFreshFileAt(AT_FDCWD, path.c_str(), mode);
}

StdioFile createFreshFileAt(int folderFd, const char* name, mode_t mode)
{
    // Only a file or a link is replaced; a folder, a device or a pipe at the
    // name is left alone and the exclusive open below then fails.
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) && ::unlinkat(folderFd, name, 0) != 0)
        return nullptr;
    const int fd = ::openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return StdioFile(file);
}

bool closeChecked(StdioFile& file)
{
    if (!file)
        return false;
    const bool flushed = std::fflush(file.get()) == 0;
    const int flushError = errno;
    const bool clean = std::ferror(file.get()) == 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (!flushed)
        errno = flushError;
    else if (closed && !clean)
        errno = EIO;
    return flushed && clean && closed;
}

std::filesystem::path temporaryBeside(const std::filesystem::path& path)
{
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = path;
    temporary.replace_filename(".qv" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp");
    return temporary;
}

bool replaceFileContents(const std::filesystem::path& path, std::string_view bytes, std::string& reason,
                         mode_t mode)
{
    const std::filesystem::path temporary = temporaryBeside(path);
    StdioFile file = createFreshFile(temporary, mode);
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = file && closeChecked(file);
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    reason = std::strerror(written || !file ? errno : writeError);
    ::unlink(temporary.c_str());
    return false;
}

std::vector<std::filesystem::path> linkedOutputAllowList()
{
    std::vector<std::filesystem::path> folders;
    const char* text = std::getenv(kLinkedOutputVariable);
    if (!text)
        return folders;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::error_code error;
        if (!entry.empty() && entry.front() == '/') {
            const std::filesystem::path real = std::filesystem::canonical(std::string(entry), error);
            if (!error)
                folders.push_back(real);
        }
    }
    return folders;
}

namespace {

// The real path of folder, resolving the nearest parent that exists and
// keeping the missing rest as it is written.
std::filesystem::path resolveExisting(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error).lexically_normal();
    std::filesystem::path missing;
    while (!existing.empty()) {
        const std::filesystem::path real = std::filesystem::canonical(existing, error);
        if (!error)
            return missing.empty() ? real : (real / missing).lexically_normal();
        if (existing == existing.root_path())
            break;
        missing = missing.empty() ? existing.filename() : existing.filename() / missing;
        existing = existing.parent_path();
    }
    return folder;
}

bool isWithin(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    const std::filesystem::path inside = path.lexically_relative(folder);
    return !inside.empty() && *inside.begin() != "..";
}

}  // namespace

bool folderStaysInside(const std::filesystem::path& folder, const std::filesystem::path& root)
{
    const std::filesystem::path real = resolveExisting(folder);
    if (isWithin(real, resolveExisting(root)))
        return true;
    for (const std::filesystem::path& allowed : linkedOutputAllowList()) {
        if (isWithin(real, allowed))
            return true;
    }
    return false;
}

std::string linkedFolderRefusal(const std::filesystem::path& folder)
{
    const std::string target = resolveExisting(folder).string();
    return "Not writing into " + folder.string() + ": it leads to " + target +
           ", outside the album (name that folder in " + kLinkedOutputVariable + " to allow it)";
}

}  // namespace quorvane
