#pragma once
// The noise logs' format: the log files' names, the layout of their records,
// the rule that bounds the detail log, and the texts a record holds. Every
// writer and reader of the logs (runs, export, windows, batch command) takes
// these from here; their lines are read and written through LogLines.

#include "batch/LogLines.h"
#include "filesystem/ProtectedFiles.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// Log file names inside logFolder.
inline const QString kSummaryLogName = QStringLiteral("NoiseLog0.dat");
inline const QString kDetailLogName = QStringLiteral("NoiseLog1.dat");
// The wave window's temporary playback file, removed with the logs.
inline const QString kPlaybackFileName = QStringLiteral("dozavarav.wav");
// Locked by a run from the start of its logs to their save, so runs that share
// a log folder (other windows, batch commands) never mix their logs.
inline const QString kLogLockName = QStringLiteral("NoiseLog.lock");

// Deletes the two logs in folder (ending in the separator; empty: the current
// directory), and the playback file there when it is the very one this
// program wrote (kept knows it); a user's own file of that name stays. Missing
// files are normal here; a failed removal leaves only litter.
void RemoveLogFiles(const QString &folder, ProtectedFiles &kept);

// The summary log holds one record of 4 lines per file, in this order.
enum SummaryLine : qsizetype {
    kSummaryOrdinalLine, // the file's ordinal in the run, from 1
    kSummaryNameLine,    // the file name, in its logged form
    kSummaryCountLine,   // the click count in decimal
    kSummaryStatusLine,  // the file's status word, in its logged form
    kSummaryRecordLines
};
using SummaryRecord = std::array<QString, kSummaryRecordLines>;
// The summary record of one file; name and status text are logged by their
// logged form.
SummaryRecord MakeSummaryRecord(int32_t ordinal, const QString &name, int32_t count,
                                const QString &status);

// The detail log holds one record of 7 lines per click, in this order.
enum DetailLine : qsizetype {
    kDetailNameLine,    // the file name, in its logged form
    kDetailIdLine,      // the click's id in the file, from 1
    kDetailChannelLine, // "L" or "R"
    kDetailFrameLine,   // the click's frame
    kDetailTimeLine,    // the frame as FormatClickTime shows it
    kDetailValueLine,   // the click's value, signed 16-bit
    kDetailWidthLine,   // the click's width in frames
    kDetailRecordLines
};
// Appends to bytes the detail record of a click at value index index (frame
// index / 2), as the detail log holds it: its lines in the order above, in the
// logs' code page, each ended by kLogLineEnd. encodedName is the file's logged
// name already in the code page (EncodeLogText(LoggedFileName(name))), so a
// file's name is encoded once, not once per click; the other lines are plain
// ASCII that the code page writes as is, put straight into bytes without
// making a text per line (a run may log millions of clicks).
void AppendDetailRecord(QByteArray &bytes, QByteArrayView encodedName, int32_t id, int32_t index,
                        int32_t value, int32_t width);

// The detail log of a run keeps at most logMax records and one beyond: a log
// holding more lines than logMax records is how its readers tell that records
// were dropped. True for a log of lineCount lines that is over that limit. In
// 64 bits, so a large logMax never overflows.
inline bool DetailLogOverLimit(int64_t lineCount, int32_t logMax) {
    return lineCount > int64_t{kDetailRecordLines} * logMax;
}

// "00H 00M 45S 351mS" for frame 2,000,000 at the display rate, in 64 bits.
QString FormatClickTime(int64_t frame);
// "L" for even value indices, "R" for odd ones.
QString ChannelLetter(int32_t index);
// A control character (C0, DEL or C1): one would split or garble a line, so
// the logs and the batch command's result lines hold "?" in its place.
bool IsControlCharacter(char32_t codePoint);
// A file name as the logs hold it: its DisplayFileName, in which control
// characters and characters the logs' code page (CP932) cannot hold become
// "?". Every lookup by name uses it.
QString LoggedFileName(const QString &name);
// Those of names (file names without folder) that the summary log at path
// lists with a click count of 0, in their logged form. The log is read line
// by line, each line bounded, so a log of any size costs a few megabytes.
QStringList CleanInSummary(const QString &path, const QStringList &names);
