#pragma once
// The files a run must never lose: every input it was asked to process
// (reached or not, skipped or not), from the run's start, and each output, log
// and lock file it made, as soon as it exists. They are known by identity, so
// no spelling or link of a name gets past them. Every file the program creates
// or replaces asks this set first; the last run's set stays until the next run
// starts, for the export, the dump and the preview that follow it.
//
// The set also keeps the work files the program wrote itself (the preview's),
// by their stamp: a file of that name is replaced or removed only when it is
// the very file written, never a user's own file of the same name.

#include "filesystem/FileSystem.h"

#include <QString>
#include <vector>

class ProtectedFiles {
public:
    // Forgets the last run's files; the work files written are kept.
    void BeginRun() { members_.clear(); }
    // The file path names now (links followed) is a member from now on;
    // nothing when there is none. Add takes a file the run was given (an
    // input), AddMade one it made (an output, a log, the lock).
    void Add(const QString &path);
    void AddMade(const QString &path);
    // True when path names a member, links followed, other than a file the
    // run made at self: a log may replace itself, never an input.
    bool Guards(const QString &path, const QString &self = QString()) const;

    // The work file at path was written by this program and stamped so.
    void RememberWorkFile(const QString &path, const FileSystem::FileStamp &stamp);
    // True when the entry at path is the very work file this program wrote.
    bool IsOwnWorkFile(const QString &path) const;
    // Removes the work file at path when it is the one this program wrote.
    void RemoveOwnWorkFile(const QString &path);
    // The same for every work file written (at exit).
    void RemoveOwnWorkFiles();

private:
    struct WorkFile {
        QString path;
        FileSystem::FileStamp stamp;
    };
    struct Member {
        FileSystem::FileId id;
        QString madeAt; // where the run made it; empty for a file it was given
    };
    void AddMember(const QString &path, const QString &madeAt);

    std::vector<Member> members_;
    std::vector<WorkFile> workFiles_;
};
