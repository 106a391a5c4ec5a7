// norvatel-batch: the detection and removal runs of the Norvatel window, driven
// from a shell over files named on the command line.

#include "BatchOptions.h"
#include "ConsolePort.h"
#include "batch/BatchRunner.h"
#include "settings/Settings.h"
#include "wavefile/FileSystem.h"
#include "wavefile/PathBytes.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

enum Exit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void PrintErr(const QString &text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// path made absolute. A relative path is taken from the current directory as
// the system names it: Qt's own reading of it loses the bytes of a folder name
// that is not UTF-8 (an archive unpacked from Windows).
QString AbsolutePath(const QString &path) {
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (QDir::isAbsolutePath(path) || !cwd)
        return QFileInfo(path).absoluteFilePath();
    return QFileInfo(PathFromBytes(cwd.get()) + QLatin1Char('/') + path).absoluteFilePath();
}

QString SettingsPath(const BatchOptions &o) {
    return o.settingsPath.isEmpty()
               ? QDir::current().filePath(QString::fromLatin1(kSettingsFileName))
               : o.settingsPath;
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

ConsolePort::Choices ChoicesFor(const BatchOptions &o, const QString &exportTarget) {
    ConsolePort::Choices c;
    for (const QString &f : o.files)
        c.selectedFiles << QFileInfo(f).fileName();
    c.makeDetail = !o.noDetail;
    c.useDetection = o.useDetection;
    c.outputFileText = o.name.value_or(QString());
    c.overwrite = o.overwrite;
    c.exportPath = exportTarget;
    return c;
}

// The export goes through the run's own export, which asks its save dialog for
// a file; for standard output it writes a temporary file that is then copied
// piece by piece.
bool CopyToStdout(const QString &path) {
    FileHandle file = FileHandle::OpenRead(path);
    QByteArray piece(64 * 1024, '\0');
    int64_t got = 0;
    while (file.isOpen() && (got = file.read(piece.data(), piece.size())) > 0) {
        if (std::fwrite(piece.constData(), 1, size_t(got), stdout) != size_t(got))
            return false;
    }
    return file.isOpen() && got == 0 && std::fflush(stdout) == 0;
}

QString FolderPath(const QString &folder) {
    QString path = AbsolutePath(folder);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

int Run(const BatchOptions &o) {
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
    QTemporaryDir exportDir;
    const bool exportToStdout = o.exportPath && *o.exportPath == QLatin1String("-");
    const QString exportTarget = !o.exportPath    ? QString()
                                 : exportToStdout ? exportDir.filePath(QStringLiteral("export.txt"))
                                                  : *o.exportPath;
    ConsolePort port(ChoicesFor(o, exportTarget), stdout, stderr);
    BatchRunner runner(settings, port);
    runner.inputFolder = FolderPath(QFileInfo(AbsolutePath(o.files.first())).absolutePath());
    if (o.logDir)
        runner.fixedLogFolder = FolderPath(*o.logDir);
    runner.keepLogLock = true;
    ConsolePort::InstallStopSignals();
    if (o.mode == BatchOptions::Mode::Detect)
        runner.cdCheckClick();
    else
        runner.cdDelClick();
    bool failed = ConsolePort::StopSignalled();
    if (o.exportPath) {
        runner.mExportClick();
        if (exportToStdout && !runner.writeFailed && !CopyToStdout(exportTarget))
            failed = true;
    }
    runner.ReleaseLogLock();
    failed = failed || runner.writeFailed || port.outputFailed();
    for (const RunStatus &status : port.statuses())
        failed = failed || status.isFailure();
    return failed ? kExitFailed : kExitOk;
}

} // namespace

int main(int argc, char **argv) {
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
