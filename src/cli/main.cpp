// norvatel-batch: the detection and removal runs of the Norvatel window, driven
// from a shell over files named on the command line.

#include "BatchOptions.h"
#include "ConsolePort.h"
#include "batch/BatchRunner.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

enum Exit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void PrintErr(const QString &text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// The settings the run works with: the file's, then the command line's overrides.
// The overwrite question is always asked; --overwrite answers it.
Settings EffectiveSettings(const BatchOptions &o, bool *ok) {
    const QString path = o.settingsPath.isEmpty()
                             ? QDir::current().filePath(QString::fromLatin1(kSettingsFileName))
                             : o.settingsPath;
    *ok = o.settingsPath.isEmpty() || QFileInfo::exists(path);
    Settings s = LoadSettingsFile(path).settings;
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
// a file; for standard output it writes a temporary file that is then copied.
bool CopyToStdout(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
               size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

int Run(const BatchOptions &o) {
    bool settingsFound = false;
    Settings settings = EffectiveSettings(o, &settingsFound);
    if (!settingsFound) {
        PrintErr(QStringLiteral("norvatel-batch: settings file not found: %1").arg(o.settingsPath));
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
    runner.inputFolder = QFileInfo(o.files.first()).absolutePath();
    if (!runner.inputFolder.endsWith(QDir::separator()))
        runner.inputFolder += QDir::separator();
    ConsolePort::InstallStopSignals();
    if (o.mode == BatchOptions::Mode::Detect)
        runner.cdCheckClick();
    else
        runner.cdDelClick();
    if (o.exportPath) {
        runner.mExportClick();
        if (exportToStdout && !CopyToStdout(exportTarget))
            return kExitFailed;
    }
    bool failed = ConsolePort::StopSignalled();
    for (const RunStatus &status : port.statuses())
        failed = failed || status.isFailure();
    return failed ? kExitFailed : kExitOk;
}

} // namespace

int main(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
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
