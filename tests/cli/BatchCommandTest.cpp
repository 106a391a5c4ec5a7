// The batch command run as a process over generated files: result rows, exit
// statuses, its logs against the window's run, and stops by signal.

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Result {
    int exitCode = -1;
    QStringList rows; // standard output, line by line
    QString err;
};

// A stereo tone with a few single-value clicks in the left channel.
std::vector<int16_t> Tone(int frames, std::vector<int> clickFrames = {}) {
    std::vector<int16_t> v(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const auto s = int16_t(std::lround(8000.0 * std::sin(f * 2.0 * M_PI / 100.0)));
        v[size_t(f) * 2] = s;
        v[size_t(f) * 2 + 1] = int16_t(-s);
    }
    for (int f : clickFrames)
        v[size_t(f) * 2] = 30000;
    return v;
}

testwav::Layout MonoLayout() {
    testwav::Layout l;
    l.channels = 1;
    return l;
}

class BatchCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        Write("clean.wav", Tone(20000));
        Write("clicks.wav", Tone(20000, {3000, 9000, 15000}));
    }
    QString Path(const QString &name) const { return dir_.filePath(name); }
    void Write(const QString &name, const std::vector<int16_t> &samples) {
        testwav::WriteFile(Path(name).toStdString(), testwav::MakeWav(samples));
    }
    QByteArray Bytes(const QString &name) const {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Result Run(const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(NORVATEL_BATCH_EXE), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.rows = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
    QTemporaryDir dir_;
};

TEST_F(BatchCommandTest, DetectWritesOneRowPerFileAndLeavesTheLogs) {
    const Result r = Run({"detect", Path("clean.wav"), Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.rows, (QStringList{"1\tclean.wav\t0\tOK", "2\tclicks.wav\t3\tNoise Detect"}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("問題ファイル数：  1")));
    EXPECT_TRUE(QFileInfo::exists(Path("NoiseLog0.dat")));
    EXPECT_EQ(ReadLogLines(Path("NoiseLog1.dat")).size(), 3 * 7);
}

TEST_F(BatchCommandTest, AFailedFileMakesTheExitStatusOne) {
    testwav::WriteFile(Path("mono.wav").toStdString(),
                       testwav::MakeWav(std::vector<int16_t>(100, 5), MonoLayout()));
    testwav::WriteFile(Path("notes.txt").toStdString(), "not audio");
    const Result r = Run({"detect", Path("mono.wav"), Path("notes.txt"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.rows, (QStringList{"1\tmono.wav\t0\tWave File Format Error",
                                   "2\tnotes.txt\t0\tNot Wave File", "3\tclean.wav\t0\tOK"}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("notes.txtはWaveファイルではありません。")));
}

TEST_F(BatchCommandTest, UsageErrorsAndRunsThatCannotStartExitWithTwo) {
    QDir(dir_.path()).mkdir("sub");
    QFile::copy(Path("clean.wav"), Path("sub/other.wav"));
    EXPECT_EQ(Run({"detect", "--bogus", Path("clean.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"detect"}).exitCode, 2);
    EXPECT_EQ(Run({"inspect", Path("clean.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"detect", Path("clean.wav"), Path("sub/other.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"remove", "--name"}).exitCode, 2);
    // Automatic naming off in the settings and no --name: nothing to call the outputs.
    testwav::WriteFile(Path("manual.ini").toStdString(), "[Settei]\r\nckAuto=false\r\n");
    const Result r = Run({"remove", "--settings", Path("manual.ini"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_EQ(Run({"--version"}).exitCode, 0);
}

TEST_F(BatchCommandTest, RemoveNamesOutputsAndNeverReplacesSilently) {
    const QDir out(dir_.filePath("out"));
    QDir(dir_.path()).mkdir("out");
    Result r = Run({"remove", "--name", "fixed", "--out-dir", out.path(), Path("clean.wav"),
                    Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.rows, (QStringList{"1\tclean.wav\t0\tNO Noise at fixed_01.wav",
                                   "2\tclicks.wav\t3\tNoise Delete at fixed_02.wav"}));
    // A clean file comes out as a copy of its samples.
    EXPECT_EQ(QFile(out.filePath("fixed_01.wav")).size(), QFile(Path("clean.wav")).size());

    // Outputs exist now: without --overwrite they are kept and the files fail.
    QFile::resize(out.filePath("fixed_01.wav"), 10);
    r = Run({"remove", "--name", "fixed", "--out-dir", out.path(), Path("clean.wav"),
             Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.rows.value(0), "1\tclean.wav\t0\tWrite File Open Error");
    EXPECT_EQ(QFile(out.filePath("fixed_01.wav")).size(), 10);
    r = Run(
        {"remove", "--overwrite", "--name", "fixed", "--out-dir", out.path(), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.rows, QStringList{"1\tclean.wav\t0\tNO Noise at fixed.wav"});
}

TEST_F(BatchCommandTest, UseDetectionSkipsWhatThePreviousInvocationFoundClean) {
    ASSERT_EQ(Run({"detect", Path("clean.wav"), Path("clicks.wav")}).exitCode, 0);
    const Result r = Run({"remove", "--use-detection", Path("clean.wav"), Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.rows, (QStringList{"1\tclean.wav\t0\tPass No Noise",
                                   "2\tclicks.wav\t3\tNoise Delete at clicks_won.wav"}));
    EXPECT_FALSE(QFileInfo::exists(Path("clean_won.wav")));
    EXPECT_TRUE(QFileInfo::exists(Path("clicks_won.wav")));
}

TEST_F(BatchCommandTest, LogsAndExportMatchTheWindowsRun) {
    // The window's run: the same core code behind a recording window.
    Settings settings = Settings::Defaults();
    RecordingPort port;
    port.selectedNames = {"clicks.wav", "clean.wav"};
    BatchRunner runner(settings, port);
    runner.inputFolder = dir_.path() + QDir::separator();
    runner.cdCheckClick();
    const QByteArray summary = Bytes("NoiseLog0.dat"), detail = Bytes("NoiseLog1.dat");
    ASSERT_FALSE(detail.isEmpty());
    QFile::remove(Path("NoiseLog0.dat"));
    QFile::remove(Path("NoiseLog1.dat"));

    const Result r =
        Run({"detect", "--export", Path("export.txt"), Path("clicks.wav"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Bytes("NoiseLog0.dat"), summary);
    EXPECT_EQ(Bytes("NoiseLog1.dat"), detail);
    const QByteArray exported = Bytes("export.txt");
    EXPECT_TRUE(
        exported.startsWith("Summary of Noise Check\r\nID\tFileName\tNoise Count\tStatus\r\n"
                            "1\tclicks.wav\t3\tNoise Detect\r\n2\tclean.wav\t0\tOK\r\n"));
    EXPECT_EQ(exported.count("\r\n"), 2 + 2 + 3 + 3);

    const Result toStdout = Run({"detect", "--export", "-", Path("clicks.wav"), Path("clean.wav")});
    EXPECT_TRUE(toStdout.rows.contains("Detail of Noise Check\r"));
}

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

// The bytes written so far under the output's temporary name, or -1 when there is none.
int64_t UnfinishedBytes(const QDir &dir) {
    const QFileInfoList found =
        dir.entryInfoList({QStringLiteral("long_won.wav.unfinished-*")}, QDir::Files);
    return found.isEmpty() ? -1 : found.first().size();
}

class SignalTest : public BatchCommandTest, public ::testing::WithParamInterface<int> {
protected:
    // Starts a removal of a long file and returns once some blocks are written.
    void StartLongRemoval(QProcess &p) {
        // A long file: 120 MB of data, so the signal lands in the middle of it.
        const int64_t dataBytes = 120LL * 1000 * 1000;
        testwav::Layout layout;
        layout.declaredDataSize = int32_t(dataBytes);
        const std::string header = testwav::MakeWavBytes(std::string(), layout);
        testwav::WriteFile(Path("long.wav").toStdString(), header);
        ASSERT_TRUE(QFile::resize(Path("long.wav"), qint64(header.size()) + dataBytes));
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(NORVATEL_BATCH_EXE), {"remove", Path("long.wav")});
        ASSERT_TRUE(p.waitForStarted());
        for (int i = 0; i < 50000 && UnfinishedBytes(QDir(dir_.path())) < 2000000; ++i)
            QThread::usleep(200);
        ASSERT_GE(UnfinishedBytes(QDir(dir_.path())), 2000000);
    }
};

// SIGINT, SIGTERM and SIGHUP stop the run: the partial output takes its name
// with a header that says how much it holds, and the logs are saved.
TEST_P(SignalTest, AStopSignalLeavesAValidPartialFile) {
    QProcess p;
    StartLongRemoval(p);
    ::kill(pid_t(p.processId()), GetParam());
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString rows = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(rows, "1\tlong.wav\t0\tAbort\n");
    const auto [declared, actual] = DeclaredAndActual(Path("long_won.wav"));
    EXPECT_GT(actual, 0);
    EXPECT_LT(actual, 120LL * 1000 * 1000);
    EXPECT_EQ(int64_t(declared), actual);
    EXPECT_EQ(UnfinishedBytes(QDir(dir_.path())), -1);
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")), (QStringList{"1", "long.wav", "0", "Abort"}));
}

INSTANTIATE_TEST_SUITE_P(StopSignals, SignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

// A killed run leaves only its temporary file: no output under the final name
// whose header claims more than it holds.
TEST_F(SignalTest, AKilledRunLeavesOnlyTheTemporaryFile) {
    QProcess p;
    StartLongRemoval(p);
    p.kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_FALSE(QFileInfo::exists(Path("long_won.wav")));
    EXPECT_GT(UnfinishedBytes(QDir(dir_.path())), 0);
}

} // namespace
