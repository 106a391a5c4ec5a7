#pragma once
// A POSIX record lock (fcntl, which also works over NFS) on a lock file, held
// while the object lives or until unlock. Two processes never hold it at once;
// within one process it is held by one FileLock at a time.

#include "wavefile/FileHandle.h"

#include <QString>
#include <functional>

class FileLock {
public:
    enum class Result {
        Locked,     // this object holds the lock
        Busy,       // another process holds it
        Unavailable // the lock file cannot be made (a read-only folder): nothing to hold
    };

    // Tries once.
    Result tryLock(const QString &lockPath);
    // Waits until the lock is free, asking giveUp between tries; Busy when it gave up.
    Result waitLock(const QString &lockPath, const std::function<bool()> &giveUp);
    void unlock() { file_.close(); }
    bool isLocked() const { return file_.isOpen(); }

private:
    FileHandle file_;
};
