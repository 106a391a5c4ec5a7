#include "filesystem/CreateFiles.h"

#include "filesystem/FileSystem.h"

#include <cerrno>
#include <fcntl.h>

namespace {

// A duplicate of standard output or error when path names that very file
// (/dev/stdout, a link to /proc/self/fd/1, the file it was redirected to).
FileHandle OwnStandardStream(const QString &path) {
    const auto id = FileSystem::IdentityOf(path);
    for (const int fd : {1, 2}) {
        const auto stream = FileSystem::StampOf(fd);
        if (id && stream && stream->id == *id)
            return FileHandle(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    }
    return FileHandle();
}

AtomicFile WriteThroughOrFail(const QString &path) {
    FileHandle through = FileHandle::OpenWriteThrough(path);
    if (!through.isOpen())
        return AtomicFile::Failed(through.failure());
    return AtomicFile::WriteThrough(std::move(through));
}

} // namespace

AtomicFile CreateOutputFile(const QString &path, const ProtectedFiles &kept) {
    // Deleting an open file succeeds here, so nothing but this test keeps a
    // pass from wiping out an input under another name or a link.
    if (kept.Guards(path))
        return AtomicFile::Failed(FileError::Protected);
    // Another run may have removed it meanwhile (and a third put its own
    // there since): gone is what was wanted.
    if (FileSystem::EntryExists(path) && !FileSystem::RemoveIfThere(path))
        return AtomicFile::Failed(FileErrorOf(errno));
    return AtomicFile::Create(path);
}

AtomicFile CreateChosenFile(const QString &path, const ProtectedFiles &kept) {
    if (kept.Guards(path))
        return AtomicFile::Failed(FileError::Protected);
    if (FileHandle stream = OwnStandardStream(path); stream.isOpen())
        return AtomicFile::WriteThrough(std::move(stream));
    switch (FileSystem::KindOf(path)) {
    case FileSystem::Kind::Fifo:
    case FileSystem::Kind::CharDevice:
        return WriteThroughOrFail(path);
    case FileSystem::Kind::Regular:
        return AtomicFile::Create(FileSystem::CanonicalPath(path));
    case FileSystem::Kind::Missing:
        // A dangling link: where it points may be no place to make a file.
        if (FileSystem::IsLink(path))
            return AtomicFile::Failed(FileError::DanglingLink);
        return AtomicFile::Create(path);
    case FileSystem::Kind::Folder:
        return AtomicFile::Failed(FileError::Folder);
    case FileSystem::Kind::Other:
        break;
    }
    return AtomicFile::Failed(FileError::NotRegular);
}

AtomicFile CreateWorkFile(const QString &path, const ProtectedFiles &kept) {
    if (kept.Guards(path))
        return AtomicFile::Failed(FileError::Protected);
    if (FileSystem::EntryExists(path) && !kept.IsOwnWorkFile(path))
        return AtomicFile::Failed(FileError::Occupied);
    return AtomicFile::Create(path);
}
