// norvatel-batch: the detection and removal runs of the Norvatel window, driven
// from a shell over files named on the command line.

#include "BatchOptions.h"
#include "ConsolePort.h"
#include "batch/BatchRunner.h"
#include "settings/Settings.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "language/ProgramLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

enum Exit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void PrintErr(const QString &text) {
    std::fputs((ConsolePort::TerminalText(text) + QLatin1Char('\n')).toLocal8Bit().constData(),
               stderr);
}

// Standard input, output and error open before anything else is: closed (as
// some service managers and cron wrappers leave them), the next file opened
// would take one's number, and result rows or messages would go into a lock
// file or a log.
void OpenStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

QString SettingsPath(const BatchOptions &o) {
    // The window's rule, from the current folder (named relatively, whatever it is named).
    return o.settingsPath.isEmpty() ? SettingsFileLocation(QString()) : o.settingsPath;
}

// The settings the run works with: the file's, then the command line's overrides.
// The overwrite question is always asked; --overwrite answers it. problem names
// a settings file that cannot be used (not found when named, not text).
Settings EffectiveSettings(const BatchOptions &o, QString *problem) {
    const QString path = SettingsPath(o);
    const LoadedSettings loaded = LoadSettingsFile(path);
    if (!o.settingsPath.isEmpty() && !FileSystem::IdentityOf(path))
        *problem = QStringLiteral("settings file not found: %1").arg(DisplayFileName(path));
    else if (!loaded.fileUsable)
        *problem = QStringLiteral("settings file is not a text file it can read: %1")
                       .arg(DisplayFileName(path));
    Settings s = loaded.settings;
    if (o.name)
        s.ckAuto = false;
    if (o.outDir) {
        s.ckSameDir = false;
        s.outPath = *o.outDir;
    }
    s.ckOverW = true;
    return s;
}

ConsolePort::Choices ChoicesFor(const BatchOptions &o) {
    ConsolePort::Choices c;
    for (const QString &f : o.files)
        c.selectedFiles << NamePart(f);
    c.overwrite = o.overwrite;
    c.jsonLines = o.jsonLines;
    c.inputs = o.files;
    return c;
}

RunRequest RequestFor(const BatchOptions &o) {
    RunRequest r;
    r.kind = o.mode == BatchOptions::Mode::Detect ? RunRequest::Kind::Detect
                                                  : RunRequest::Kind::Remove;
    r.inputFolder = FileSystem::ResolvedFolder(FolderPart(o.files.first()));
    for (const QString &f : o.files)
        r.files << NamePart(f);
    r.outputText = o.name.value_or(QString());
    r.makeDetail = !o.noDetail;
    r.useDetection = o.useDetection;
    r.keepPartialOutput = o.keepPartial;
    r.skipFinishedOutputs = o.skipExisting;
    r.keepChunks = o.keepChunks;
    r.jobs = o.jobs != 0 ? o.jobs : int32_t(std::max(1u, std::thread::hardware_concurrency()));
    if (o.logDir)
        r.logFolder = FileSystem::ResolvedFolder(*o.logDir);
    return r;
}

// Standard output as the export's sink: every byte or false.
bool WriteStandardOutput(const char *data, int64_t size) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

int Run(const BatchOptions &o) {
    // First, so a stop that comes while the settings are read is not a kill.
    // It lives until the program ends, as the handlers may raise it any time.
    static StopRequest stop;
    ConsolePort::InstallStopSignals(stop);
    QString settingsProblem;
    Settings settings = EffectiveSettings(o, &settingsProblem);
    if (!settingsProblem.isEmpty()) {
        PrintErr(QStringLiteral("norvatel-batch: ") + settingsProblem);
        return kExitUsage;
    }
    if (o.logDir && !FileSystem::IsFolder(*o.logDir)) {
        PrintErr(QStringLiteral("norvatel-batch: log folder not found: %1")
                     .arg(DisplayFileName(*o.logDir)));
        return kExitUsage;
    }
    if (o.mode == BatchOptions::Mode::Remove && !settings.ckAuto && !o.name) {
        PrintErr(QStringLiteral("norvatel-batch: no output name: give --name NAME, or turn "
                                "automatic naming on in the settings file"));
        return kExitUsage;
    }
    ConsolePort port(ChoicesFor(o), stdout, stderr);
    BatchRunner runner(settings, port, stop);
    runner.KeepLogLockAfterRun(true);
    port.SetOutputSource([&runner] { return runner.outputLeft(); });
    runner.Run(RequestFor(o));
    if (runner.lastRun().lockUnusable)
        return kExitUsage;
    port.FinishResults();
    bool failed = stop.raised();
    // An empty export name is a save dialog cancelled: nothing is written.
    if (o.exportPath && runner.HasLogToExport() && !o.exportPath->isEmpty()) {
        // The lock kept from the run's save: the export holds this run's logs.
        if (*o.exportPath == QLatin1String("-"))
            runner.ExportTo(QStringLiteral("/dev/stdout"), WriteStandardOutput);
        else
            runner.ExportToFile(*o.exportPath);
    }
    runner.ReleaseLogLock();
    failed = failed || runner.lastRun().writeFailed || port.outputFailed();
    for (const RunStatus &status : port.statuses())
        failed = failed || status.isFailure();
    return failed ? kExitFailed : kExitOk;
}

} // namespace

int main(int argc, char **argv) {
    OpenStandardStreams();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << PathFromBytes(argv[i]);
    const ParseResult parsed = ParseBatchArguments(args);
    switch (parsed.kind) {
    case ParseResult::Kind::Help: {
        // In one write, not in stdio's pieces: a reader that stops at the
        // first line it wants (grep -q, head) gets it before it closes the
        // pipe, and the command does not die by SIGPIPE on the rest.
        const QByteArray usage = BatchUsageText().toLocal8Bit();
        return WriteStandardOutput(usage.constData(), usage.size()) ? kExitOk : kExitFailed;
    }
    case ParseResult::Kind::Version:
        std::puts(BatchVersionText().toLocal8Bit().constData());
        return kExitOk;
    case ParseResult::Kind::UsageError:
        PrintErr(QStringLiteral("norvatel-batch: ") + parsed.error);
        PrintErr(QStringLiteral("try 'norvatel-batch --help'"));
        return kExitUsage;
    case ParseResult::Kind::Run:
        break;
    }
    // The run's messages come from the core, in the chosen language (which
    // needs the application object); the command's own texts are English.
    const QCoreApplication app(argc, argv);
    const QString &language = parsed.options.language;
    if (!UseLanguage(language.isEmpty() ? SystemLanguage() : language))
        PrintErr(QStringLiteral("norvatel-batch: the translation is missing; "
                                "messages are in Japanese"));
    const int status = Run(parsed.options);
    // After everything is saved and closed: a stop by signal ends as that signal.
    ConsolePort::DieByStopSignal();
    return status;
}
