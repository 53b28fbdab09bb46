#pragma once

#include <string>

namespace quorvane {

// An advisory lock on a directory, held while a file in it is re-read,
// merged and replaced, so that two programs saving at once (the command line,
// the desktop program) never lose each other's updates. The lock is on the
// directory itself, so no lock file is left behind.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& path);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    // Empty when the lock is held.
    const std::string& error() const { return error_; }

private:
    int fd_;
    std::string error_;
};

}  // namespace quorvane
