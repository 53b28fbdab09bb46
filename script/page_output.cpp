#include "script/page_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "options/project_options.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

// Larger stored pages are simply rewritten: comparing them would keep as
// much in memory.
constexpr std::uint64_t kMaxComparedPage = std::uint64_t(4) << 20;

// Whether the stored file holds exactly the page's bytes.
bool storedFileHolds(const PendingPage& page)
{
    if (page.storedSize != page.bytes.size())
        return false;
    std::string stored(page.bytes.size(), '\0');
    std::size_t got = 0;
    while (got < stored.size()) {
        const ssize_t count = ::read(page.stored, stored.data() + got, stored.size() - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        got += static_cast<std::size_t>(count);
    }
    return got == stored.size() && stored == page.bytes;
}

// The waiting page becomes a fresh file holding what was written so far.
bool createPendingPage(ScriptContext& context)
{
    PendingPage page = std::move(*context.pendingPage);
    context.pendingPage.reset();
    context.outputFile = createFreshFileAt(page.folder->fd(), page.name.c_str());
    return context.outputFile &&
           std::fwrite(page.bytes.data(), 1, page.bytes.size(), context.outputFile.get()) == page.bytes.size();
}

std::shared_ptr<const OpenFolder> outputFolderOf(ScriptContext& context, const std::filesystem::path& path,
                                                   bool& refused)
{
    return context.runCache.outputFolder(path.parent_path(), writeRoot(context), refused);
}

}  // namespace

std::filesystem::path writeRoot(const ScriptContext& context)
{
    if (context.options && context.options->useDestPath)
        return context.options->outputFolder;
    return context.albumRoot.empty() ? std::string(".") : context.albumRoot;
}

StdioFile createOutput(ScriptContext& context, const std::filesystem::path& path, int& error)
{
    error = 0;
    bool refused = false;
    const std::shared_ptr<const OpenFolder> folder = outputFolderOf(context, path, refused);
    if (refused)
        return nullptr;
    context.runCache.forget(path.native());
    const std::filesystem::path name = path.filename();
    StdioFile file = folder && !name.empty() ? createFreshFileAt(folder->fd(), name.c_str()) : createFreshFile(path);
    if (!file)
        error = errno;
    return file;
}

bool openPage(ScriptContext& context, const std::filesystem::path& path, int& error)
{
    error = 0;
    bool refused = false;
    const std::shared_ptr<const OpenFolder> folder = outputFolderOf(context, path, refused);
    if (refused)
        return false;
    // Only a plain file with no other name is compared: a link or a shared
    // file is replaced as always.
    const std::filesystem::path name = path.filename();
    const int stored = folder && !name.empty() ? ::openat(folder->fd(), name.c_str(),
                                                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                                               : -1;
    struct stat info {};
    if (stored >= 0 && ::fstat(stored, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        static_cast<std::uint64_t>(info.st_size) <= kMaxComparedPage) {
        context.runCache.forget(path.native());
        context.pendingPage.emplace(folder, name.native(), stored, static_cast<std::uint64_t>(info.st_size));
        return true;
    }
    if (stored >= 0)
        ::close(stored);
    context.outputFile = createOutput(context, path, error);
    return static_cast<bool>(context.outputFile);
}

bool writePage(ScriptContext& context, std::string_view bytes)
{
    if (PendingPage* page = context.pendingPage ? &*context.pendingPage : nullptr) {
        page->bytes.append(bytes);
        if (page->bytes.size() <= page->storedSize)
            return true;
        return createPendingPage(context);
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), context.outputFile.get()) == bytes.size();
}

bool closePage(ScriptContext& context)
{
    if (context.pendingPage) {
        if (storedFileHolds(*context.pendingPage)) {
            context.pendingPage.reset();
            return true;
        }
        if (!createPendingPage(context)) {
            const int saved = errno;
            context.outputFile.reset();
            errno = saved;
            return false;
        }
    }
    return closeChecked(context.outputFile);
}

}  // namespace quorvane
