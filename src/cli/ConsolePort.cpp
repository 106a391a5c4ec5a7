#include "ConsolePort.h"

#include "batch/NoiseLog.h"
#include "filesystem/PathBytes.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

// The request the signal handlers raise, set before they are installed. A
// lock-free atomic is the only kind of object a handler may safely touch:
// this pointer, and the request's own flag.
std::atomic<StopRequest *> gStop{nullptr};
static_assert(std::atomic<StopRequest *>::is_always_lock_free);
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The signal that stopped the run, 0 before any; the first one counts.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// A hangup ignored when the command started (nohup) stays ignored: the run
// was meant to outlive its terminal.
bool gHangupIgnored = false;

bool Handled(int signal) {
    return !(signal == SIGHUP && gHangupIgnored);
}

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    gStopSignal.compare_exchange_strong(none, signal, std::memory_order_relaxed);
    if (StopRequest *stop = gStop.load(std::memory_order_relaxed))
        stop->raise();
}

// False when the bytes could not be written (a closed pipe, a full disk).
bool PrintBytes(std::FILE *f, const QByteArray &bytes) {
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) ==
                         size_t(bytes.size());
    return std::fflush(f) == 0 && written;
}

bool Print(std::FILE *f, const QString &text) {
    return PrintBytes(f, text.toLocal8Bit());
}

// Control characters become "?", as in the logs.
QString WithoutControls(QString text) {
    for (QChar &c : text) {
        if (IsControlCharacter(c.unicode()))
            c = QLatin1Char('?');
    }
    return text;
}

// A field of a tab-separated result line, a name shown by its display text:
// a tab or a line end in a file name becomes "?", so every row stays one line.
QString Field(const QString &name) {
    return WithoutControls(DisplayFileName(name));
}

} // namespace

ConsolePort::ConsolePort(Choices choices, std::FILE *out, std::FILE *err)
    : choices_(std::move(choices)), out_(out), err_(err), errIsTerminal_(isatty(fileno(err))) {}

void ConsolePort::InstallStopSignals(StopRequest &stop) {
    gStop.store(&stop, std::memory_order_relaxed);
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    struct sigaction hangup {};
    gHangupIgnored = sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler == SIG_IGN;
    for (const int signal : kStopSignals) {
        if (Handled(signal))
            sigaction(signal, &sa, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

void ConsolePort::DieByStopSignal() {
    // The default actions first: a signal that comes after the test below
    // then ends the program at once, as it should, instead of being lost.
    for (const int signal : kStopSignals) {
        if (Handled(signal))
            std::signal(signal, SIG_DFL);
    }
    const int signal = gStopSignal.load(std::memory_order_relaxed);
    if (signal == 0)
        return;
    std::fflush(nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
}

QString ConsolePort::TerminalText(const QString &text) {
    // The window's multi-line texts are joined.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return WithoutControls(line);
}

MsgAnswer ConsolePort::ShowMsg(const QString &text, bool yesNo) {
    ClearProgress();
    ++messageCount_;
    if (!yesNo) {
        Print(err_, TerminalText(text) + QLatin1Char('\n'));
        return MsgAnswer::Ok;
    }
    const MsgAnswer answer = *SettledAnswer(text);
    Print(err_, TerminalText(text) +
                    QLatin1String(answer == MsgAnswer::Yes ? " -> yes\n" : " -> no\n"));
    return answer;
}

std::optional<MsgAnswer> ConsolePort::SettledAnswer(const QString &) const {
    // The only question a run asks is whether to replace an existing output.
    return choices_.overwrite ? MsgAnswer::Yes : MsgAnswer::No;
}

void ConsolePort::SetProgressRange(int32_t, int32_t, int32_t) {
    rateText_ = QStringLiteral("0.0%");
    DrawProgress();
}

void ConsolePort::SetProgressPosition(int32_t, const QString &rateText) {
    rateText_ = rateText;
    DrawProgress();
}

void ConsolePort::ShowClickCountText(const QString &text) {
    clickText_ = text;
    DrawProgress();
}

void ConsolePort::ShowPassLabel(bool) {}

void ConsolePort::ResetResultGrid() {
    rowsWritten_ = 0;
}

void ConsolePort::SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                               const QString &count, const RunStatus &status) {
    ClearProgress();
    // A row is written once, when its file has ended.
    if (ordinal <= rowsWritten_)
        return;
    rowsWritten_ = ordinal;
    statuses_ << status;
    const QString text = Field(status.text());
    const QByteArray line =
        choices_.jsonLines
            ? json_.Row(ordinal, choices_.inputs.value(ordinal - 1),
                        outputLeft_ ? outputLeft_() : QString(), count.toInt(), status, text)
            : (ordinalText + QLatin1Char('\t') + Field(name) + QLatin1Char('\t') + count +
               QLatin1Char('\t') + text + QLatin1Char('\n'))
                  .toLocal8Bit();
    if (!PrintBytes(out_, line))
        outputFailed_ = true;
}

void ConsolePort::FinishResults() {
    ClearProgress();
    if (choices_.jsonLines && !PrintBytes(out_, json_.Summary()))
        outputFailed_ = true;
}

bool ConsolePort::WaitForLogFolder(const QString &folder) {
    ClearProgress();
    Print(err_, QStringLiteral("norvatel-batch: another run is using the logs in %1; waiting for it\n")
                    .arg(Field(folder)));
    return true;
}

void ConsolePort::DrawProgress() {
    if (!errIsTerminal_)
        return;
    const int32_t file = rowsWritten_;
    const QString name =
        file < choices_.selectedFiles.size() ? choices_.selectedFiles[file] : QString();
    Print(err_,
          QStringLiteral("\r\033[K%1  %2  clicks %3").arg(Field(name), rateText_, clickText_));
    progressShown_ = true;
}

void ConsolePort::ClearProgress() {
    if (!progressShown_)
        return;
    Print(err_, QStringLiteral("\r\033[K"));
    progressShown_ = false;
}
