#pragma once
// The detection and removal runs over the selected files, the per-file passes
// with their block loop, the noise logs and the log export. Holds the run state
// that the main window shares with the wave window; reaches the window only
// through WindowPort.

#include "batch/DetailLog.h"
#include "batch/NoiseLog.h"
#include "batch/PassBlocks.h"
#include "batch/RunStatus.h"
#include "batch/WindowPort.h"
#include "engine/ClickEngine.h"
#include "settings/Settings.h"
#include "filesystem/FileLock.h"
#include "filesystem/ProtectedFiles.h"
#include "wavefile/WaveFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

class BatchRunner : public ClickReporter {
public:
    BatchRunner(Settings &settings, WindowPort &port);

    // --- state shared with the main and wave windows ---
    QString inputFolder;  // folder of the listed files, ending in the separator
    QString inputName;    // current file name, without folder
    QString inputPath;    // inputFolder + inputName
    QString outputFolder; // output folder, ending in the separator unless empty
    QString outputName;   // name typed in edOutFile, extension forced to ".wav"
    QString outputPath;   // current output file
    QString logFolder;    // folder of the last run's logs, ending in the separator
    // When set, the logs go here instead of the input folder (the batch
    // command's --log-dir); ends in the separator.
    QString fixedLogFolder;
    int32_t selectedAtStart = 0;
    int32_t problemFileCount = 0;
    QString lastRunKind; // "C" after a detection run started, "D" after a removal run
    int32_t runOrdinal = 0;
    int32_t clickCounter = 0;
    bool stopRequested = false;
    bool running = false; // a run is in progress
    DetailLog detailLog;
    QStringList summaryLog;
    // The selected files, in their logged form, that the previous summary in
    // this folder lists with a click count of 0 (read when a removal run
    // that uses the detection result starts).
    QStringList previouslyClean;
    WaveFile wave;         // the current file's header and measurements
    Thresholds thresholds; // loaded once per pass

    // --- runs (the main window's buttons) ---
    void cdCheckClick();
    void cdDelClick();
    void cdStopClick() { stopRequested = true; }
    // True when the last run shows its end message; a close during a run turns it off.
    bool showEndMessage = true;
    // The batch command exports after the run: with this set, the log folder
    // stays locked after the save until ReleaseLogLock, so it exports its own logs.
    bool keepLogLock = false;
    void ReleaseLogLock() { logLock_.unlock(); }
    // Set when a log or the export could not be written; cleared when a run starts.
    bool writeFailed = false;
    // Set when the last run could not start because its lock file is unusable.
    bool lockUnusable = false;
    // The last run's files: every input it was asked to process, its outputs,
    // logs and lock file. No output, export, dump or work file may replace one.
    ProtectedFiles protectedFiles;
    void DetectRun();
    void RemoveRun();
    QString OutputNameFor(int32_t ordinal) const;
    QString OutputPathFor(int32_t ordinal) const;
    bool ShouldProcess(const QString &name) const;

    // --- per-file passes ---
    RunStatus DetectPass();
    RunStatus RemovePass();
    void ShowProgress(int32_t min, int32_t max, int32_t position);
    void ShowClickCount();

    // --- noise logs ---
    void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) override;
    void AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status, const QString &name);
    void PrepareLogFolder();
    void SaveLogs();

    // --- log export (the file menu) ---
    void mExportClick();

    Settings &settings;
    WindowPort &port;

private:
    // Resets the grid; with files selected, starts the logs of a run of kind
    // "C" or "D" and returns true; otherwise tells the user and returns false.
    bool StartRun(const QString &kind);
    // The folder a run keeps its logs in: fixedLogFolder, else the input folder.
    QString RunLogFolder() const { return fixedLogFolder.isEmpty() ? inputFolder : fixedLogFolder; }
    // Locks the log folder for the run; false when another run holds it and
    // the window does not wait, or the lock file is unusable (the user has
    // been told).
    bool LockLogFolder(const QString &folder);
    // The export of the logs in logFolder to path, the folder locked.
    void WriteExport(const QString &path);
    // A stop from outside that arrived between files: the file gets "Abort".
    bool StoppedBeforeFile(const QString &name);
    // One selected file of a removal run: its pass and its row; the pass's status.
    RunStatus RemoveOneFile(const QString &name);
    // After a log's save: a saved log joins the run's files, one not saved is reported.
    void LogSaved(const QString &path, bool saved);
    // Commits a removal pass's output; the status the file ends with.
    RunStatus CommitOutput(AtomicFile &out, const RunStatus &status);

    int32_t progressMax_ = 100; // pbRate's maximum as last set
    FileLock logLock_;
    // inputName's logged form, worked out once per file rather than per click.
    QString loggedNameSource_;
    QString loggedName_;
};
