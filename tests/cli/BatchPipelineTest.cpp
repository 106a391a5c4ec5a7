// The batch command as scripts and job runners use it: a stop by signal ends
// as that signal and leaves no output that was not finished, a rerun with
// --skip-existing finishes the rest, and --format jsonl is read by a program.

#include "batch/NoiseLog.h"
#include "support/BatchProcess.h"
#include "support/NameKinds.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// The data size a header declares, and the bytes that follow a 44-byte header.
std::pair<uint32_t, int64_t> DeclaredAndActual(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {0, -1};
    const QByteArray head = f.read(44);
    uint32_t declared = 0;
    for (int i = 0; i < 4; ++i)
        declared |= uint32_t(uint8_t(head[40 + i])) << (8 * i);
    return {declared, f.size() - 44};
}

// The bytes written so far under long_won.wav's temporary name in folder, or
// -1 when there is none.
int64_t UnfinishedBytes(const QString &folder) {
    const QFileInfoList found = QDir(folder).entryInfoList(
        {QStringLiteral("long_won.wav.unfinished-*")}, QDir::Files | QDir::Hidden);
    return found.isEmpty() ? -1 : found.first().size();
}

// Runs the command in the background as a script would, notes its process id
// in the file "pid", and ends standard output with the status the shell saw.
const QString kStatusScript =
    QStringLiteral("\"$0\" remove \"$@\" & echo $! > pid; wait $!; echo \"status $?\"");

constexpr int64_t kLongBytes = 120LL * 1000 * 1000;

class SignalTest : public BatchCommandTest {
protected:
    // A long file of silence, so a signal lands in the middle of its removal.
    void WriteLong(int64_t dataBytes = kLongBytes) {
        testwav::Layout layout;
        layout.declaredDataSize = int32_t(dataBytes);
        const std::string header = testwav::MakeWavBytes(std::string(), layout);
        testwav::WriteFile(Path("long.wav").toStdString(), header);
        ASSERT_TRUE(QFile::resize(Path("long.wav"), qint64(header.size()) + dataBytes));
    }
    // Starts program with args in the test's folder; returns once
    // long_won.wav has 2 MB under its temporary name in outFolder.
    void StartAndWaitForPart(QProcess &p, const QString &program, const QStringList &args,
                             QString outFolder = QString()) {
        if (outFolder.isEmpty())
            outFolder = dir_.path();
        p.setWorkingDirectory(dir_.path());
        p.start(program, args);
        ASSERT_TRUE(p.waitForStarted());
        for (int i = 0; i < 100000 && UnfinishedBytes(outFolder) < 2000000; ++i)
            QThread::usleep(200);
        ASSERT_GE(UnfinishedBytes(outFolder), 2000000);
    }
    // A removal of the long file, the command started directly.
    void StartLongRemoval(QProcess &p, int64_t dataBytes = kLongBytes) {
        WriteLong(dataBytes);
        StartAndWaitForPart(p, QStringLiteral(NORVATEL_BATCH_EXE), {"remove", Path("long.wav")});
    }
    // `norvatel-batch remove args` under kStatusScript.
    void StartReported(QProcess &p, const QStringList &args, const QString &outFolder = QString()) {
        StartAndWaitForPart(
            p, "/bin/bash", QStringList{"-c", kStatusScript, QStringLiteral(NORVATEL_BATCH_EXE)} + args,
            outFolder);
    }
    pid_t ReportedPid() const { return pid_t(Bytes("pid").trimmed().toInt()); }
    // Standard output of a finished process.
    static QString Finished(QProcess &p) {
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
};

struct StopCase {
    int signal;
    int shellStatus; // what the shell reports: 128 + the signal's number
};

class StopSignalTest : public SignalTest, public ::testing::WithParamInterface<StopCase> {};

// SIGINT, SIGTERM and SIGHUP stop the run: the logs are saved, the stopped
// file leaves nothing (neither under its name nor under a temporary one), and
// the command dies by the signal, so the shell sees 128 + its number.
TEST_P(StopSignalTest, EndsAsThatSignalLeavingNoOutput) {
    WriteLong();
    QProcess p;
    StartReported(p, {Path("long.wav")});
    ::kill(ReportedPid(), GetParam().signal);
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tAbort\nstatus " +
                               QString::number(GetParam().shellStatus) + "\n");
    EXPECT_FALSE(QFileInfo::exists(Path("long_won.wav")));
    EXPECT_EQ(UnfinishedBytes(dir_.path()), -1);
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")), (QStringList{"1", "long.wav", "0", "Abort"}));
}

