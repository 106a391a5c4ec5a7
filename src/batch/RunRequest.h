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
    // A removal run's outputs carry the input's other chunks (bext, LIST, ...).
    bool keepChunks = false;

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
