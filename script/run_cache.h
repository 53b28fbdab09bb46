#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvane {

// A folder held open by its descriptor. Files created or read through it stay
// in the folder that was judged and opened, whatever its name leads to later.
class OpenFolder {
public:
    explicit OpenFolder(int fd) : fd_(fd) {}
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    int fd() const { return fd_; }

private:
    int fd_;
};

// A page whose file is already there: its new bytes are kept until they
// differ in length or end, so a page that comes out as before is never
// rewritten (a rebuild of a big album then writes nothing, and the files
// keep their dates).
struct PendingPage {
    PendingPage(std::shared_ptr<const OpenFolder> in, std::string fileName, int storedFd, std::uint64_t size);
    PendingPage(PendingPage&& other) noexcept;
    PendingPage& operator=(PendingPage&&) = delete;
    ~PendingPage();

    std::shared_ptr<const OpenFolder> folder;
    std::string name;  // inside folder
    int stored = -1;   // the stored file, open for reading
    std::uint64_t storedSize = 0;
    std::string bytes;
};

// What one script run learns about the files around it. A run reads each
// generated picture's header and looks for each twice-size file once, though
// every loop over the pictures asks again; a folder is listed once instead of
// a look-up per name. The next run starts afresh, so a file changed between
// runs is read again.
class ScriptRunCache {
public:
    // Whether a regular file stands at path (links followed).
    bool isRegularFile(std::string_view path);
    // The size of the JPEG file at path as decoded, if it is one.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> jpegSize(std::string_view path);
    // A command of the run is about to write path: what was learnt about any
    // file of that name is stale, whichever folder name led to it.
    void forget(std::string_view path);

    // The folder open for creating files, nullptr when it cannot be opened
    // (the caller then creates by name and meets the system's reason). refused
    // is set when the folder leads out of root through a link.
    std::shared_ptr<const OpenFolder> outputFolder(const std::filesystem::path& folder,
                                                   const std::filesystem::path& root, bool& refused);

    void clear();

private:
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    template <class Value>
    using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

    struct FileFacts {
        bool regular = false;
        bool headerRead = false;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> size;
    };
    // One folder as paths name it: open once, listed once (plain files as
    // true, entries that need a closer look as false), and what was learnt
    // per name. Without an open folder every name is looked up by path.
    struct FolderFacts {
        bool listed = false;
        std::shared_ptr<const OpenFolder> open;
        TextMap<bool> entries;
        TextMap<FileFacts> files;
    };
    FileFacts& factsOf(std::string_view path, FolderFacts*& folder, std::string_view& name);
    bool regularByListing(FolderFacts& folder, std::string_view folderPath, std::string_view name,
                          std::string_view path);

    TextMap<FolderFacts> folderFacts_;
    TextMap<std::shared_ptr<const OpenFolder>> outputFolders_;
};

}  // namespace quorvane
