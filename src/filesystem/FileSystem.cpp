#include "filesystem/FileSystem.h"

#include "filesystem/PathBytes.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace FileSystem {

namespace {

// The one place a path becomes the bytes of a system call: the bytes the
// name was read with, even where they are not UTF-8.
QByteArray Native(const QString &path) {
    return PathToBytes(path);
}

// stat(2) of what path names, links followed; nullopt when it names nothing.
std::optional<struct stat> StatOf(const QString &path) {
    struct stat st;
    if (path.isEmpty() || ::stat(Native(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

FileStamp StampFrom(const struct stat &st) {
    return FileStamp{FileId{st.st_dev, st.st_ino}, int64_t(st.st_size),
                     int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

int Open(const QString &path, int flags, mode_t mode) {
    if (path.isEmpty())
        return -1;
    const QByteArray native = Native(path);
    int fd;
    do {
        fd = ::open(native.constData(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool EntryExists(const QString &path) {
    struct stat st;
    return !path.isEmpty() && ::lstat(Native(path).constData(), &st) == 0;
}

bool IsLink(const QString &path) {
    struct stat st;
    return !path.isEmpty() && ::lstat(Native(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<FileId> IdentityOf(const QString &path) {
    const auto st = StatOf(path);
    if (!st)
        return std::nullopt;
    return FileId{st->st_dev, st->st_ino};
}

std::optional<FileStamp> StampOf(const QString &path) {
    const auto st = StatOf(path);
    if (!st)
        return std::nullopt;
    return StampFrom(*st);
}

std::optional<FileStamp> StampOf(int fd) {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return StampFrom(st);
}

Kind KindOf(const QString &path) {
    const auto st = StatOf(path);
    if (!st)
        return Kind::Missing;
    if (S_ISREG(st->st_mode))
        return Kind::Regular;
    if (S_ISDIR(st->st_mode))
        return Kind::Folder;
    if (S_ISFIFO(st->st_mode))
        return Kind::Fifo;
    if (S_ISCHR(st->st_mode))
        return Kind::CharDevice;
    return Kind::Other;
}

int64_t SizeOf(const QString &path) {
    const auto st = StatOf(path);
    return st ? int64_t(st->st_size) : -1;
}

std::optional<mode_t> PermissionsOf(const QString &path) {
    const auto st = StatOf(path);
    if (!st || !S_ISREG(st->st_mode))
        return std::nullopt;
    return st->st_mode & 07777;
}

bool IsFolder(const QString &path) {
    const auto st = StatOf(path);
    return st && S_ISDIR(st->st_mode);
}

QString CanonicalPath(const QString &path) {
    if (path.isEmpty())
        return QString();
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(Native(path).constData(), nullptr), &std::free);
    return resolved ? PathFromBytes(resolved.get()) : QString();
}

QString ResolvedFolder(const QString &folder) {
    const QString given = folder.isEmpty() ? QStringLiteral(".") : folder;
    QString path = CanonicalPath(given);
    if (path.isEmpty()) {
        const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
        path = AbsoluteCleanPath(given, cwd ? PathFromBytes(cwd.get()) : QStringLiteral("/"));
    }
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

bool Remove(const QString &path) {
    return !path.isEmpty() && ::unlink(Native(path).constData()) == 0;
}

bool RemoveIfThere(const QString &path) {
    return Remove(path) || (!path.isEmpty() && errno == ENOENT);
}

bool Rename(const QString &from, const QString &to) {
    return !from.isEmpty() && !to.isEmpty() &&
           ::rename(Native(from).constData(), Native(to).constData()) == 0;
}

bool NameTooLong(const QString &path) {
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/')) + 1;
    const QByteArray name = Native(path.mid(cut));
    const QByteArray folder = cut > 0 ? Native(path.left(cut)) : QByteArray(".");
    const long limit = ::pathconf(folder.constData(), _PC_NAME_MAX);
    return name.size() > (limit > 0 ? limit : NAME_MAX);
}

bool IsNoSpaceError(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

int64_t FreeBytes(const QString &folder) {
    struct statvfs vfs;
    if (folder.isEmpty() || ::statvfs(Native(folder).constData(), &vfs) != 0)
        return -1;
    const uint64_t blocks = vfs.f_bavail;
    const uint64_t blockSize = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const uint64_t maxFree = uint64_t(std::numeric_limits<int64_t>::max());
    if (blockSize && blocks > maxFree / blockSize)
        return int64_t(maxFree);
    return int64_t(blocks * blockSize);
}

} // namespace FileSystem
