// The detection and removal runs over the selected files: output naming, the
// skip rule of a removal run, the rows and the end messages.

#include "batch/BatchRunner.h"
#include "batch/OutputName.h"

#include "filesystem/PathBytes.h"

#include <QDir>

BatchRunner::BatchRunner(Settings &settings, WindowPort &port) : settings(settings), port(port) {}

namespace {

const QString kNothingSelected = QStringLiteral("ファイルが選択されていません。");
const QString kNoOutputName = QStringLiteral("出力ファイル名を指定してください");
const QString kRemovalFinished = QStringLiteral("終了しました。");
const QString kWavSuffix = QStringLiteral(".wav");
const QString kUnusableLock = QStringLiteral("\r\nはロックファイルとして使用できません。");
const QString kLogFolderBusy =
    QStringLiteral("他の処理がこのフォルダのログを使用中です。終了してから実行してください。");

// Marks the run in progress for as long as it lives, on every way out.
class RunningScope {
public:
    explicit RunningScope(bool &flag) : flag_(flag) { flag_ = true; }
    ~RunningScope() { flag_ = false; }
    RunningScope(const RunningScope &) = delete;
    RunningScope &operator=(const RunningScope &) = delete;

private:
    bool &flag_;
};

} // namespace

void BatchRunner::cdCheckClick() {
    port.SetRunControls(false);
    port.SetStopEnabled(true);
    DetectRun();
    port.SetRunControls(true);
}

void BatchRunner::cdDelClick() {
    const QString typedName = port.OutputFileText();
    if (!settings.ckAuto && typedName.isEmpty()) {
        port.ShowMsg(kNoOutputName);
        return;
    }
    if (settings.ckSameDir) {
        outputFolder = inputFolder;
    } else {
        outputFolder = settings.outPath;
        if (!outputFolder.isEmpty() && !outputFolder.endsWith(QDir::separator()))
            outputFolder += QDir::separator();
    }
    outputName = typedName.contains(QLatin1Char('.')) ? CutExtension(typedName) + kWavSuffix
                                                      : typedName + kWavSuffix;
    port.SetRunControls(false);
    port.SetStopEnabled(true);
    RemoveRun();
    port.SetRunControls(true);
}

QString BatchRunner::OutputNameFor(int32_t ordinal) const {
    if (settings.ckAuto)
        return AutoOutputName(inputName, DotlessName::Keep);
    if (selectedAtStart == 1)
        return outputName;
    return CutExtension(outputName) +
           QStringLiteral("_%1.wav").arg(ordinal, 2, 10, QLatin1Char('0'));
}

QString BatchRunner::OutputPathFor(int32_t ordinal) const {
    return outputFolder + OutputNameFor(ordinal);
}

bool BatchRunner::ShouldProcess(const QString &name) const {
    // The summary holds names in their logged form; compare in that form.
    return !port.UseDetectionChecked() || !previouslyClean.contains(LoggedFileName(name));
}

bool BatchRunner::StartRun(const QString &kind) {
    AddFileRow(0, 0, RunStatus(), QString());
    if (port.SelectedFileNames().isEmpty()) {
        port.ShowMsg(kNothingSelected);
        return false;
    }
    lockUnusable = false;
    if (!LockLogFolder(RunLogFolder()))
        return false;
    lastRunKind = kind;
    PrepareLogFolder();
    runOrdinal = 1;
    writeFailed = false;
    // Every file the run is asked to process is kept from its start, whether
    // it is reached or skipped, so no output or export can take its place.
    protectedFiles.BeginRun();
    for (const QString &name : port.SelectedFileNames())
        protectedFiles.Add(inputFolder + name);
    protectedFiles.AddMade(logFolder + kLogLockName);
    detailLog.Begin(logFolder + kDetailLogName);
    summaryLog.clear();
    return true;
}

bool BatchRunner::LockLogFolder(const QString &folder) {
    const QString lockPath = folder + kLogLockName;
    FileLock::Result result = logLock_.tryLock(lockPath);
    if (result == FileLock::Result::Busy && port.WaitForLogFolder(folder))
        result = logLock_.waitLock(lockPath, [this] { return port.StopRequestedExternally(); });
    // A folder where no lock file can be made cannot take the logs either;
    // the run goes on and its save reports that.
    if (result == FileLock::Result::Locked || result == FileLock::Result::Unavailable)
        return true;
    // Taken by something that is no lock file of ours: running without the
    // lock would mix the logs of runs that share the folder.
    if (result == FileLock::Result::Unusable) {
        lockUnusable = true;
        port.ShowMsg(DisplayFileName(lockPath) + kUnusableLock);
        return false;
    }
    if (!port.StopRequestedExternally())
        port.ShowMsg(kLogFolderBusy);
    return false;
}

bool BatchRunner::StoppedBeforeFile(const QString &name) {
    if (!port.StopRequestedExternally())
        return false;
    stopRequested = true;
    AddFileRow(runOrdinal, 0, Status::Abort, name);
    return true;
}

void BatchRunner::DetectRun() {
    RunningScope scope(running);
    if (!StartRun(QStringLiteral("C")))
        return;
    for (const QString &name : port.SelectedFileNames()) {
        if (StoppedBeforeFile(name))
            break;
        inputName = name;
        inputPath = inputFolder + name;
        const RunStatus status = DetectPass();
        const bool found = status == Status::OK && clickCounter != 0;
        AddFileRow(runOrdinal, clickCounter, found ? Status::NoiseDetect : status, name);
        ++runOrdinal;
        if (status == Status::Abort)
            break;
    }
    SaveLogs();
    if (showEndMessage)
        port.ShowMsg(QStringLiteral("問題ファイル数：  ") + QString::number(problemFileCount) +
                     QStringLiteral("\r\n\r\n終了します。"));
}

RunStatus BatchRunner::RemoveOneFile(const QString &name) {
    inputName = name;
    inputPath = inputFolder + name;
    outputPath = OutputPathFor(runOrdinal);
    const RunStatus status = RemovePass();
    RunStatus rowStatus = status;
    if (status == Status::OK) {
        const QString written = OutputNameFor(runOrdinal);
        rowStatus = clickCounter != 0 ? RunStatus::NoiseDeleteAt(written)
                                      : RunStatus::NoNoiseAt(written);
    }
    AddFileRow(runOrdinal, clickCounter, rowStatus, name);
    return status;
}

void BatchRunner::RemoveRun() {
    RunningScope scope(running);
    if (!StartRun(QStringLiteral("D")))
        return;
    previouslyClean = port.UseDetectionChecked()
                          ? CleanInSummary(logFolder + kSummaryLogName, port.SelectedFileNames())
                          : QStringList();
    for (const QString &name : port.SelectedFileNames()) {
        if (StoppedBeforeFile(name))
            break;
        RunStatus status;
        if (ShouldProcess(name))
            status = RemoveOneFile(name);
        else
            AddFileRow(runOrdinal, 0, Status::PassNoNoise, name);
        ++runOrdinal;
        if (status == Status::Abort || status == Status::NoDriveSpace)
            break;
    }
    previouslyClean.clear();
    SaveLogs();
    if (showEndMessage)
        port.ShowMsg(kRemovalFinished);
}
