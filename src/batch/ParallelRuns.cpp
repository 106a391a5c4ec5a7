// The runs that process several files at once. Each file's pass runs on a
// thread of its own with its own block buffers, in a runner of its own whose
// window only collects its messages and whose clicks go to a spool; the run
// itself takes each file's messages, clicks and row in file order, so the
// logs (and where the log limit cuts the detail log), the rows and the kept
// files are those of the same run one file at a time. What a file needs of
// the run before its pass (the skip rules, the overwrite question, the
// output's creation) is done in file order on the run's thread too, and an
// output takes its name there, only once every file before it has ended.
//
// A stop reaches every pass at its next block. The first file in order whose
// pass was stopped is the file the run stopped at: it gets "Abort" (and its
// part, when parts are kept); the files before it keep what they did, and
// the files after it, finished or not, leave nothing: no row, no record, no
// output. The same holds for a full volume. Files the run had not begun when
// the stop came are not begun.

#include "batch/BatchRunner.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// The window of one file's pass: messages are kept for the run to show in
// file order. The one question (whether to replace an output) is asked while
// the output is created, on the run's thread: its answer is taken at once,
// and when the run's window gives it without asking anyone, the question is
// shown in its turn too; otherwise it goes to the run's window at once. The
// per-block pump passes the run's stop on.
class JobPort : public WindowPort {
public:
    struct Message {
        QString text;
        bool question = false;
    };

    JobPort(MessageSink &asker, const StopRequest &runStop, StopRequest &jobStop)
        : asker_(asker), runStop_(runStop), jobStop_(jobStop) {}

    MsgAnswer ShowMsg(const QString &text, bool yesNo) override {
        if (!yesNo) {
            messages_.push_back({text, false});
            return MsgAnswer::Ok;
        }
        const std::optional<MsgAnswer> settled = asker_.SettledAnswer(text);
        if (!settled)
            return asker_.ShowMsg(text, true);
        messages_.push_back({text, true});
        return *settled;
    }
    // The pass's progress is kept for the run to show while it waits for
    // this file, the first in file order still running.
    struct Progress {
        int32_t min = 0, max = 0, position = 0;
        QString rateText, clickText;
        int32_t changes = 0; // grows with every change
    };
    void SetProgressRange(int32_t min, int32_t max, int32_t position) override {
        const std::lock_guard lock(progressMutex_);
        progress_.min = min, progress_.max = max, progress_.position = position;
        ++progress_.changes;
    }
    void SetProgressPosition(int32_t position, const QString &rateText) override {
        const std::lock_guard lock(progressMutex_);
        progress_.position = position, progress_.rateText = rateText;
        ++progress_.changes;
    }
    void ShowClickCountText(const QString &text) override {
        const std::lock_guard lock(progressMutex_);
        progress_.clickText = text;
        ++progress_.changes;
    }
    Progress progress() const {
        const std::lock_guard lock(progressMutex_);
        return progress_;
    }
    void ShowPassLabel(bool) override {}
    void ResetResultGrid() override {}
    void SetResultRow(int32_t, const QString &, const QString &, const QString &,
                      const RunStatus &) override {}
    void SetRunControls(bool) override {}
    void SetStopEnabled(bool) override {}
    void ProcessPendingEvents() override {
        if (runStop_.raised())
            jobStop_.raise();
    }

    const std::vector<Message> &messages() const { return messages_; }

private:
    MessageSink &asker_;
    const StopRequest &runStop_;
    StopRequest &jobStop_;
    std::vector<Message> messages_;
    mutable std::mutex progressMutex_;
    Progress progress_;
};

// Shows the progress of the first file in order that is still running, as
// a run one file at a time shows its file's.
class ProgressShown {
public:
    explicit ProgressShown(WindowPort &port) : port_(port) {}
    // ordinal: the file's place in the run.
    void Show(int32_t ordinal, const JobPort::Progress &p) {
        if (p.changes == 0 || (ordinal == ordinal_ && p.changes == changes_))
            return;
        // The count first, so that this file's range never shows beside the
        // previous file's count.
        port_.ShowClickCountText(p.clickText);
        if (ordinal != ordinal_ && p.max != 0)
            port_.SetProgressRange(p.min, p.max, p.position);
        if (!p.rateText.isEmpty())
            port_.SetProgressPosition(p.position, p.rateText);
        ordinal_ = ordinal;
        changes_ = p.changes;
    }

private:
    WindowPort &port_;
    int32_t ordinal_ = -1;
    int32_t changes_ = 0;
};