INSTANTIATE_TEST_SUITE_P(StopSignals, StopSignalTest,
                         ::testing::Values(StopCase{SIGINT, 130}, StopCase{SIGTERM, 143},
                                           StopCase{SIGHUP, 129}),
                         [](const ::testing::TestParamInfo<StopCase> &info) {
                             return "SIG" + std::string(::sigabbrev_np(info.param.signal));
                         });

// Under nohup a hangup is ignored before the command starts: the run goes on
// to the end instead of stopping with its terminal.
TEST_F(SignalTest, AHangupIgnoredAtTheStartStaysIgnored) {
    WriteLong();
    QProcess p;
    StartAndWaitForPart(p, "/bin/bash",
                        QStringList{"-c", "trap '' HUP; " + kStatusScript,
                                    QStringLiteral(NORVATEL_BATCH_EXE), Path("long.wav")});
    ::kill(ReportedPid(), SIGHUP);
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tNO Noise at long_won.wav\nstatus 0\n");
    EXPECT_EQ(QFileInfo(Path("long_won.wav")).size(), 44 + kLongBytes);
    EXPECT_EQ(UnfinishedBytes(dir_.path()), -1);
}

// --keep-partial keeps the window's way: the part takes the output's name,
// with a header that says how much it holds.
TEST_F(SignalTest, KeepPartialLeavesATruthfulPart) {
    WriteLong();
    QProcess p;
    StartReported(p, {"--keep-partial", Path("long.wav")});
    ::kill(ReportedPid(), SIGTERM);
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tAbort\nstatus 143\n");
    const auto [declared, actual] = DeclaredAndActual(Path("long_won.wav"));
    EXPECT_GT(actual, 0);
    EXPECT_LT(actual, kLongBytes);
    EXPECT_EQ(int64_t(declared), actual);
    EXPECT_EQ(UnfinishedBytes(dir_.path()), -1);
}

