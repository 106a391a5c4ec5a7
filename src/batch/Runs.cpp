// The detection and removal runs over the selected files: output naming, the
// skip rule of a removal run, the rows and the end messages.

#include "batch/BatchRunner.h"
#include "batch/OutputName.h"

#include "filesystem/PathBytes.h"

#include <QDir>

BatchRunner::BatchRunner(const Settings &settings, WindowPort &port, StopRequest &stop)
    : settings_(settings), port_(port), stop_(stop) {}

namespace {

const QString kNothingSelected =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "ファイルが選択されていません。"));
const QString kNoOutputName =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "出力ファイル名を指定してください"));
const QString kRemovalFinished = QStringLiteral(QT_TRANSLATE_NOOP("Messages", "終了しました。"));
const QString kWavSuffix = QStringLiteral(".wav");
const QString kUnusableLock =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "\r\nはロックファイルとして使用できません。"));
const char *const kProblemFileCount =
    QT_TRANSLATE_NOOP("Messages", "問題ファイル数：  %1\r\n\r\n終了します。");
const QString kLogFolderBusy = QStringLiteral(QT_TRANSLATE_NOOP(
    "Messages", "他の処理がこのフォルダのログを使用中です。終了してから実行してください。"));

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

QString LastRun::OutputNameFor(int32_t ordinal, const QString &inputName, bool autoNames) const {
    if (autoNames)
        return AutoOutputName(inputName, DotlessName::Keep);
    if (selectedAtStart == 1)
        return outputName;
    return CutExtension(outputName) +
           QStringLiteral("_%1.wav").arg(ordinal, 2, 10, QLatin1Char('0'));
}

void BatchRunner::Run(const RunRequest &request) {
    const bool removal = request.kind == RunRequest::Kind::Remove;
    if (removal) {
        if (!settings_.ckAuto && request.outputText.isEmpty()) {
            port_.ShowMsg(MessageText(kNoOutputName));
            return;
        }
        if (settings_.ckSameDir) {
            last_.outputFolder = request.inputFolder;
        } else {
            last_.outputFolder = settings_.outPath;
            if (!last_.outputFolder.isEmpty() && !last_.outputFolder.endsWith(QDir::separator()))
                last_.outputFolder += QDir::separator();
        }
        const QString &typed = request.outputText;
        last_.outputName = typed.contains(QLatin1Char('.')) ? CutExtension(typed) + kWavSuffix
                                                            : typed + kWavSuffix;
    }
    request_ = request;
    port_.SetRunControls(false);
    port_.SetStopEnabled(true);
    if (removal)
        RemoveRun();
    else
        DetectRun();
    port_.SetRunControls(true);
}

QString BatchRunner::OutputNameFor(int32_t ordinal) const {
    return last_.OutputNameFor(ordinal, file_.inputName, settings_.ckAuto);
}

QString BatchRunner::OutputPathFor(int32_t ordinal) const {
    return last_.outputFolder + OutputNameFor(ordinal);
}

bool BatchRunner::ShouldProcess(const QString &name) const {
    // The summary holds names in their logged form; compare in that form.
    return !request_.useDetection || !previouslyClean_.contains(LoggedFileName(name));
}

bool BatchRunner::StartRun(const QString &kind) {
    AddFileRow(0, 0, RunStatus(), QString());
    if (request_.files.isEmpty()) {
        port_.ShowMsg(MessageText(kNothingSelected));
        return false;
    }
    last_.lockUnusable = false;
    if (!LockLogFolder(request_.LogFolder()))
        return false;
    last_.kind = kind;
    last_.inputFolder = request_.inputFolder;
    last_.inputs = request_.files;
    PrepareLogFolder();
    runOrdinal_ = 1;
    last_.writeFailed = false;
    // Every file the run is asked to process is kept from its start, whether
    // it is reached or skipped, so no output or export can take its place.
    kept_.BeginRun();
    for (const QString &name : request_.files)
        kept_.Add(request_.inputFolder + name);
    kept_.AddMade(last_.logFolder + kLogLockName);
    detailLog_.Begin(last_.logFolder + kDetailLogName);
    summaryLog_.clear();
    return true;
}

