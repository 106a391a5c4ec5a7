#pragma once
// The lines of the noise logs and of the program's other text files: their
// code page (CP932), their line ends (written CR LF; read at CR LF, CR or LF,
// a final line end giving no empty last line), and the reading and writing of
// them. Every writer and reader of those files goes through here, so they all
// agree on where a line ends and what its bytes are.

#include "filesystem/FileHandle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Told when a log or text file could not be written: its path + this.
inline const QString kWriteFailedSuffix =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "の書き込みに失敗しました。"));

// The bytes of text in the logs' code page (CP932), and back.
QByteArray EncodeLogText(const QString &text);
QString DecodeLogText(const QByteArray &bytes);
// True when the code point survives a trip through the logs' code page
// unchanged, so text written to a log reads back as the same text.
bool LogCodePageHolds(char32_t codePoint);
// What ends every line the program writes to these files.
inline constexpr char kLogLineEnd[] = "\r\n";
// Appends line in the logs' code page and its kLogLineEnd to bytes.
void AppendLogLine(QByteArray &bytes, const QString &line);

// Reads lines in pieces, so a detail log of millions of lines is walked
// without being held in memory.
class LogLineReader {
public:
    // Opens path through the regular-files-only open, so a FIFO or a device
    // named like a log never blocks the reader.
    explicit LogLineReader(const QString &path);
    // Reads the lines of bytes already in memory, by the same rule.
    explicit LogLineReader(const QByteArray &bytes);

    bool isOpen() const { return inMemory_ || file_.isOpen(); }
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
    bool inMemory_ = false;
    bool atEnd_ = false;
    bool failed_ = false;
    bool skipLf_ = false; // a CR ended the last line; a LF right after it belongs to it
};

// Reads a log or text file through the regular-files-only open, decoded. ok is
// false when the file could not be read or is larger than any log a run writes.
QStringList ReadLogLines(const QString &path, bool *ok = nullptr);
// The decoded lines of bytes in memory.
QStringList SplitLogLines(const QByteArray &bytes);
// Writes lines, every one ended by CR LF, through a temporary file renamed
// over path; false if the write failed.
bool WriteLogLines(const QString &path, const QStringList &lines);
// Writes text in the logs' code page at out's position, without a terminator;
// false if the write failed.
bool WriteText(FileHandle &out, const QString &text);