// A run stopped in its second file, rerun with --skip-existing, gives the very
// bytes one uninterrupted run gives; a part kept before is not taken for a
// finished output, and replacing it takes --overwrite as any existing file does.
TEST_F(SignalTest, SkipExistingAfterAStopGivesTheUninterruptedRunsOutputs) {
    Write("long.wav", Tone(4000000, {100000, 3500000}));
    const QStringList files{Path("clicks.wav"), Path("long.wav"), Path("clean.wav")};
    const QStringList outputs{"clicks_won.wav", "long_won.wav", "clean_won.wav"};
    QDir(dir_.path()).mkdir("whole");
    QDir(dir_.path()).mkdir("resumed");
    ASSERT_EQ(Run(QStringList{"remove", "--out-dir", Path("whole")} + files).exitCode, 0);

    QProcess p;
    StartReported(p, QStringList{"--out-dir", Path("resumed")} + files, Path("resumed"));
    ::kill(ReportedPid(), SIGINT);
    const QStringList stopped = Finished(p).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(stopped.size(), 3);
    EXPECT_EQ(stopped.value(0), "1\tclicks.wav\t3\tNoise Delete at clicks_won.wav");
    EXPECT_TRUE(stopped.value(1).endsWith("\tAbort"));
    EXPECT_EQ(stopped.value(2), "status 130");

    Result r = Run(QStringList{"remove", "--skip-existing", "--out-dir", Path("resumed")} + files);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.rows.value(0), "1\tclicks.wav\t0\tPass Exists at clicks_won.wav");
    QStringList sorted = outputs;
    sorted.sort();
    EXPECT_EQ(QDir(Path("resumed")).entryList(QDir::Files | QDir::Hidden), sorted);
    for (const QString &name : outputs) {
        EXPECT_FALSE(Bytes("whole/" + name).isEmpty()) << name.toStdString();
        EXPECT_EQ(Bytes("resumed/" + name), Bytes("whole/" + name)) << name.toStdString();
    }

    // A part under the final name (as --keep-partial or the window leaves one).
    const QByteArray whole = Bytes("whole/clicks_won.wav");
    const std::string part = testwav::MakeWav(testwav::SamplesAfter44(whole.toStdString().substr(0, 4044)));
    testwav::WriteFile(Path("resumed/clicks_won.wav").toStdString(), part);
    r = Run({"remove", "--skip-existing", "--out-dir", Path("resumed"), Path("clicks.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\tclicks.wav\t0\tWrite File Open Error"});
    r = Run({"remove", "--skip-existing", "--overwrite", "--out-dir", Path("resumed"),
             Path("clicks.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\tclicks.wav\t3\tNoise Delete at clicks_won.wav"});
    EXPECT_EQ(Bytes("resumed/clicks_won.wav"), whole);
}

// The signal's death as a shell loop sees it: Ctrl-C reaches the loop's whole
// process group, and bash ends the loop (and itself) only when its command
// died by SIGINT too.
TEST_F(SignalTest, AShellLoopStopsAtTheStoppedCommand) {
    WriteLong();
    QProcess p;
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    StartAndWaitForPart(p, "/bin/bash",
                        {"-c", "for i in 1 2 3; do \"$0\" remove \"$1\"; echo \"after $?\"; done",
                         QStringLiteral(NORVATEL_BATCH_EXE), Path("long.wav")});
    ::kill(-pid_t(p.processId()), SIGINT);
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tAbort\n");
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(p.exitCode(), SIGINT);
    EXPECT_FALSE(QFileInfo::exists(Path("long_won.wav")));
}

// A write that fails mid-file (the volume full, or a file-size limit where
// no small volume can be mounted) removes the part: no output under the
// final name, no temporary file; the row says why and the run ends there.
TEST_F(SignalTest, AFullVolumeRemovesThePart) {
    WriteLong(30LL * 1000 * 1000);
    QProcess p;
    p.setWorkingDirectory(dir_.path());
    p.start("/bin/sh", {"-c", "ulimit -f 8000; exec \"$0\" remove \"$1\" \"$2\"",
                        QStringLiteral(NORVATEL_BATCH_EXE), Path("long.wav"), Path("clicks.wav")});
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tNo Drive Space\n");
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_FALSE(QFileInfo::exists(Path("long_won.wav")));
    EXPECT_EQ(UnfinishedBytes(dir_.path()), -1);

    // A real full volume: a small tmpfs (root only), filled once the pass has
    // begun, so its check of the free space at the start has passed.
    const QString mount = Path("small");
    QDir(dir_.path()).mkdir("small");
    if (::geteuid() != 0 ||
        ::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=40m") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted (needs root)";
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mount)};
    StartAndWaitForPart(p, QStringLiteral(NORVATEL_BATCH_EXE),
                        {"remove", "--out-dir", mount, Path("long.wav")}, mount);
    {
        QFile filler(mount + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tNo Drive Space\n");
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError())
                    .contains(QString::fromUtf8("ドライブの空き容量が不足しています。")));
    EXPECT_EQ(QDir(mount).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}

// A killed run leaves only its temporary file: no output under the final name
// whose header claims more than it holds.
TEST_F(SignalTest, AKilledRunLeavesOnlyTheTemporaryFile) {
    QProcess p;
    StartLongRemoval(p, 20LL * 1000 * 1000);
    p.kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_FALSE(QFileInfo::exists(Path("long_won.wav")));
    EXPECT_GT(UnfinishedBytes(dir_.path()), 0);
    // ... and a rerun with --skip-existing does not take it for an output.
    const Result r = Run({"remove", "--skip-existing", Path("long.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\tlong.wav\t0\tNO Noise at long_won.wav"});
}

// Never reached: the run is stopped in its first file, and the export names the second.
TEST_F(SignalTest, AnExportNeverReplacesAnInputTheStoppedRunDidNotReach) {
    const QByteArray clicks = Bytes("clicks.wav");
    WriteLong();
    QProcess p;
    StartAndWaitForPart(
        p, QStringLiteral(NORVATEL_BATCH_EXE),
        {"remove", "--export", Path("clicks.wav"), Path("long.wav"), Path("clicks.wav")});
    ::kill(pid_t(p.processId()), SIGINT);
    EXPECT_EQ(Finished(p), "1\tlong.wav\t0\tAbort\n");
    EXPECT_EQ(Bytes("clicks.wav"), clicks);
}

// A run makes no folder of its own in the temporary folder, which a killed
// run would leave behind; the export to standard output needs none either.
TEST_F(SignalTest, ARunMakesNoTemporaryFolder) {
    QDir(dir_.path()).mkdir("tmp");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", Path("tmp"));
    QProcess p;
    p.setProcessEnvironment(env);
    StartLongRemoval(p);
    EXPECT_TRUE(QDir(Path("tmp")).isEmpty());
    p.kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    QProcess exporting;
    exporting.setProcessEnvironment(env);
    exporting.start(QStringLiteral(NORVATEL_BATCH_EXE),
                    {"detect", "--export", "-", Path("clicks.wav")});
    ASSERT_TRUE(exporting.waitForFinished(60000));
    EXPECT_TRUE(exporting.readAllStandardOutput().contains("Detail of Noise Check"));
    EXPECT_TRUE(QDir(Path("tmp")).isEmpty());
}

// Reads --format jsonl from standard input with Python's json module and
// prints what a script would act on, one line per file: ordinal, input as
// text, whether it came with its bytes, clicks, status, whether the output
// named (by its bytes when given) exists, and text; then the summary.
const char *const kReadJsonLines = R"(
import base64, json, os, sys
objects = [json.loads(line) for line in sys.stdin]
def named(row, key):
    if row[key] is None:
        return "null"
    path = base64.b64decode(row[key + "_bytes"]) if key + "_bytes" in row else row[key].encode()
    return ("there" if os.path.exists(path) else "missing") + ("+bytes" if key + "_bytes" in row else "")
for row in objects[:-1]:
    print(row["ordinal"], row["input"], named(row, "input"), row["clicks"], row["status"],
          named(row, "output"), row["text"], sep="|")
print(json.dumps(objects[-1], sort_keys=True))
)";

// Every kind of result, read by another program: a clean, a clicked and a
// rejected file, and one whose name is not UTF-8 (its bytes given by the shell).
TEST_F(BatchCommandTest, JsonLinesAreReadByPythonsJsonModule) {
    testwav::WriteFile(Path("mono.wav").toStdString(),
                       testwav::MakeWav(std::vector<int16_t>(100, 5), MonoLayout()));
    const QByteArray foreign = names::kKinds[2].stem + ".wav"; // neither UTF-8 nor CP932
    testwav::WriteFile((QFile::encodeName(dir_.path()) + '/' + foreign).toStdString(),
                       testwav::MakeWav(Tone(20000, {4000, 12000})));
    const QString shown = QString::fromUtf8("mix\uFFFD\uFFFD");
    const struct {
        const char *args;
        QStringList lines;
    } cases[] = {
        {"detect",
         {"1|clean.wav|there|0|clean|null|OK", "2|clicks.wav|there|3|detected|null|Noise Detect",
          "3|mono.wav|there|0|failed|null|Wave File Format Error",
          "4|" + shown + ".wav|there+bytes|2|detected|null|Noise Detect",
          "{\"summary\": {\"clean\": 1, \"clicks\": 5, \"copied\": 0, \"detected\": 2, "
          "\"failed\": 1, \"files\": 4, \"repaired\": 0, \"skipped_clean\": 0, "
          "\"skipped_existing\": 0, \"stopped\": 0}}"}},
        {"remove",
         {"1|clean.wav|there|0|copied|there|NO Noise at clean_won.wav",
          "2|clicks.wav|there|3|repaired|there|Noise Delete at clicks_won.wav",
          "3|mono.wav|there|0|failed|null|Wave File Format Error",
          "4|" + shown + ".wav|there+bytes|2|repaired|there+bytes|Noise Delete at mix??_won.wav",
          "{\"summary\": {\"clean\": 0, \"clicks\": 5, \"copied\": 1, \"detected\": 0, "
          "\"failed\": 1, \"files\": 4, \"repaired\": 2, \"skipped_clean\": 0, "
          "\"skipped_existing\": 0, \"stopped\": 0}}"}},
        {"remove --skip-existing",
         {"1|clean.wav|there|0|skipped_existing|there|Pass Exists at clean_won.wav",
          "2|clicks.wav|there|0|skipped_existing|there|Pass Exists at clicks_won.wav",
          "3|mono.wav|there|0|failed|null|Wave File Format Error",
          "4|" + shown + ".wav|there+bytes|0|skipped_existing|there+bytes|Pass Exists at mix??_won.wav",
          "{\"summary\": {\"clean\": 0, \"clicks\": 0, \"copied\": 0, \"detected\": 0, "
          "\"failed\": 1, \"files\": 4, \"repaired\": 0, \"skipped_clean\": 0, "
          "\"skipped_existing\": 3, \"stopped\": 0}}"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunShell(QStringLiteral("\"$0\" %1 --format jsonl clean.wav clicks.wav "
                                                 "mono.wav \"$(printf 'mix\\200\\377.wav')\" | python3 -c \"$1\"")
                                      .arg(c.args),
                                  {kReadJsonLines});
        EXPECT_EQ(r.rows, c.lines) << r.err.toStdString();
    }
}

} // namespace

// Two long files of silence for runs of several files at once.
class JobsSignalTest : public SignalTest {
protected:
    void SetUp() override {
        SignalTest::SetUp();
        WriteLong();
        testwav::Layout layout;
        layout.declaredDataSize = int32_t(kLongBytes);
        const std::string header = testwav::MakeWavBytes(std::string(), layout);
        testwav::WriteFile(Path("later.wav").toStdString(), header);
        ASSERT_TRUE(QFile::resize(Path("later.wav"), qint64(header.size()) + kLongBytes));
    }
    // Waits until later.wav's pass has begun writing too.
    void WaitForLaterPart() {
        const auto laterPart = [this] {
            return QDir(dir_.path()).entryList({"later_won.wav.unfinished-*"},
                                               QDir::Files | QDir::Hidden);
        };
        for (int i = 0; i < 100000 && laterPart().isEmpty(); ++i)
            QThread::usleep(200);
        ASSERT_FALSE(laterPart().isEmpty());
    }
};

// Stopped while long.wav and later.wav are both in their passes, a run of two
// files at once ends as one file at a time stopped in long.wav: the file
// before keeps its row and output, long.wav gets "Abort" and its part, and
// later.wav leaves no row, no output and no temporary file.
TEST_F(JobsSignalTest, AStopEndsTheRunAtTheFirstFileItStopped) {
    QProcess p;
    StartReported(p, {"--jobs", "2", "--keep-partial", Path("clicks.wav"), Path("long.wav"),
                      Path("later.wav")});
    WaitForLaterPart();
    ::kill(ReportedPid(), SIGTERM);
    EXPECT_EQ(Finished(p),
              "1\tclicks.wav\t3\tNoise Delete at clicks_won.wav\n2\tlong.wav\t0\tAbort\nstatus 143\n");
    const auto [declared, actual] = DeclaredAndActual(Path("long_won.wav"));
    EXPECT_GT(actual, 0);
    EXPECT_EQ(int64_t(declared), actual);
    EXPECT_TRUE(QFileInfo::exists(Path("clicks_won.wav")));
    EXPECT_EQ(QDir(dir_.path()).entryList({"later*"}, QDir::Files | QDir::Hidden),
              QStringList{"later.wav"});
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")),
              (QStringList{"1", "clicks.wav", "3", "Noise Delete at clicks_won.wav", "2",
                           "long.wav", "0", "Abort"}));
}

// The passes' click spools have no name: a run killed outright leaves none.
TEST_F(JobsSignalTest, AKilledRunLeavesNoSpoolFile) {
    QDir(dir_.path()).mkdir("tmp");
    QProcess p;
    StartAndWaitForPart(p, "/bin/bash",
                        {"-c", "TMPDIR=\"$1\" exec \"$0\" remove --jobs 2 \"$2\" \"$3\"",
                         QStringLiteral(NORVATEL_BATCH_EXE), Path("tmp"), Path("long.wav"),
                         Path("later.wav")});
    WaitForLaterPart();
    EXPECT_EQ(QDir(Path("tmp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
    p.kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(QDir(Path("tmp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}