// How often the run shows the progress of the file it waits for.
constexpr std::chrono::milliseconds kProgressInterval{200};

// What the run's thread waits for: a file's pass ending, whichever it is.
struct PassesRunning {
    std::mutex mutex;
    std::condition_variable ended;
    int32_t count = 0; // passes started and not yet ended
};

} // namespace

struct BatchRunner::FileJob {
    FileJob(const Settings &settings, MessageSink &asker, const StopRequest &runStop,
            PassesRunning &running)
        : port(asker, runStop, stop), pass(settings, port, stop), running(running) {}
    // A job the run no longer needs is stopped and waited for; an output it
    // had open is abandoned with it.
    ~FileJob() {
        stop.raise();
        if (thread.joinable())
            thread.join();
    }
    FileJob(const FileJob &) = delete;
    FileJob &operator=(const FileJob &) = delete;

    StopRequest stop; // the run's stop, or the run's end before this file
    JobPort port;
    BatchRunner pass;
    OpenOutput open;
    std::unique_ptr<ClickSpool> spool;
    std::thread thread;
    // The row of a file that needs no pass (skipped), or why its output
    // could not be opened: set before any thread starts.
    std::optional<RunStatus> rowWithoutPass;
    std::optional<RunStatus> openFailure;
    RunStatus status; // the pass's, once its thread has ended
    PassesRunning &running;
    bool ended = true; // under running.mutex: no pass runs (it has ended, or none began)
};

void BatchRunner::LaunchJob(FileJob &job, bool removal) {
    BatchRunner &pass = job.pass;
    pass.request_ = request_;
    pass.last_ = last_;
    pass.runOrdinal_ = runOrdinal_;
    pass.file_ = file_;
    if (removal) {
        if (!ShouldProcess(file_.inputName)) {
            job.rowWithoutPass = Status::PassNoNoise;
            return;
        }
        file_.outputPath = pass.file_.outputPath = OutputPathFor(runOrdinal_);
        if (request_.skipFinishedOutputs && OutputIsFinished()) {
            // Kept as the run's own: no later output or export of the run replaces it.
            kept_.Add(file_.outputPath);
            pass.file_.outputLeft = file_.outputPath;
            job.rowWithoutPass = RunStatus::PassExistsAt(OutputNameFor(runOrdinal_));
            return;
        }
        const RunStatus opened = pass.OpenRemovePass(kept_, job.open);
        if (opened != Status::OK) {
            job.openFailure = opened;
            return;
        }
    }
    if (request_.makeDetail) {
        job.spool = std::make_unique<ClickSpool>();
        pass.spool_ = job.spool.get();
    }
    job.ended = false;
    const auto runPass = [&job, removal] {
        if (!removal) {
            job.status = job.pass.DetectPass();
        } else {
            job.status = job.pass.WriteRemoveBlocks(job.open);
            // The output goes to the disk here, beside the other passes; the
            // run only renames it into place in its turn.
            if (job.status == Status::OK && job.open.out.isOpen())
                (void)job.open.out.file().sync();
        }
        const std::lock_guard lock(job.running.mutex);
        job.ended = true;
        --job.running.count;
        job.running.ended.notify_all();
    };
    {
        const std::lock_guard lock(job.running.mutex);
        ++job.running.count;
    }
    // Where no thread can be started (a process limit), the file's pass runs
    // here: slower, with the same result.
    try {
        job.thread = std::thread(runPass);
    } catch (const std::system_error &) {
        runPass();
    }
}

