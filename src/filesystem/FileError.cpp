#include "filesystem/FileError.h"

#include <cerrno>

FileError FileErrorOf(int error) {
    switch (error) {
    case 0:
        return FileError::None;
    case ENOENT:
    case ENOTDIR:
        return FileError::Missing;
    case EISDIR:
        return FileError::Folder;
    case ENXIO:
        return FileError::NoReader;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileError::Denied;
    default:
        return FileError::Failed;
    }
}
