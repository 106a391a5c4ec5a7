#include "filesystem/FileHandle.h"
#include "filesystem/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// One system call's worth: read() and write() move at most this much at once.
constexpr int64_t kMaxTransfer = 0x40000000;

// Repeats a read or write call until size bytes are moved, the file ends (the
// call moves nothing) or it fails; an interrupted call is repeated. Returns the
// bytes moved, or -1 when a call failed.
template <typename Call> int64_t TransferAll(int64_t size, Call call) {
    int64_t done = 0;
    while (done < size) {
        const ssize_t n = call(done, size_t(std::min(size - done, kMaxTransfer)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool ClearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

} // namespace

FileHandle::~FileHandle() {
    close();
}

FileHandle::FileHandle(FileHandle &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), failure_(other.failure_) {}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        failure_ = other.failure_;
    }
    return *this;
}

FileHandle FileHandle::Failed(FileError why) {
    FileHandle handle;
    handle.failure_ = why;
    return handle;
}

FileHandle FileHandle::OpenRead(const QString &path) {
    const int fd = FileSystem::Open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Failed(path.isEmpty() ? FileError::Missing : FileErrorOf(errno));
    FileHandle handle(fd);
    // Only regular files are inputs: a directory or a device named *.wav is not
    // something to read samples from, and a FIFO would block the caller forever.
    // The open is non-blocking for that reason; the flag is cleared once the
    // file is known to be regular.
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return Failed(FileErrorOf(errno));
    if (!S_ISREG(st.st_mode))
        return Failed(S_ISDIR(st.st_mode) ? FileError::Folder : FileError::NotRegular);
    if (!ClearNonBlocking(fd))
        return Failed(FileErrorOf(errno));
    return handle;
}

FileHandle FileHandle::OpenWriteThrough(const QString &path) {
    const int fd = FileSystem::Open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return Failed(path.isEmpty() ? FileError::Missing : FileErrorOf(errno));
    FileHandle handle(fd);
    if (!ClearNonBlocking(fd))
        return Failed(FileErrorOf(errno));
    return handle;
}

void FileHandle::close() {
    if (fd_ >= 0) {
        // The descriptor is released even when close reports EINTR; retrying
        // could close a descriptor another thread has just been given.
        ::close(fd_);
        fd_ = -1;
    }
}

int64_t FileHandle::read(void *buffer, int64_t size) {
    if (fd_ < 0 || size < 0)
        return -1;
    auto *out = static_cast<char *>(buffer);
    return TransferAll(size,
                       [&](int64_t done, size_t chunk) { return ::read(fd_, out + done, chunk); });
}

bool FileHandle::write(const void *buffer, int64_t size) {
    if (fd_ < 0 || size < 0)
        return false;
    const auto *in = static_cast<const char *>(buffer);
    return TransferAll(size, [&](int64_t done, size_t chunk) {
               return ::write(fd_, in + done, chunk);
           }) == size;
}

bool FileHandle::seek(int64_t offset) {
    if (fd_ < 0 || offset < 0)
        return false;
    return ::lseek(fd_, off_t(offset), SEEK_SET) == off_t(offset);
}

int64_t FileHandle::readAt(int64_t offset, void *buffer, int64_t size) const {
    if (fd_ < 0 || size < 0 || offset < 0)
        return -1;
    auto *out = static_cast<char *>(buffer);
    return TransferAll(size, [&](int64_t done, size_t chunk) {
        return ::pread(fd_, out + done, chunk, off_t(offset + done));
    });
}

int64_t FileHandle::size() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return int64_t(st.st_size);
}

bool FileHandle::isRegular() const {
    struct stat st;
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
}

bool FileHandle::sync() {
    return fd_ >= 0 && ::fsync(fd_) == 0;
}

void FileHandle::startWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
    // Offset and length 0: the whole file. Pages already on their way are skipped.
    if (fd_ >= 0)
        (void)::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

WholeFile ReadWholeFile(const QString &path, int64_t maxBytes, QByteArray &bytes) {
    bytes.clear();
    FileHandle file = FileHandle::OpenRead(path);
    if (!file.isOpen())
        return FileSystem::EntryExists(path) ? WholeFile::Unreadable : WholeFile::Missing;
    const int64_t size = file.size();
    if (size < 0)
        return WholeFile::Unreadable;
    if (size > maxBytes)
        return WholeFile::TooLarge;
    // One byte more than the size: a file that grew meanwhile is caught, not cut.
    bytes.resize(qsizetype(size) + 1);
    const int64_t got = file.read(bytes.data(), size + 1);
    if (got < 0 || got > maxBytes) {
        bytes.clear();
        return got < 0 ? WholeFile::Unreadable : WholeFile::TooLarge;
    }
    bytes.resize(qsizetype(got));
    return WholeFile::Read;
}
