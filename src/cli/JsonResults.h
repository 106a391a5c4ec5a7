#pragma once
// The batch command's results for programs (--format jsonl): one JSON object
// per file, one line each, and a closing summary object. The words of the
// status field are this format's own, chosen so a script never parses the
// status texts the window shows.

#include "batch/RunStatus.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

class JsonResults {
public:
    // One file's result line, ended by "\n". input is the path as given;
    // output the path of the file left under the output's name, empty for
    // none (null). text is the status text of the tab-separated row.
    QByteArray Row(int32_t ordinal, const QString &input, const QString &output, int32_t clicks,
                   const RunStatus &status, const QString &text);
    // {"summary": {...}}: how many files had each status word, how many
    // files in all, and the clicks of all rows; ended by "\n".
    QByteArray Summary() const;

    // "detected", "clean", "repaired", "copied", "skipped_clean",
    // "skipped_existing", "failed" or "stopped".
    static QString StatusWord(const RunStatus &status);

    static constexpr std::size_t kWords = 8; // the status words

private:
    std::array<int64_t, kWords> counts_{};
    int64_t files_ = 0;
    int64_t clicks_ = 0;
};
