#pragma once
// A POSIX record lock (fcntl, which also works over NFS) on a lock file, held
// while the object lives or until unlock. Two processes never hold it at once;
// within one process it is held by one FileLock at a time.

#include "filesystem/FileHandle.h"

#include <QString>
#include <functional>

class FileLock {
public:
    enum class Result {
        Locked,     // this object holds the lock
        Busy,       // another process holds it
        Unavailable, // no lock file can be made (a read-only folder): nothing to hold,
                     // and no log can be written there either
        Unusable     // the name is taken by a folder, a FIFO, a link, or a file this
                     // user cannot open for writing: a run must not go ahead
    };

    // Tries once. A lock file made here has mode 0666 whatever the umask, so
    // every user who can write the folder can take it.
    Result tryLock(const QString &lockPath);
    // Waits until the lock is free, asking giveUp between tries; Busy when it gave up.
    Result waitLock(const QString &lockPath, const std::function<bool()> &giveUp);
    void unlock() { file_.close(); }
    bool isLocked() const { return file_.isOpen(); }

private:
    FileHandle file_;
};