RunStatus BatchRunner::FinishJob(FileJob &job, bool removal) {
    if (job.thread.joinable())
        job.thread.join();
    BatchRunner &pass = job.pass;
    RunStatus status = job.openFailure.value_or(job.status);
    if (removal && !job.rowWithoutPass && !job.openFailure)
        status = pass.CommitOutput(job.open, status, kept_);
    file_ = pass.file_;
    for (const JobPort::Message &message : job.port.messages())
        (void)port_.ShowMsg(message.text, message.question);
    if (job.spool) {
        const bool read = job.spool->ForEach([this](const ClickSpool::Record &r) {
            AddClickRecord(r.id, r.index, r.value, r.width);
        });
        if (!read || job.spool->failed())
            detailLog_.MarkFailed();
    }
    clickCounter_ = pass.clickCounter_;
    const QString &name = file_.inputName;
    if (job.rowWithoutPass) {
        AddFileRow(runOrdinal_, 0, *job.rowWithoutPass, name);
        return Status::OK;
    }
    if (removal) {
        AddFileRow(runOrdinal_, clickCounter_, RemovalRowStatus(status, runOrdinal_), name);
    } else {
        const bool found = status == Status::OK && clickCounter_ != 0;
        AddFileRow(runOrdinal_, clickCounter_, found ? Status::NoiseDetect : status, name);
    }
    return status;
}

void BatchRunner::RunInParallel(bool removal) {
    const QStringList &files = request_.files;
    const int32_t firstOrdinal = runOrdinal_;
    // Up to request_.jobs passes run at once; a file whose pass has ended
    // waits for the files before it, so that a long file holds up only its
    // own turn, not the next passes. Waiting files are bounded: each holds an
    // open output and a spool.
    const qsizetype waitingLimit = 4 * qsizetype(request_.jobs);
    PassesRunning running;
    std::deque<std::unique_ptr<FileJob>> window;
    qsizetype next = 0;
    // Two files of the run writing one output would each find the other's
    // file, or none, unlike one at a time: the second waits for the first.
    const auto sharesOutput = [&](qsizetype index) {
        if (!removal)
            return false;
        const QString path = last_.outputFolder +
                             last_.OutputNameFor(firstOrdinal + int32_t(index), files[index],
                                                 settings_.ckAuto);
        for (const auto &job : window)
            if (job->pass.file_.outputPath == path)
                return true;
        return false;
    };
    const auto passesRunning = [&running] {
        const std::lock_guard lock(running.mutex);
        return running.count;
    };
    const auto mayLaunch = [&] {
        return next < files.size() && qsizetype(window.size()) < waitingLimit && !stop_.raised() &&
               (window.empty() || !sharesOutput(next));
    };
    ProgressShown progress(port_);
    bool ended = false;
    while (!ended) {
        while (mayLaunch() && passesRunning() < request_.jobs) {
            auto job = std::make_unique<FileJob>(settings_, port_, stop_, running);
            runOrdinal_ = firstOrdinal + int32_t(next);
            file_ = {files[next], request_.inputFolder + files[next], QString(), QString()};
            LaunchJob(*job, removal);
            window.push_back(std::move(job));
            ++next;
        }
        if (window.empty())
            break;
        // Until the first file's pass ends, or another's frees a place for the next file.
        const bool more = mayLaunch();
        FileJob &first = *window.front();
        {
            std::unique_lock lock(running.mutex);
            while (!running.ended.wait_for(lock, kProgressInterval, [&] {
                return first.ended || (more && running.count < request_.jobs);
            })) {
                lock.unlock();
                progress.Show(first.pass.runOrdinal_, first.port.progress());
                lock.lock();
            }
            if (!first.ended)
                continue;
        }
        // Where it got to, as one file at a time shows before its row.
        progress.Show(first.pass.runOrdinal_, first.port.progress());
        const std::unique_ptr<FileJob> job = std::move(window.front());
        window.pop_front();
        runOrdinal_ = job->pass.runOrdinal_;
        ended = EndsRun(FinishJob(*job, removal));
        ++runOrdinal_;
    }
    // The files after the one the run ended at are no longer the run's.
    window.clear();
    if (!ended && next < files.size()) {
        runOrdinal_ = firstOrdinal + int32_t(next);
        file_ = {files[next], request_.inputFolder + files[next], QString(), QString()};
        StoppedBeforeFile(files[next]);
    }
}
