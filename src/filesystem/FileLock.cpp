#include "filesystem/FileLock.h"
#include "filesystem/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Between tries of a waiting lock; short against a run, long against the CPU.
constexpr useconds_t kRetryMicroseconds = 20000;
// Opens of a lock file that others keep removing and making anew.
constexpr int kOpenTries = 16;

} // namespace

FileLock::Result FileLock::tryLock(const QString &lockPath) {
    unlock();
    // Not following a link and not waiting on a FIFO: the lock file is ours.
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < kOpenTries; ++tries) {
        fd = FileSystem::Open(lockPath, kFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            (void)::fchmod(fd, 0666);
            break;
        }
        if (errno != EEXIST)
            return Result::Unavailable;
        fd = FileSystem::Open(lockPath, kFlags);
        // Removed between the two opens: try again.
        if (fd < 0 && errno != ENOENT)
            return Result::Unusable;
    }
    if (fd < 0)
        return Result::Unusable;
    FileHandle file(fd);
    if (!file.isRegular())
        return Result::Unusable;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &lock) != 0)
        return (errno == EACCES || errno == EAGAIN) ? Result::Busy : Result::Unusable;
    file_ = std::move(file);
    return Result::Locked;
}

FileLock::Result FileLock::waitLock(const QString &lockPath,
                                    const std::function<bool()> &giveUp) {
    for (;;) {
        const Result result = tryLock(lockPath);
        if (result != Result::Busy || giveUp())
            return result;
        ::usleep(kRetryMicroseconds);
    }
}
