#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace quorvane {

// A folder new files of a run are created in, judged (it stays inside the
// album or destination) and opened once: the pages created after the first
// one go into the folder that was judged, whatever its name leads to later.
class OutputFolder {
public:
    explicit OutputFolder(int fd) : fd_(fd) {}
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();

    int fd() const { return fd_; }

private:
    int fd_;
};

// A page whose file is already there: its new bytes are kept until they
// differ in length or end, so a page that comes out as before is never
// rewritten (a rebuild of a big album then writes nothing, and the files
// keep their dates).
struct PendingPage {
    PendingPage(std::shared_ptr<const OutputFolder> in, std::string fileName, int storedFd, std::uint64_t size);
    PendingPage(PendingPage&& other) noexcept;
    PendingPage& operator=(PendingPage&&) = delete;
    ~PendingPage();

    std::shared_ptr<const OutputFolder> folder;
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
    bool isRegularFile(const std::string& path);
    // The size of the JPEG file at path as decoded, if it is one.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> jpegSize(const std::string& path);
    // A command of the run is about to write path: what was learnt about any
    // file of that name is stale, whichever folder name led to it.
    void forget(const std::string& path);

    // The folder open for creating files, nullptr when it cannot be opened
    // (the caller then creates by name and meets the system's reason). refused
    // is set when the folder leads out of root through a link.
    std::shared_ptr<const OutputFolder> outputFolder(const std::filesystem::path& folder,
                                                     const std::filesystem::path& root, bool& refused);

    void clear();

private:
    struct FileFacts {
        bool regular = false;
        bool headerRead = false;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> size;
    };
    // One folder as paths name it: its listing (names of plain files, and
    // of entries that need a closer look) and what was learnt per name.
    struct FolderFacts {
        bool listed = false;
        bool listable = false;
        std::unordered_map<std::string, bool> entries;  // name → known to be a plain file
        std::unordered_map<std::string, FileFacts> files;
    };
    FileFacts& factsOf(const std::string& path);
    bool listedAsRegular(FolderFacts& folder, const std::string& folderPath, const std::string& name,
                         const std::string& path);

    std::unordered_map<std::string, FolderFacts> folderFacts_;
    std::unordered_map<std::string, std::shared_ptr<const OutputFolder>> folders_;
};

}  // namespace quorvane
