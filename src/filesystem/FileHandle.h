#pragma once
// A file descriptor that closes itself. Operations report failure by their
// result; nothing throws. Offsets and sizes are 64-bit byte counts. A handle
// that could not be opened says why (failure()).

#include "filesystem/FileError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle &&other) noexcept;
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    // Opens a regular file for reading; others may read and write it meanwhile.
    // Anything else (a directory, a device, a FIFO) gives a closed handle at
    // once (Folder, NotRegular): the open never waits for a writer.
    static FileHandle OpenRead(const QString &path);

    // Opens an existing FIFO or device for writing without waiting: a FIFO
    // must have its reader already (a missing one is NoReader, never a hang).
    // Writes then block as usual.
    static FileHandle OpenWriteThrough(const QString &path);

    // A closed handle that says why it could not be opened.
    static FileHandle Failed(FileError why);

    bool isOpen() const { return fd_ >= 0; }
    // Why the open failed; None for a handle that opened (or was never asked to).
    FileError failure() const { return failure_; }
    int fd() const { return fd_; }
    void close();

    // Reads up to size bytes at the current position; returns the bytes read
    // (fewer at the end of the file), or -1 on an error. Retries on EINTR.
    int64_t read(void *buffer, int64_t size);
    // Writes all size bytes at the current position; false if any could not be written.
    bool write(const void *buffer, int64_t size);
    bool seek(int64_t offset);
    // Reads up to size bytes at offset without moving the position; -1 on an error.
    int64_t readAt(int64_t offset, void *buffer, int64_t size) const;
    // The file's length in bytes, or -1.
    int64_t size() const;
    // True when the handle is open on a regular file (no folder, device or FIFO).
    bool isRegular() const;
    // Waits until the written bytes are on the disk; false if they could not be.
    bool sync();
    // Asks the system to start writing the bytes written so far to the disk
    // without waiting for them, so a later sync has less left to wait for.
    // Only a hint: does nothing where the system has no such call.
    void startWriteback();

    // Takes over an open descriptor.
    explicit FileHandle(int fd) : fd_(fd) {}

private:
    int fd_ = -1;
    FileError failure_ = FileError::None;
};

// How reading a whole file went.
enum class WholeFile { Read, Missing, Unreadable, TooLarge };

// Reads a whole regular file of at most maxBytes into bytes, through OpenRead,
// so a FIFO or a device never blocks the reader or fills its memory.
WholeFile ReadWholeFile(const QString &path, int64_t maxBytes, QByteArray &bytes);
