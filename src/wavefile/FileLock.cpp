#include "wavefile/FileLock.h"
#include "wavefile/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Between tries of a waiting lock; short against a run, long against the CPU.
constexpr useconds_t kRetryMicroseconds = 20000;

} // namespace

FileLock::Result FileLock::tryLock(const QString &lockPath) {
    unlock();
    // Not following a link and not waiting on a FIFO: the lock file is ours.
    const int fd = FileSystem::Open(
        lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0)
        return Result::Unavailable;
    FileHandle file(fd);
    if (!file.isRegular())
        return Result::Unavailable;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &lock) != 0)
        return (errno == EACCES || errno == EAGAIN) ? Result::Busy : Result::Unavailable;
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
