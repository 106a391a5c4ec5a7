#include "BatchOptions.h"

#include "ProgramVersion.h"
#include "batch/NoiseLog.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "language/ProgramLanguage.h"

namespace {

// Options that take a value, and where the value goes. format holds --format's.
bool TakeValue(BatchOptions &o, const QString &option, const QString &value,
               std::optional<QString> &format) {
    if (option == QLatin1String("--format"))
        format = value;
    else if (option == QLatin1String("--settings"))
        o.settingsPath = value;
    else if (option == QLatin1String("--name"))
        o.name = value;
    else if (option == QLatin1String("--out-dir"))
        o.outDir = value;
    else if (option == QLatin1String("--export"))
        o.exportPath = value;
    else if (option == QLatin1String("--log-dir"))
        o.logDir = value;
    else if (option == QLatin1String("--language"))
        o.language = value;
    else if (option == QLatin1String("--jobs")) {
        bool number = false;
        const int jobs = value.toInt(&number);
        o.jobs = number && jobs >= 0 ? jobs : -1;
    }
    else
        return false;
    return true;
}

// Options that take no value: each sets its one field.
struct Flag {
    const char *name;
    bool BatchOptions::*field;
};
constexpr Flag kFlags[] = {
    {"--use-detection", &BatchOptions::useDetection}, {"--no-detail", &BatchOptions::noDetail},
    {"--overwrite", &BatchOptions::overwrite},        {"--keep-partial", &BatchOptions::keepPartial},
    {"--skip-existing", &BatchOptions::skipExisting}, {"--keep-chunks", &BatchOptions::keepChunks},
};

bool TakeFlag(BatchOptions &o, const QString &option) {
    for (const Flag &flag : kFlags) {
        if (option == QLatin1String(flag.name)) {
            o.*flag.field = true;
            return true;
        }
    }
    return false;
}

ParseResult Usage(const QString &error) {
    ParseResult r;
    r.kind = ParseResult::Kind::UsageError;
    r.error = error;
    return r;
}

// Every file must sit in the one folder the run works in (its logs go there).
QString CheckOneFolder(const QStringList &files) {
    QString folder;
    for (const QString &f : files) {
        const QString dir = FileSystem::ResolvedFolder(FolderPart(f));
        if (folder.isEmpty())
            folder = dir;
        else if (dir != folder)
            return QStringLiteral("the files must all be in one folder (%1 and %2)")
                .arg(DisplayFileName(folder), DisplayFileName(dir));
    }
    return {};
}

// The options of how a run leaves its outputs and results; format is --format's value.
QString CheckRunOptions(BatchOptions &o, const std::optional<QString> &format) {
    if (format && *format != QLatin1String("tsv") && *format != QLatin1String("jsonl"))
        return QStringLiteral("unknown format: %1 (tsv or jsonl)").arg(*format);
    o.jsonLines = format == QLatin1String("jsonl");
    if (o.jsonLines && o.exportPath == QLatin1String("-"))
        return QStringLiteral("--format jsonl and --export - cannot share standard output");
    if (o.jobs < 0)
        return QStringLiteral("--jobs takes a number of files at once (0: one per core)");
    if (o.mode == BatchOptions::Mode::Detect && (o.keepPartial || o.skipExisting))
        return QStringLiteral("--keep-partial and --skip-existing are for remove");
    return {};
}

} // namespace

ParseResult ParseBatchArguments(const QStringList &args) {
    ParseResult r;
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        r.kind = ParseResult::Kind::Help;
        return r;
    }
    if (args.contains(QLatin1String("--version"))) {
        r.kind = ParseResult::Kind::Version;
        return r;
    }
    if (args.isEmpty())
        return Usage(QStringLiteral("no command given (detect or remove)"));
    BatchOptions &o = r.options;
    if (args[0] == QLatin1String("detect"))
        o.mode = BatchOptions::Mode::Detect;
    else if (args[0] == QLatin1String("remove"))
        o.mode = BatchOptions::Mode::Remove;
    else
        return Usage(QStringLiteral("unknown command: %1 (detect or remove)").arg(args[0]));
    bool onlyFiles = false;
    std::optional<QString> format;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (onlyFiles || !a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
            o.files << a;
        } else if (a == QLatin1String("--")) {
            onlyFiles = true;
        } else if (TakeFlag(o, a)) {
        } else if (i + 1 < args.size() && TakeValue(o, a, args[i + 1], format)) {
            ++i;
        } else if (i + 1 >= args.size() && TakeValue(o, a, QString(), format)) {
            return Usage(QStringLiteral("option %1 needs a value").arg(a));
        } else {
            return Usage(QStringLiteral("unknown option: %1").arg(a));
        }
    }
    if (o.files.isEmpty())
        return Usage(QStringLiteral("no files given"));
    if (const QString e = CheckOneFolder(o.files); !e.isEmpty())
        return Usage(e);
    if (o.keepChunks && o.mode != BatchOptions::Mode::Remove)
        return Usage(QStringLiteral("--keep-chunks is an option of remove"));
    if (o.name && o.name->isEmpty())
        return Usage(QStringLiteral("--name needs a non-empty name"));
    // An empty name is no file, and not a cancelled dialog either.
    if (o.exportPath && o.exportPath->isEmpty())
        return Usage(QStringLiteral("--export needs a file name (- for standard output)"));
    if (const QString e = CheckRunOptions(o, format); !e.isEmpty())
        return Usage(e);
    if (!o.language.isEmpty() && !AvailableLanguages().contains(o.language))
        return Usage(QStringLiteral("--language takes one of: %1")
                         .arg(AvailableLanguages().join(QStringLiteral(", "))));
    r.kind = ParseResult::Kind::Run;
    return r;
}

