#pragma once
// The noise logs' layout and text: the log files' names, the record lengths,
// and the helpers that write and read their lines in the logs' code page.
// Every writer and reader of the logs (runs, export, windows, batch command)
// takes these from here.

#include "wavefile/FileHandle.h"
#include "wavefile/ProtectedFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
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

// The summary log holds one record of 4 lines per file: ordinal, file name,
// click count, status.
inline constexpr qsizetype kSummaryRecordLines = 4;
inline constexpr qsizetype kSummaryNameLine = 1;  // the file name, in its logged form
inline constexpr qsizetype kSummaryCountLine = 2; // the click count in decimal
// The detail log holds one record of 7 lines per click: file name, click id,
// channel letter, frame, time, value, width.
inline constexpr qsizetype kDetailRecordLines = 7;

// Told when a log or text file could not be written: its path + this.
inline const QString kWriteFailedSuffix = QStringLiteral("の書き込みに失敗しました。");

// "00H 00M 45S 351mS" for frame 2,000,000 (44,100 frames per second), in 64 bits.
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
// Reads a log or text file in CP932, split at CR LF, CR or LF (a final line end
// gives no empty last line), through the regular-files-only open. ok is false
// when the file could not be read or is larger than any log a run writes.
QStringList ReadLogLines(const QString &path, bool *ok = nullptr);
// Writes lines in CP932, every line ended by CR LF, through a temporary file
// renamed over path; false if the write failed.
bool WriteLogLines(const QString &path, const QStringList &lines);
// The bytes of text in the logs' code page (CP932), and back.
QByteArray EncodeLogText(const QString &text);
QString DecodeLogText(const QByteArray &bytes);
// Writes text in CP932 at out's position, without a terminator; false if the
// write failed.
bool WriteText(FileHandle &out, const QString &text);
