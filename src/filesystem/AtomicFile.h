#pragma once
// A file the program writes as a whole: it is written under a temporary name in
// the target's folder ("take1_won.wav.unfinished-Xy12Ab") and renamed over the
// target only when complete. Readers of the target never see a half-written
// file; a process killed meanwhile leaves only the temporary file, whose name
// says what it is. An entry at the target (a link too) is replaced, never
// written through.
//
// A file the user names that is a FIFO or a device, or this process's own
// standard output, is written through instead (WriteThrough): there is
// nothing to replace, and a regular file must never take its place.

#include "filesystem/FileHandle.h"

#include <QString>

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile(); // abandons a file that was not committed
    AtomicFile(AtomicFile &&other) noexcept;
    AtomicFile &operator=(AtomicFile &&other) noexcept;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file for target; a closed object when it cannot
    // (a name too long for its folder is refused at once, not at the rename).
    static AtomicFile Create(const QString &target);
    // Writes straight into an open file; committing only closes it.
    static AtomicFile WriteThrough(FileHandle file);
    // A closed object that says why nothing was created.
    static AtomicFile Failed(FileError why);

    bool isOpen() const { return file_.isOpen(); }
    FileHandle &file() { return file_; }
    const QString &target() const { return target_; }
    const QString &temporaryPath() const { return temporary_; }

    // Puts the written bytes on the disk and renames the file over the target.
    // On failure the temporary file is removed and the target left as it was.
    bool commit();
    // The system's error number of a failed Create or commit; 0 when none.
    int error() const { return error_; }
    // Why nothing was created; None for a file that was.
    FileError failure() const { return failure_; }
    // Removes the temporary file; the target is left as it was.
    void abandon();

private:
    FileHandle file_;
    QString target_;
    QString temporary_;
    bool through_ = false;
    int error_ = 0;
    FileError failure_ = FileError::None;
};