bool BatchRunner::LockLogFolder(const QString &folder) {
    const QString lockPath = folder + kLogLockName;
    FileLock::Result result = logLock_.tryLock(lockPath);
    if (result == FileLock::Result::Busy && port_.WaitForLogFolder(folder))
        result = logLock_.waitLock(lockPath, [this] { return stop_.raised(); });
    // A folder where no lock file can be made cannot take the logs either;
    // the run goes on and its save reports that.
    if (result == FileLock::Result::Locked || result == FileLock::Result::Unavailable)
        return true;
    // Taken by something that is no lock file of ours: running without the
    // lock would mix the logs of runs that share the folder.
    if (result == FileLock::Result::Unusable) {
        last_.lockUnusable = true;
        port_.ShowMsg(DisplayFileName(lockPath) + MessageText(kUnusableLock));
        return false;
    }
    if (!stop_.raised())
        port_.ShowMsg(MessageText(kLogFolderBusy));
    return false;
}

bool BatchRunner::StoppedBeforeFile(const QString &name) {
    if (!stop_.raised())
        return false;
    AddFileRow(runOrdinal_, 0, Status::Abort, name);
    return true;
}

void BatchRunner::DetectRun() {
    RunningScope scope(running_);
    if (!StartRun(QStringLiteral("C")))
        return;
    if (request_.jobs > 1)
        RunInParallel(false);
    else
        DetectFilesInTurn();
    SaveLogs();
    if (showEndMessage_)
        port_.ShowMsg(MessageText(kProblemFileCount).arg(last_.problemFileCount));
}

void BatchRunner::DetectFilesInTurn() {
    for (const QString &name : request_.files) {
        file_ = {name, request_.inputFolder + name, QString(), QString()};
        if (StoppedBeforeFile(name))
            break;
        const RunStatus status = DetectPass();
        const bool found = status == Status::OK && clickCounter_ != 0;
        AddFileRow(runOrdinal_, clickCounter_, found ? Status::NoiseDetect : status, name);
        ++runOrdinal_;
        if (status == Status::Abort)
            break;
    }
}

RunStatus BatchRunner::RemoveOneFile(const QString &name) {
    file_.outputPath = OutputPathFor(runOrdinal_);
    if (request_.skipFinishedOutputs && OutputIsFinished()) {
        // Kept as the run's own: no later output or export of the run replaces it.
        kept_.Add(file_.outputPath);
        file_.outputLeft = file_.outputPath;
        AddFileRow(runOrdinal_, 0, RunStatus::PassExistsAt(OutputNameFor(runOrdinal_)), name);
        return Status::OK;
    }
    const RunStatus status = RemovePass();
    AddFileRow(runOrdinal_, clickCounter_, RemovalRowStatus(status, runOrdinal_), name);
    return status;
}

RunStatus BatchRunner::RemovalRowStatus(const RunStatus &status, int32_t ordinal) const {
    if (status != Status::OK)
        return status;
    const QString written = OutputNameFor(ordinal);
    return clickCounter_ != 0 ? RunStatus::NoiseDeleteAt(written) : RunStatus::NoNoiseAt(written);
}

void BatchRunner::RemoveRun() {
    RunningScope scope(running_);
    if (!StartRun(QStringLiteral("D")))
        return;
    previouslyClean_ = request_.useDetection
                           ? CleanInSummary(last_.logFolder + kSummaryLogName, request_.files)
                           : QStringList();
    if (request_.jobs > 1)
        RunInParallel(true);
    else
        RemoveFilesInTurn();
    previouslyClean_.clear();
    SaveLogs();
    if (showEndMessage_)
        port_.ShowMsg(MessageText(kRemovalFinished));
}

void BatchRunner::RemoveFilesInTurn() {
    for (const QString &name : request_.files) {
        // Each file starts with nothing left, whatever its row turns out to be.
        file_ = {name, request_.inputFolder + name, QString(), QString()};
        if (StoppedBeforeFile(name))
            break;
        RunStatus status;
        if (ShouldProcess(name))
            status = RemoveOneFile(name);
        else
            AddFileRow(runOrdinal_, 0, Status::PassNoNoise, name);
        ++runOrdinal_;
        if (EndsRun(status))
            break;
    }
}

bool BatchRunner::EndsRun(const RunStatus &status) {
    return status == Status::Abort || status == Status::NoDriveSpace;
}
