#pragma once
// The batch command's command line: what to run, over which files, with which
// overrides of the settings file.

#include <QString>
#include <QStringList>
#include <optional>

struct BatchOptions {
    enum class Mode { Detect, Remove };
    Mode mode = Mode::Detect;
    QStringList files;           // as given, in order
    QString settingsPath;        // empty: SettingsFileLocation of the current folder
    std::optional<QString> name; // typed output name (automatic naming off)
    std::optional<QString> outDir;
    std::optional<QString> logDir; // the logs' folder instead of the input folder
    bool useDetection = false;
    bool noDetail = false;
    bool overwrite = false;
    bool keepChunks = false; // outputs carry the inputs' other chunks
    std::optional<QString> exportPath; // "-" for standard output
    bool keepPartial = false;  // a stopped or failed file's part keeps the output's name
    bool skipExisting = false; // files whose output is finished are skipped
    bool jsonLines = false;    // --format jsonl: results as JSON lines
    int32_t jobs = 1;          // --jobs: files at once, 0 one per core; -1 not a number
    QString language;                  // "ja" or "en"; empty: the locale's
};

struct ParseResult {
    enum class Kind { Run, Help, Version, UsageError };
    Kind kind = Kind::UsageError;
    BatchOptions options;
    QString error; // one line naming the problem, for UsageError
};

ParseResult ParseBatchArguments(const QStringList &args);
QString BatchUsageText();
// What --version prints: the command's name and the program's version.
QString BatchVersionText();
