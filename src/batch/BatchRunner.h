#pragma once
// The detection and removal runs over the selected files, the per-file passes
// with their block loop, the noise logs and the log export. A run takes a
// RunRequest, reports through WindowPort, stops on its StopRequest and leaves
// a LastRun record behind.

#include "batch/ClickSpool.h"
#include "batch/DetailLog.h"
#include "batch/LogExport.h"
#include "batch/NoiseLog.h"
#include "batch/PassBlocks.h"
#include "batch/RunRequest.h"
#include "batch/RunStatus.h"
#include "batch/StopRequest.h"
#include "batch/WindowPort.h"
#include "engine/ClickEngine.h"
#include "settings/Settings.h"
#include "filesystem/FileLock.h"
#include "filesystem/ProtectedFiles.h"
#include "wavefile/WaveFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class BatchRunner : public ClickReporter {
public:
    BatchRunner(const Settings &settings, WindowPort &port, StopRequest &stop);

    // --- runs ---
    // Runs the request over its files with the run controls disabled. A
    // removal run with automatic naming off and no output name typed only
    // tells the user so.
    void Run(const RunRequest &request);
    bool running() const { return running_; }
    // The run in progress ends without its end message (the window closes).
    void SkipEndMessage() { showEndMessage_ = false; }

    // --- what the last run left ---
    const LastRun &lastRun() const { return last_; }
    // Every input the last run was asked to process, its outputs, logs and
    // lock file, and the work files written since the program started: no
    // output, export, dump or work file may replace one. The preview adds its
    // work file here.
    ProtectedFiles &keptFiles() { return kept_; }
    // The output the file whose row was just added left under its final name
    // (written, kept as a part, or skipped as finished); empty when none.
    const QString &outputLeft() const { return file_.outputLeft; }

    // With keep set, the log folder stays locked from a run's save until
    // ReleaseLogLock, so the batch command exports the logs of its own run.
    void KeepLogLockAfterRun(bool keep) { keepLogLock_ = keep; }
    void ReleaseLogLock() { logLock_.unlock(); }

    // --- the log export ---
    // True when the last run left logs to export; otherwise tells the user
    // there is no log (and counts that as a failed write).
    bool HasLogToExport();
    // Exports the last run's logs to the file at path, which replaces an
    // existing file only once complete and is never one of the kept files.
    void ExportToFile(const QString &path);
    // Exports them through write (standard output, say); target is the path
    // that names the destination, refused when it is one of the kept files.
    void ExportTo(const QString &target, const ByteWriter &write);

    // The engine's report of a click in the current file.
    void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) override;

