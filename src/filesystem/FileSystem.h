#pragma once
// The system calls the program makes on paths. Each turns the path into the
// bytes the system takes in one place, so every file operation sees a name the
// same way. Nothing throws; failures are reported by the result.

#include <QString>
#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace FileSystem {

// What makes two names the same file, whatever their spelling or links.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &) const = default;
};

// A file's identity with its size and last change, which tells the very file
// written from one put in its place later (a new file may reuse the number).
struct FileStamp {
    FileId id;
    int64_t size = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp &) const = default;
};

// open(2), repeated when a signal interrupts it; -1 on failure.
int Open(const QString &path, int flags, mode_t mode = 0);
// True when a directory entry of that name exists (a dangling link counts).
bool EntryExists(const QString &path);
// True when the entry of that name is a symbolic link.
bool IsLink(const QString &path);
// The file a path names, links followed; nullopt when there is none.
std::optional<FileId> IdentityOf(const QString &path);
// The stamp of what path names, links followed, or of an open descriptor.
std::optional<FileStamp> StampOf(const QString &path);
std::optional<FileStamp> StampOf(int fd);
// The kind of file a path names, links followed.
enum class Kind { Missing, Regular, Folder, Fifo, CharDevice, Other };
Kind KindOf(const QString &path);
// The file's length in bytes, links followed; -1 when it cannot be looked at.
int64_t SizeOf(const QString &path);
// The permission bits of the regular file a path names, links followed.
std::optional<mode_t> PermissionsOf(const QString &path);
// True when path names a folder, links followed.
bool IsFolder(const QString &path);
// The path with every link, "." and ".." resolved; empty when it names nothing.
QString CanonicalPath(const QString &path);
// folder (empty: the current folder) made absolute and ending in "/", its
// bytes kept: as the system resolves it (links, "..") when it exists,
// otherwise cleaned as text against the current folder.
QString ResolvedFolder(const QString &folder);
// Removes the directory entry (a link itself, never what it points to).
bool Remove(const QString &path);
// The same, but an entry already gone (another process removed it) is no
// failure: true unless an entry of that name could not be removed.
bool RemoveIfThere(const QString &path);
// Renames from over to in one step; an entry at to (a link too) is replaced.
bool Rename(const QString &from, const QString &to);
// True when the name (the last part of path) is longer than its folder allows.
bool NameTooLong(const QString &path);
// True for the errors that say the volume (or the file's allowed size) is full.
bool IsNoSpaceError(int error);
// The system's reason for an error number, as its message text.
QString ErrorText(int error);
// Bytes free to this user on the volume holding folder; -1 when unknown.
int64_t FreeBytes(const QString &folder);

} // namespace FileSystem