QString BatchUsageText() {
    return QStringLiteral(
        "usage: norvatel-batch detect [options] FILE...\n"
        "       norvatel-batch remove [options] FILE...\n"
        "\n"
        "Finds (detect) or repairs (remove) click noise in 16-bit stereo PCM WAV files,\n"
        "exactly as the Norvatel window's buttons do. All FILEs must be in one folder;\n"
        "the noise logs %1 and %2 are left there (or in --log-dir).\n"
        "Runs that share a log folder take turns: a run waits while another holds it.\n"
        "\n"
        "options:\n"
        "  --settings PATH   settings file to read (default: RizivozeR.ini in the\n"
        "                    current folder when there is one, otherwise\n"
        "                    ~/.config/norvatel/RizivozeR.ini; defaults when missing);\n"
        "                    never written\n"
        "  --name NAME       output file name (turns automatic naming off)\n"
        "  --out-dir DIR     write outputs into DIR instead of the input folder\n"
        "  --log-dir DIR     keep the logs in DIR, so parallel jobs over one folder keep\n"
        "                    their own logs\n"
        "  --use-detection   skip files the previous run found clean (its logs are read\n"
        "                    from the log folder)\n"
        "  --no-detail       keep no per-click detail log\n"
        "  --overwrite       replace existing output files (otherwise they are kept)\n"
        "  --skip-existing   skip files whose output is there and finished (its data as\n"
        "                    long as the input's); a part there is replaced only with\n"
        "                    --overwrite\n"
        "  --keep-partial    a file stopped or failed mid-way keeps its part under the\n"
        "                    output name, with a header that says how much it holds\n"
        "                    (otherwise the part is removed)\n"
        "  --format FORMAT   results as tsv (the default) or jsonl\n"
        "  --keep-chunks     (remove) copy every other chunk of each input (bext, LIST,\n"
        "                    iXML, cue ...) into its output with its bytes, in order:\n"
        "                    those before the data after the format chunk, those after\n"
        "                    the data after the samples. PEAK, levl and md5, which\n"
        "                    describe the old samples, are dropped; a bext coding\n"
        "                    history gets a line for the repair\n"
        "  --jobs N          process up to N files at once (default 1; 0: one per\n"
        "                    core); rows, logs, export and outputs are those of one\n"
        "                    file at a time, in file order. A stop ends every file's\n"
        "                    pass: the first file in order that was stopped gets\n"
        "                    \"Abort\", those before it keep their results and the\n"
        "                    files after it leave nothing, as if the run had stopped\n"
        "                    there one file at a time\n"
        "  --export PATH     write the tab-separated log export to PATH (- for stdout)\n"
        "  --language LANG   messages in LANG: ja (Japanese) or en (English); without\n"
        "                    it, the locale's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG):\n"
        "                    Japanese for ja and the C locale, English for any other.\n"
        "                    The result rows are the same in every language\n"
        "  --help, --version\n"
        "\n"
        "Each file's result goes to standard output as: ordinal, file name, click count,\n"
        "status (tab-separated); messages go to standard error. With --format jsonl each\n"
        "result is a JSON object of ordinal, input (the path as given), output (the path\n"
        "of the file left under the output name, or null), clicks, status (detected,\n"
        "clean, repaired, copied, skipped_clean, skipped_existing, failed or stopped)\n"
        "and text (the row's status); a path that is not UTF-8 has U+FFFD for each\n"
        "foreign byte, and input_bytes or output_bytes holding its bytes in base64. A\n"
        "last object {\"summary\": {...}} counts each status, the files and the clicks.\n"
        "\n"
        "An output takes its name only once its file was processed to the end. A run\n"
        "killed outright (kill -9, a crash) leaves NAME.unfinished-XXXXXX beside the\n"
        "output; no run takes one for an output. When no run is writing there, remove\n"
        "them with: find FOLDER -name '*.unfinished-*' -delete\n"
        "To resume a stopped run, run the same command with --skip-existing: finished\n"
        "files get \"Pass Exists at NAME\" (count 0) and the rest are processed. Not with\n"
        "--use-detection: the stopped run's summary log replaced the detection run's.\n"
        "\n"
        "Exit status: 0 every file done; 1 a file failed, or a log, the export or a\n"
        "result could not be written; 2 usage error or the run could not start.\n"
        "SIGINT, SIGTERM or SIGHUP stop the run after the current block: the logs and\n"
        "the export are written, then the command dies by that signal (status 130, 143\n"
        "or 129 in the shell), so a shell loop or GNU parallel stops there.\n")
        .arg(kSummaryLogName, kDetailLogName);
}

QString BatchVersionText() {
    return QStringLiteral("norvatel-batch ") + QLatin1String(kProgramVersion);
}
