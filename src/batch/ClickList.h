#pragma once
// The clicks the last run logged for one file, as the wave window lists them:
// read from the detail log on disk, one row of six cells per record whose
// file-name line is the file's logged name.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The wave window lists at most this many clicks of a file.
inline constexpr int32_t kMaxListedClicks = 5001;

inline const QString kNoDataToCheck =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "確認するデータがありません。"));
inline const QString kLogOverLimit = QStringLiteral(
    QT_TRANSLATE_NOOP("Messages", "ログの最大記録行数を超えましたのでデータがありません。"));

struct ClickList {
    // Each row: the lines of a record after its file name (kDetailIdLine to
    // kDetailWidthLine), as logged.
    std::vector<QStringList> rows;
    // Empty when rows were found; otherwise what to tell the user.
    QString message;
};

// Reads the detail log at logPath line by line and lists fileName's records
// (matched by LoggedFileName, so two names with the same logged form share
// them), the first kMaxListedClicks in log order. A record cut short at the end
// of the log is not listed. Without rows: kLogOverLimit when the log holds more
// than logMax records' lines (the run dropped records), otherwise
// kNoDataToCheck, also for a log that is missing or cannot be read.
ClickList ReadClickList(const QString &logPath, const QString &fileName, int32_t logMax);
