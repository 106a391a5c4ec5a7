// norvatel-batch: the detection and removal runs of the Norvatel window, driven
// from a shell over files named on the command line.

#include "BatchOptions.h"
#include "ConsolePort.h"
#include "batch/BatchRunner.h"
#include "settings/Settings.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

#include <QDir>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
    c.makeDetail = !o.noDetail;
    c.useDetection = o.useDetection;
    c.outputFileText = o.name.value_or(QString());
    c.overwrite = o.overwrite;
    // Standard output is written through, as the file it is.
    c.exportPath = o.exportPath == QLatin1String("-") ? QStringLiteral("/dev/stdout")
                                                       : o.exportPath.value_or(QString());
    return c;
}

int Run(const BatchOptions &o) {
    // First, so a stop that comes while the settings are read is not a kill.
    ConsolePort::InstallStopSignals();
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
    BatchRunner runner(settings, port);
    runner.inputFolder = FileSystem::ResolvedFolder(FolderPart(o.files.first()));
    if (o.logDir)
        runner.fixedLogFolder = FileSystem::ResolvedFolder(*o.logDir);
    runner.keepLogLock = true;
    if (o.mode == BatchOptions::Mode::Detect)
        runner.cdCheckClick();
    else
        runner.cdDelClick();
    if (runner.lockUnusable)
        return kExitUsage;
    bool failed = ConsolePort::StopSignalled();
    if (o.exportPath)
        runner.mExportClick();
    runner.ReleaseLogLock();
    failed = failed || runner.writeFailed || port.outputFailed();
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
    case ParseResult::Kind::Help:
        std::fputs(BatchUsageText().toLocal8Bit().constData(), stdout);
        return kExitOk;
    case ParseResult::Kind::Version:
        std::puts("norvatel-batch 1.3");
        return kExitOk;
    case ParseResult::Kind::UsageError:
        PrintErr(QStringLiteral("norvatel-batch: ") + parsed.error);
        PrintErr(QStringLiteral("try 'norvatel-batch --help'"));
        return kExitUsage;
    case ParseResult::Kind::Run:
        break;
    }
    return Run(parsed.options);
}
