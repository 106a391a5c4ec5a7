// The batch command run as a process over generated files: result rows, exit
// statuses, its logs against the window's run, and stops by signal.

#include "batch/BatchRunner.h"
#include "support/BatchProcess.h"
#include "support/NameKinds.h"
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
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
    EXPECT_EQ(Run({"detect", "--export", "", Path("clean.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"detect", "--format", "xml", Path("clean.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"detect", "--format", "jsonl", "--export", "-", Path("clean.wav")}).exitCode, 2);
    EXPECT_EQ(Run({"detect", "--skip-existing", Path("clean.wav")}).exitCode, 2);
    // Automatic naming off in the settings and no --name: nothing to call the outputs.
    testwav::WriteFile(Path("manual.ini").toStdString(), "[Settei]\r\nckAuto=false\r\n");
    const Result r = Run({"remove", "--settings", Path("manual.ini"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_EQ(Run({"--version"}).exitCode, 0);
}

TEST_F(BatchCommandTest, VersionIsTheProjectVersion) {
    const Result r = Run({"--version"});
    EXPECT_EQ(r.rows, QStringList{QStringLiteral("norvatel-batch " NORVATEL_PROJECT_VERSION)});
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
    StopRequest stop;
    BatchRunner runner(settings, port, stop);
    runner.Run(port.RequestFor(RunRequest::Kind::Detect, dir_.path() + QDir::separator()));
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

// Links, FIFOs and devices where the run looks for its logs, settings or
// export: nothing is written through a link, nothing waits on a FIFO, and a
// file the run worked on is never the export.
TEST_F(BatchCommandTest, HostileNamesNeitherLoseDataNorHang) {
    const QByteArray clean = Bytes("clean.wav");
    ASSERT_TRUE(QFile::link(Path("clean.wav"), Path("NoiseLog1.dat")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("NoiseLog0.dat")).constData(), 0600), 0);
    Result r = Run({"remove", "--use-detection", "--export", Path("clean.wav"), Path("clean.wav"),
                    Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 1); // the export was refused
    EXPECT_EQ(r.rows.size(), 2);
    EXPECT_EQ(Bytes("clean.wav"), clean);
    EXPECT_FALSE(QFileInfo(Path("NoiseLog1.dat")).isSymLink());
    EXPECT_EQ(ReadLogLines(Path("NoiseLog1.dat")).size(), 3 * 7);
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")).size(), 2 * 4);

    QDir(dir_.path()).mkdir("folder");
    ASSERT_TRUE(QFile::link(Path("clicks.wav"), Path("link.txt")));
    for (const QString &target : {Path("folder"), Path("none/x.txt"), Path("link.txt")}) {
        r = Run({"detect", "--export", target, Path("clicks.wav")});
        EXPECT_EQ(r.exitCode, 1) << target.toStdString();
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.ini")).constData(), 0600), 0);
    for (const QString &settings : {Path("fifo.ini"), QStringLiteral("/dev/zero")}) {
        r = Run({"detect", "--settings", settings, Path("clean.wav")});
        EXPECT_EQ(r.exitCode, 2) << settings.toStdString();
        EXPECT_TRUE(r.rows.isEmpty());
    }
}

// A log that cannot be written, or a standard output that fails, makes the
// exit status 1 but never stops the run: every file is still processed.
TEST_F(BatchCommandTest, UnwrittenLogsAndOutputGiveExitOne) {
    QDir(dir_.path()).mkdir("NoiseLog0.dat"); // a folder where the summary should go
    Result r = Run({"detect", Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.rows, QStringList{"1\tclean.wav\t0\tOK"});
    QDir(dir_.path()).rmdir("NoiseLog0.dat");

    const QByteArray clean = Path("clean.wav").toLocal8Bit();
    const QByteArray clicks = Path("clicks.wav").toLocal8Bit();
    for (const bool closedPipe : {true, false}) {
        SCOPED_TRACE(closedPipe ? "closed pipe" : "full device");
        QFile::remove(Path("NoiseLog0.dat"));
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = closedPipe ? fds[1] : ::open("/dev/full", O_WRONLY);
            ::dup2(out, 1);
            ::close(fds[0]);
            ::execl(NORVATEL_BATCH_EXE, NORVATEL_BATCH_EXE, "detect", clean.constData(),
                    clicks.constData(), static_cast<char *>(nullptr));
            ::_exit(99);
        }
        ::close(fds[0]); // nobody reads: the first row meets a closed pipe
        ::close(fds[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")).size(), 2 * 4);
    }
}

// Result lines stay one line per file whatever the name holds.
TEST_F(BatchCommandTest, ControlCharactersInNamesPrintAsQuestionMarks) {
    Write("a\tb\rc.wav", Tone(2000));
    const Result r = Run({"detect", Path("a\tb\rc.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\ta?b?c.wav\t0\tOK"});
    // Messages too: an escape sequence in a name never reaches the terminal.
    testwav::WriteFile(Path("t\x1b]0;x\x07\x1b[2J.txt").toStdString(), "text");
    const Result m = Run({"detect", Path("t\x1b]0;x\x07\x1b[2J.txt")});
    EXPECT_TRUE(m.err.contains(QString::fromUtf8("t?]0;x??[2J.txtはWaveファイルではありません。")))
        << m.err.toStdString();
}

// --- the run's protected files, its lock and its odd targets ---

// Every file a run is asked to process is kept from its start: one it skips,
// one it never reaches, and one whose turn comes after an output of the same
// name (a typed name's numbering, or automatic naming) are never replaced.
TEST_F(BatchCommandTest, NoOutputOrExportReplacesAnInputOfTheRun) {
    const QByteArray clean = Bytes("clean.wav"), clicks = Bytes("clicks.wav");
    ASSERT_EQ(Run({"detect", Path("clean.wav"), Path("clicks.wav")}).exitCode, 0);
    Result r = Run({"remove", "--use-detection", "--export", Path("clean.wav"), Path("clean.wav"),
                    Path("clicks.wav")});
    EXPECT_EQ(r.rows.value(0), "1\tclean.wav\t0\tPass No Noise");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Bytes("clean.wav"), clean);

    QFile::copy(Path("clicks.wav"), Path("x_01.wav"));
    QFile::copy(Path("clicks.wav"), Path("a_won.wav"));
    QFile::copy(Path("clean.wav"), Path("a.wav"));
    const struct {
        QStringList args;
        QString second, secondStatus;
    } cases[] = {
        {{"--name", "x", Path("a.wav"), Path("x_01.wav")}, "x_01.wav", "Noise Delete at x_02.wav"},
        {{Path("a.wav"), Path("a_won.wav")}, "a_won.wav", "Noise Delete at a_won_won.wav"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.second.toStdString());
        r = Run(QStringList{"remove", "--overwrite"} + c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.rows, (QStringList{"1\ta.wav\t0\tWrite File Open Error",
                                       "2\t" + c.second + "\t3\t" + c.secondStatus}));
        EXPECT_EQ(Bytes(c.second), clicks);
    }
}

// A FIFO, a character device and standard output reached through a link are
// written through; none is replaced by a regular file. A socket is refused.
TEST_F(BatchCommandTest, AnExportToAFifoADeviceOrStandardOutputIsWrittenThrough) {
    const auto kind = [&](const QString &name) {
        struct stat st {};
        ::lstat(QFile::encodeName(Path(name)).constData(), &st);
        return st.st_mode & S_IFMT;
    };
    ASSERT_EQ(::mknod(QFile::encodeName(Path("null")).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_TRUE(QFile::link("/proc/self/fd/1", Path("out")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    QProcess reader;
    reader.start("cat", {Path("fifo")});
    ASSERT_TRUE(reader.waitForStarted());
    for (const QString name : {"null", "out", "fifo"}) {
        const Result r = Run({"detect", "--export", Path(name), Path("clicks.wav")});
        EXPECT_EQ(r.exitCode, 0) << name.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.rows.contains("Detail of Noise Check\r"), name == "out") << name.toStdString();
    }
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_TRUE(reader.readAllStandardOutput().startsWith("Summary of Noise Check\r\n"));
    EXPECT_EQ(kind("null"), S_IFCHR);
    EXPECT_EQ(kind("out"), S_IFLNK);
    EXPECT_EQ(kind("fifo"), S_IFIFO);
    // A FIFO nobody reads is a failure, not a run that never ends.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("unread")).constData(), 0600), 0);
    EXPECT_EQ(Run({"detect", "--export", Path("unread"), Path("clicks.wav")}).exitCode, 1);
    EXPECT_EQ(kind("unread"), S_IFIFO);

    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const QByteArray sockPath = QFile::encodeName(Path("sock"));
    std::strncpy(addr.sun_path, sockPath.constData(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    EXPECT_EQ(Run({"detect", "--export", Path("sock"), Path("clicks.wav")}).exitCode, 1);
    EXPECT_EQ(kind("sock"), S_IFSOCK);
    ::close(sock);
}

// With standard output and error closed, nothing else takes their numbers:
// the lock file stays empty and the detail log whole.
TEST_F(BatchCommandTest, ClosedStandardStreamsWriteIntoNoFileOfTheRun) {
    const Result r = RunShell("exec \"$0\" detect \"$1\" \"$2\" >&- 2>&-",
                              {Path("clean.wav"), Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QFileInfo(Path("NoiseLog.lock")).size(), 0);
    bool ok = false;
    EXPECT_EQ(ReadLogLines(Path("NoiseLog1.dat"), &ok).size(), 3 * 7);
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")).value(0), "1");
}

// A lock path that is no lock file of ours stops the run before it starts;
// a new lock file can be taken by every user whatever the umask.
TEST_F(BatchCommandTest, AnUnusableLockFileStopsTheRun) {
    const QString lock = Path("NoiseLog.lock");
    const QByteArray lockBytes = QFile::encodeName(lock);
    struct Case {
        const char *what;
        std::function<void()> make;
        bool otherUser = false; // run as nobody: needs root
    };
    const Case cases[] = {
        {"folder", [&] { QDir(dir_.path()).mkdir("NoiseLog.lock"); }},
        {"fifo", [&] { ::mkfifo(lockBytes.constData(), 0666); }},
        {"dangling link", [&] { QFile::link(Path("gone"), lock); }},
        {"link to a file", [&] { QFile::link(Path("clean.wav"), lock); }},
        {"another user's",
         [&] { testwav::WriteFile(lock.toStdString(), ""), ::chmod(lockBytes, 0644); }, true},
    };
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.otherUser && ::geteuid() != 0)
            continue;
        QDir(dir_.path()).rmdir("NoiseLog.lock");
        QFile::remove(lock);
        c.make();
        const Result r = RunShell(c.otherUser ? "exec setpriv --reuid=65534 --regid=65534 "
                                                "--clear-groups \"$0\" detect \"$1\""
                                              : "exec \"$0\" detect \"$1\"",
                                  {Path("clean.wav")});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.rows.isEmpty());
        EXPECT_TRUE(r.err.contains(QString::fromUtf8("はロックファイルとして使用できません。")));
        EXPECT_FALSE(QFileInfo::exists(Path("NoiseLog0.dat")));
    }
    QFile::remove(lock);
    EXPECT_EQ(RunShell("umask 077; exec \"$0\" detect \"$1\"", {Path("clean.wav")}).exitCode, 0);
    EXPECT_EQ(QFileInfo(lock).permissions() & 0x0fff, QFile::Permissions(0x0666) & 0x0fff)
        << std::oct << int(QFileInfo(lock).permissions());
}

// A name too long for the folder fails that file at once, and the run goes
// on; it is no full disk.
TEST_F(BatchCommandTest, AnOutputNameTooLongFailsOnlyItsFile) {
    const QString name = QString(251, 'n') + ".wav";
    QFile::copy(Path("clicks.wav"), Path(name));
    const Result r = Run({"remove", Path(name), Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.rows, (QStringList{"1\t" + name + "\t0\tWrite File Open Error",
                                   "2\tclicks.wav\t3\tNoise Delete at clicks_won.wav"}));
    EXPECT_FALSE(r.err.contains(QString::fromUtf8("ドライブの空き容量"))) << r.err.toStdString();
}

// Paths given relative to a folder whose name is not UTF-8 keep its bytes
// when they are made absolute.
TEST_F(BatchCommandTest, RelativePathsInAForeignNamedFolderStayThere) {
    const QString folder = names::MakeShiftJisFolder(dir_.path());
    ::mkdir(PathToBytes(folder + "/d").constData(), 0777);
    testwav::WriteFile(PathToBytes(folder + "/d/x.wav").toStdString(), Bytes("clicks.wav").toStdString());
    // The shell enters the folder by its bytes (the only folder there).
    EXPECT_EQ(RunShell("cd ./*/ && exec \"$0\" detect --log-dir . ./d/x.wav").exitCode, 0);
    EXPECT_EQ(ReadLogLines(folder + "/NoiseLog0.dat").value(1), "x.wav");
    EXPECT_EQ(RunShell("cd ./*/ && exec \"$0\" remove d/../d/x.wav").exitCode, 0);
    EXPECT_EQ(names::ReadNamed(folder, "d/x_won.wav").size(), size_t(Bytes("clicks.wav").size()));
    EXPECT_FALSE(names::ReadNamed(folder, "d/NoiseLog0.dat").empty());
    names::RemoveTree(folder);
}

// Runs replacing one output at once (each with its own logs, so none waits
// for another): one finds it already gone, which is what it wanted, not a failure.
TEST_F(BatchCommandTest, ConcurrentOverwritesOfOneOutputAllSucceed) {
    constexpr int kRuns = 6;
    for (int i = 0; i < kRuns; ++i)
        QDir(dir_.path()).mkdir(QString::number(i));
    for (int round = 0; round < 50; ++round) {
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < kRuns; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(QStringLiteral(NORVATEL_BATCH_EXE),
                               {"remove", "--overwrite", "--name", "same", "--log-dir",
                                Path(QString::number(i)), Path("clean.wav")});
        }
        for (auto &p : runs) {
            ASSERT_TRUE(p->waitForFinished(60000));
            ASSERT_EQ(p->exitCode(), 0) << "round " << round << ": " << p->readAllStandardError().toStdString();
        }
    }
}

// A log replacing a link does not take the mode bits that only suit a program.
TEST_F(BatchCommandTest, AReplacedLinkGivesItsModeWithoutSpecialBits) {
    testwav::WriteFile(Path("target").toStdString(), "x");
    ::chmod(QFile::encodeName(Path("target")).constData(), 04777);
    ASSERT_TRUE(QFile::link(Path("target"), Path("NoiseLog0.dat")));
    ASSERT_EQ(Run({"detect", Path("clean.wav")}).exitCode, 0);
    struct stat st {};
    ::lstat(QFile::encodeName(Path("NoiseLog0.dat")).constData(), &st);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0777u);
}

// The previous summary is read line by line: a hostile one of nothing but
// line ends runs in a few megabytes.
TEST_F(BatchCommandTest, AHugeSummaryOfLineEndsRunsInLittleMemory) {
    testwav::WriteFile(Path("NoiseLog0.dat").toStdString(), std::string(16 << 20, '\n'));
    const Result r = RunShell("ulimit -v 131072; exec \"$0\" remove --use-detection \"$1\"",
                              {Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.rows, QStringList{"1\tclean.wav\t0\tNO Noise at clean_won.wav"});
}

// Settings files with CR-only or CR LF line ends read as LF ones do; one that
// is not text stops the command before it starts.
TEST_F(BatchCommandTest, SettingsFilesReadAlikeWhateverTheirLineEnds) {
    testwav::WriteFile(Path("cr.ini").toStdString(), "[Settei]\rckAuto=false\r");
    Result r = Run({"remove", "--settings", Path("cr.ini"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 2); // automatic naming off and no --name
    EXPECT_TRUE(r.err.contains("no output name")) << r.err.toStdString();

    testwav::WriteFile(Path("utf16.ini").toStdString(), std::string("\xFF\xFE[\0S\0]\0", 8));
    r = Run({"detect", "--settings", Path("utf16.ini"), Path("clean.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("not a text file")) << r.err.toStdString();

    // An empty output-folder setting names the setting rather than writing here.
    testwav::WriteFile(Path("nofolder.ini").toStdString(),
                       "[Settei]\r\nckSameDir=false\r\noutPath=\r\n");
    r = Run({"remove", "--settings", Path("nofolder.ini"), Path("clean.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\tclean.wav\t0\tWrite File Open Error"});
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("出力ファイルパス"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("clean_won.wav")));
}

// Runs over one folder: with --log-dir each keeps its own logs; sharing one,
// a run waits for the other's logs to be saved and says so.
TEST_F(BatchCommandTest, RunsSharingAFolderKeepTheirLogsApart) {
    QDir(dir_.path()).mkdir("logs");
    Result r = Run({"detect", "--log-dir", Path("logs"), Path("clean.wav"), Path("clicks.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(Path("NoiseLog0.dat")));
    EXPECT_EQ(ReadLogLines(Path("logs/NoiseLog1.dat")).size(), 3 * 7);
    r = Run({"remove", "--use-detection", "--log-dir", Path("logs"), Path("clean.wav")});
    EXPECT_EQ(r.rows, QStringList{"1\tclean.wav\t0\tPass No Noise"});

    // This test holds the folder's lock as another run would.
    const int fd = ::open(QFile::encodeName(Path("NoiseLog.lock")).constData(), O_RDWR | O_CREAT,
                          0600);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
    QProcess p;
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(NORVATEL_BATCH_EXE), {"detect", Path("clean.wav")});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    while (!err.contains("waiting") && p.waitForReadyRead(10000))
        err += p.readAllStandardError();
    EXPECT_TRUE(err.contains("waiting")) << err.toStdString();
    EXPECT_EQ(p.state(), QProcess::Running);
    EXPECT_FALSE(QFileInfo::exists(Path("NoiseLog0.dat")));
    ::close(fd);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(ReadLogLines(Path("NoiseLog0.dat")), (QStringList{"1", "clean.wav", "0", "OK"}));
}

// Names of every kind reach the command as bytes, as a shell's glob passes them,
// given relative to a current folder that is named in Shift-JIS itself. Rows
// are compared without their ordinals: the glob's order is the shell's.
TEST_F(BatchCommandTest, NamesOfEveryKindAreRunAndShownReadably) {
    const QString folder = names::MakeShiftJisFolder(dir_.path());
    names::WriteAll(folder);
    const auto runOverGlob = [&](const QString &command) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start("/bin/sh", {"-c", "cd ./*/ && exec \"$0\" " + command + " -- *_[ab].wav",
                            QStringLiteral(NORVATEL_BATCH_EXE)});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        QStringList rows;
        for (const QString &row : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if (!row.isEmpty())
                rows << row.section('\t', 1);
        rows.sort();
        return rows;
    };
    QStringList detected, removed;
    for (const names::Kind &k : names::kKinds) {
        detected << k.shownStem + "_a.wav\t2\tNoise Detect" << k.shownStem + "_b.wav\t0\tOK";
        removed << k.shownStem + "_a.wav\t2\tNoise Delete at " + k.shownStem + "_a_won.wav"
                << k.shownStem + "_b.wav\t0\tPass No Noise";
    }
    detected.sort();
    removed.sort();
    EXPECT_EQ(runOverGlob("detect"), detected);
    EXPECT_EQ(runOverGlob("remove --use-detection"), removed);
    for (const names::Kind &k : names::kKinds) {
        EXPECT_EQ(names::ReadNamed(folder, k.stem + "_a_won.wav").size(), 44u + 16000u) << k.what;
        EXPECT_TRUE(names::ReadNamed(folder, k.stem + "_b_won.wav").empty()) << k.what;
    }
    names::RemoveTree(folder);
}

} // namespace

// The messages follow the language (the locale's, or --language); the result
// rows are data for scripts and stay byte for byte the same.
TEST_F(BatchCommandTest, MessagesFollowTheLanguageAndRowsStayTheSame) {
    testwav::WriteFile(Path("notes.txt").toStdString(), "not audio");
    const QStringList files{Path("clicks.wav"), Path("notes.txt"), Path("clean.wav")};
    const auto run = [&](const QString &environment, const QStringList &options) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!environment.isEmpty())
            env.insert(environment.section('=', 0, 0), environment.section('=', 1));
        p.setProcessEnvironment(env);
        p.start(NORVATEL_BATCH_EXE, QStringList{"detect"} + options + files);
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::pair{p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    };
    const QString japaneseNotWave = QStringLiteral("notes.txtはWaveファイルではありません。");
    const QString englishNotWave = QStringLiteral("notes.txt is not a WAV file.");
    const auto [rows, japanese] = run({}, {});
    EXPECT_TRUE(japanese.contains(japaneseNotWave)) << japanese.toStdString();
    EXPECT_EQ(rows, QByteArray("1\tclicks.wav\t3\tNoise Detect\n2\tnotes.txt\t0\tNot Wave File\n"
                               "3\tclean.wav\t0\tOK\n"));
    struct Case {
        const char *environment;
        QStringList options;
        bool english;
    };
    const Case cases[] = {{"LANGUAGE=en", {}, true},
                          {"LANG=de_DE.UTF-8", {}, false}, // LC_ALL=C of the tests wins
                          {"LC_ALL=de_DE.UTF-8", {}, true},
                          {"LC_ALL=ja_JP.UTF-8", {}, false},
                          {"", {"--language", "en"}, true},
                          {"LANGUAGE=en", {"--language", "ja"}, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.environment + c.options.join(' ').toStdString());
        const auto [caseRows, messages] = run(QString::fromLatin1(c.environment), c.options);
        EXPECT_EQ(caseRows, rows);
        EXPECT_TRUE(messages.contains(c.english ? englishNotWave : japaneseNotWave))
            << messages.toStdString();
        EXPECT_EQ(messages.contains(QStringLiteral("Files with problems:  2")), c.english);
    }
    EXPECT_EQ(Run({"detect", "--language", "fr", Path("clean.wav")}).exitCode, 2);
}
