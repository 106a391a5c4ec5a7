#pragma once
// The detail log of a run: seven lines per click. Lines go, encoded as the
// log file holds them, to the log's temporary file as they come, so a run
// that logs millions of clicks holds only a small buffer; saving renames the
// file into place. Without a file begun (tests that log outside a run) the
// lines are kept in memory and written at save.

#include "filesystem/AtomicFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>

class DetailLog {
public:
    // Starts an empty log whose file will be target. When the temporary file
    // cannot be made, lines are only counted and the save fails.
    void Begin(const QString &target);
    // Appends the detail record of one click (AppendDetailRecord's lines);
    // encodedName is the file's logged name in the log's code page.
    void AppendRecord(QByteArrayView encodedName, int32_t id, int32_t index, int32_t value,
                      int32_t width);
    // Lines appended since the last Begin or clear.
    qsizetype size() const { return lineCount_; }
    bool isEmpty() const { return lineCount_ == 0; }
    // Some lines were lost before they reached the log: its save fails.
    void MarkFailed() { failed_ = true; }
    // Drops the lines and the temporary file.
    void clear();
    // The lines as written so far, split as every reader of the log splits
    // them (for checks; reads the file back).
    QStringList lines();
    // Writes the log to path (the target given to Begin, if any) and clears it;
    // false when the file could not be written.
    bool Save(const QString &path);

private:
    bool Flush();

    AtomicFile file_;
    QByteArray pending_; // encoded lines not yet in the file
    qsizetype lineCount_ = 0;
    bool failed_ = false; // a write failed or the file could not be made
};