private:
    friend class RunnerProbe; // tests drive the passes and logs one step at a time
    struct FileJob;           // one file of a run that processes several at once

    // The file a pass works on.
    struct CurrentFile {
        QString inputName;  // without folder
        QString inputPath;  // inputFolder + inputName
        QString outputPath; // removal only
        QString outputLeft; // outputPath once a file is there under that name
    };

    void DetectRun();
    void RemoveRun();
    // The files of a run one at a time.
    void DetectFilesInTurn();
    void RemoveFilesInTurn();
    // A pass's status that ends the run: a stop, or a full volume.
    static bool EndsRun(const RunStatus &status);
    // The runs with several files processed at once (ParallelRuns.cpp).
    void RunInParallel(bool removal);
    // Starts the job of the file at index (its ordinal index + 1), or makes
    // its row ready when it needs no pass; in file order, on this thread.
    void LaunchJob(FileJob &job, bool removal);
    // The job's messages, clicks and row, as the file's pass alone would
    // have left them; its pass's status.
    RunStatus FinishJob(FileJob &job, bool removal);
    QString OutputNameFor(int32_t ordinal) const;
    QString OutputPathFor(int32_t ordinal) const;
    bool ShouldProcess(const QString &name) const;

    // Resets the grid; with files selected, starts the logs of a run of kind
    // "C" or "D" and returns true; otherwise tells the user and returns false.
    bool StartRun(const QString &kind);
    // Locks the log folder for the run; false when another run holds it and
    // the window does not wait, or the lock file is unusable (the user has
    // been told).
    bool LockLogFolder(const QString &folder);
    // A stop that arrived between files: the file gets "Abort".
    bool StoppedBeforeFile(const QString &name);
    // One selected file of a removal run: its pass and its row; the pass's status.
    RunStatus RemoveOneFile(const QString &name);
    // True when file_'s output is a finished one: no file of the run, read as
    // a wave file whose data is as long as the input's.
    bool OutputIsFinished() const;
    // The kept files and the two logs: what an export may never replace.
    ProtectedFiles ExportKept() const;
    // Locks the log folder for an export unless the run's lock is still held;
    // lockedHere tells the caller to unlock. False when it could not be locked.
    bool LockForExport(bool &lockedHere);
    // Tells the user how an export to path ended.
    void ReportExport(bool written, ExportResult result, const QString &path);

    // --- per-file passes ---
    // Shows the pass's label and a zero count; false (the user told) when the
    // input's name says it is no wave file.
    bool StartPass(bool removal);
    RunStatus DetectPass();
    RunStatus RemovePass();
    // A removal pass in its three steps: the output opened with its header
    // written (Status::OK, or why not), the blocks written with a stopped or
    // failed output cut or abandoned, and the output put in place.
    struct OpenOutput {
        FileHandle in;
        AtomicFile out;
    };
    RunStatus OpenRemovePass(ProtectedFiles &kept, OpenOutput &open);
    RunStatus WriteRemoveBlocks(OpenOutput &open);
    RunStatus CommitOutput(OpenOutput &open, RunStatus status, ProtectedFiles &kept);
    // The row status of a removal pass that ended with status.
    RunStatus RemovalRowStatus(const RunStatus &status, int32_t ordinal) const;
    // The per-block pump: true when the run is asked to stop.
    bool PumpAndTestStop();
    RunStatus DetectBlocks(FileHandle &in, PassBlocks &blocks);
    RunStatus RemoveBlocks(FileHandle &in, FileHandle &out, PassBlocks &blocks,
                           int32_t &valuesWritten);
    RunStatus WriteFailure(int error);
    // Reads the chunks the current output carries (none unless asked for);
    // false (the user told) when the input could not be read.
    bool ReadCarriedChunksOrTell(const FileHandle &in);
    void ShowProgress(int32_t min, int32_t max, int32_t position);
    void ShowClickCount();

    // --- noise logs ---
    void AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status, const QString &name);
    void PrepareLogFolder();
    void SaveLogs();
    // After a log's save: a saved log joins the run's files, one not saved is reported.
    void LogSaved(const QString &path, bool saved);

    const Settings &settings_;
    WindowPort &port_;
    StopRequest &stop_;

    RunRequest request_; // the run in progress, or the last one
    LastRun last_;
    ProtectedFiles kept_;
    CurrentFile file_;
    int32_t runOrdinal_ = 0;
    int32_t clickCounter_ = 0;
    bool running_ = false;
    bool showEndMessage_ = true;
    bool keepLogLock_ = false;
    DetailLog detailLog_;
    // A pass run beside others reports its clicks here rather than to the log.
    ClickSpool *spool_ = nullptr;
    QStringList summaryLog_;
    // The selected files, in their logged form, that the previous summary in
    // this folder lists with a click count of 0 (read when a removal run
    // that uses the detection result starts).
    QStringList previouslyClean_;
    WaveFile wave_;         // the current file's header and measurements
    CarriedChunks carried_; // what the current output carries of its input
    Thresholds thresholds_; // loaded once per pass
    int32_t progressMax_ = 100; // pbRate's maximum as last set
    FileLock logLock_;
    // inputName's logged form in the detail log's code page, worked out once
    // per file rather than per click.
    QString loggedNameSource_;
    QByteArray loggedName_;
};
