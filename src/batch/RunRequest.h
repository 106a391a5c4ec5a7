#pragma once
// A run as a request and a result. The front end captures what a run needs
// once, at its start (RunRequest); the run leaves a record of itself
// (LastRun) that the wave window, the export and the preview read afterwards.
// The settings are not captured: the run reads them when it needs a value, so
// the settings dialog's changes reach a running run.

#include <QString>
#include <QStringList>
#include <cstdint>

struct RunRequest {
    enum class Kind { Detect, Remove };
    Kind kind = Kind::Detect;
    // The folder of the files, ending in the separator.
    QString inputFolder;
    // The selected files (names without folder), in list order, with their
    // bytes as the folder listing gave them (filesystem/PathBytes.h).
    QStringList files;
    // The output name as typed (edOutFile).
    QString outputText;
    // ckMakeFile: detail records are kept only when set.
    bool makeDetail = true;
    // ckBYCheck: a removal run skips the files the previous run found clean.
    bool useDetection = false;
    // The folder the logs go to, ending in the separator; empty: inputFolder.
    QString logFolder;
    // A removal pass that ends before its file's end (a stop, a full volume,
    // a failed read or write): true leaves the part under the output's name,
    // cut to the values written with a header that says so (the window's way,
    // for listening to it); false removes it, so a file under an output's name
    // is always a finished one (the batch command's way).
    bool keepPartialOutput = true;
    // A removal run skips a file whose output already exists, finished: it
    // reads as a wave file whose data is as long as the input's. Its row is
    // "Pass Exists at " + the output's name, count 0. A shorter one (a part)
    // is processed again as any existing output would be.
    bool skipFinishedOutputs = false;
    // A removal run's outputs carry the input's other chunks (bext, LIST, ...).
    bool keepChunks = false;
    // How many files are processed at once (the batch command's --jobs); the
    // rows, logs and outputs are those of one file at a time.
    int32_t jobs = 1;

    QString LogFolder() const { return logFolder.isEmpty() ? inputFolder : logFolder; }
};

// What the last run left: where its logs and outputs are, how its outputs are
// named, and how it ended. Empty texts and zeros before the first run.
struct LastRun {
    QString kind;         // "C" after a detection run started, "D" after a removal run
    QString logFolder;    // folder of the logs, ending in the separator
    QString inputFolder;  // folder of the inputs, ending in the separator
    QStringList inputs;   // the files the run was asked to process, in order
    QString outputFolder; // ending in the separator unless empty
    QString outputName;   // the typed output name, its extension forced to ".wav"
    int32_t selectedAtStart = 0;
    int32_t problemFileCount = 0; // rows whose status is not exactly "OK"
    bool writeFailed = false;     // a log or the export could not be written
    bool lockUnusable = false;    // the run could not start: its lock file is unusable

    bool isDetection() const { return kind == QStringLiteral("C"); }
    bool isRemoval() const { return kind == QStringLiteral("D"); }
    // The output name of the file inputName at ordinal: automatic names when
    // autoNames (the setting ckAuto, read by the caller when it needs it),
    // otherwise the typed name, numbered when the run had several files.
    QString OutputNameFor(int32_t ordinal, const QString &inputName, bool autoNames) const;
};
