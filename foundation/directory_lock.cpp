#include "foundation/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvane {

DirectoryLock::DirectoryLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = std::strerror(errno);
            return;
        }
    }
}

DirectoryLock::~DirectoryLock()
{
    if (fd_ >= 0)
        ::close(fd_);  // which releases the lock
}

}  // namespace quorvane
