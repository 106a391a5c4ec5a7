#pragma once
// Reads a log file line by line in pieces, so a detail log of millions of
// lines is walked without being held in memory. Lines end at CR LF, CR or LF;
// a final line end gives no empty last line (as ReadLogLines splits them).

#include "wavefile/FileHandle.h"

#include <QByteArray>
#include <QString>

class LogLineReader {
public:
    // Opens path through the regular-files-only open, so a FIFO or a device
    // named like a log never blocks the reader.
    explicit LogLineReader(const QString &path);

    bool isOpen() const { return file_.isOpen(); }
    // The next line's bytes (in the logs' code page) without its line end.
    // False at the end of the file or after a read error.
    bool NextLine(QByteArray &line);
    // True once a read failed; the lines before it were delivered.
    bool failed() const { return failed_; }

private:
    bool Fill();
    bool TakeLine(qsizetype end, QByteArray &line); // bytes pos_..end, pos_ moves to end

    FileHandle file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool skipLf_ = false; // a CR ended the last line; a LF right after it belongs to it
};
