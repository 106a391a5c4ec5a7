// The detection and removal runs over generated folders: rows, end messages,
// output naming, the skip rule, stops and the logs they leave.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "batch/OutputName.h"
#include "support/RunnerFixture.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A quiet tone, frames long, with a spike of +20000 at each value index listed.
std::string Wav(int32_t frames, const std::vector<int32_t> &spikes = {}) {
    std::vector<int16_t> values(size_t(frames) * 2);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = int16_t(std::lround(300 * std::sin(double(i / 2) * 0.02)));
    for (int32_t index : spikes)
        values[size_t(index)] = 20000;
    return testwav::MakeWav(values);
}

const QString kDetectEnd = QString::fromUtf8("問題ファイル数：  %1\r\n\r\n終了します。");
const QString kRemoveEnd = QString::fromUtf8("終了しました。");

class BatchRunTest : public RunnerFixture {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        run.last().outputFolder = folder; // as the Remove button leaves it with ckSameDir
        settings.ckOverW = false;
    }
    void Put(const QString &name, const std::string &bytes) const {
        testwav::WriteFile((folder + name).toStdString(), bytes);
    }
    // The standard folder: one file with two clicks, one clean, one that is not
    // a wave file by name and one whose header is refused.
    void PutMixedFolder() const {
        Put("clicks.wav", Wav(20000, {100, 30001}));
        Put("clean.wav", Wav(20000));
        Put("notes.txt", Wav(100));
        Put("broken.wav", "RIFF....WAVE");
    }
    std::string Log(const QString &name) const {
        return testwav::ReadFile((folder + name).toStdString());
    }
};

TEST_F(BatchRunTest, DetectionRunRowsLogsAndEndMessage) {
    PutMixedFolder();
    port.selectedNames = {"clicks.wav", "clean.wav", "notes.txt", "broken.wav"};
    Detect();

    EXPECT_EQ(port.Statuses(),
              (QStringList{"Noise Detect", "OK", "Not Wave File", "Wave File Format Error"}));
    EXPECT_EQ(port.rows[0].count, "2");
    EXPECT_EQ(runner.lastRun().problemFileCount, 3);
    EXPECT_EQ(runner.lastRun().kind, "C");
    EXPECT_EQ(port.messages.back(), kDetectEnd.arg(3));
    EXPECT_EQ(port.runControls, (std::vector<bool>{false, true}));
    EXPECT_EQ(port.stopEnabled, std::vector<bool>{true});
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(Log("NoiseLog0.dat"), "1\r\nclicks.wav\r\n2\r\nNoise Detect\r\n"
                                    "2\r\nclean.wav\r\n0\r\nOK\r\n"
                                    "3\r\nnotes.txt\r\n0\r\nNot Wave File\r\n"
                                    "4\r\nbroken.wav\r\n0\r\nWave File Format Error\r\n");
    EXPECT_EQ(Log("NoiseLog1.dat"),
              "clicks.wav\r\n1\r\nL\r\n50\r\n00H 00M 00S 001mS\r\n20000\r\n1\r\n"
              "clicks.wav\r\n2\r\nR\r\n15000\r\n00H 00M 00S 340mS\r\n"
              "20000\r\n1\r\n");
}

TEST_F(BatchRunTest, CleanDetectionCountsNoProblemAndUncheckedBoxKeepsNoDetail) {
    Put("clean.wav", Wav(1000));
    Put("clicks.wav", Wav(1000, {500}));
    port.selectedNames = {"clean.wav"};
    Detect();
    EXPECT_EQ(port.messages, QStringList{kDetectEnd.arg(0)});

    port.makeFileChecked = false;
    port.selectedNames = {"clicks.wav"};
    Detect();
    EXPECT_EQ(Log("NoiseLog1.dat"), "");
    EXPECT_EQ(Log("NoiseLog0.dat"), "1\r\nclicks.wav\r\n1\r\nNoise Detect\r\n");
}

TEST_F(BatchRunTest, NothingSelectedWritesNoLog) {
    run.summaryLog() << "left over";
    Detect();
    Remove();
    const QString nothing = QString::fromUtf8("ファイルが選択されていません。");
    EXPECT_EQ(port.messages, (QStringList{nothing, nothing}));
    EXPECT_EQ(port.gridResets, 2);
    EXPECT_EQ(port.runControls, (std::vector<bool>{false, true, false, true}));
    EXPECT_FALSE(QFile::exists(folder + "NoiseLog0.dat"));
    EXPECT_TRUE(runner.lastRun().logFolder.isEmpty());
}

TEST_F(BatchRunTest, RemovalRunWritesNamedOutputs) {
    PutMixedFolder();
    port.selectedNames = {"clicks.wav", "clean.wav", "notes.txt", "broken.wav"};
    Remove(); // ckAuto and ckSameDir are on by default
    EXPECT_EQ(port.Statuses(),
              (QStringList{"Noise Delete at clicks_won.wav", "NO Noise at clean_won.wav",
                           "Not Wave File", "Wave File Format Error"}));
    EXPECT_EQ(runner.lastRun().problemFileCount, 4); // no removal status is exactly "OK"
    EXPECT_EQ(runner.lastRun().kind, "D");
    EXPECT_EQ(port.messages.back(), kRemoveEnd);
    EXPECT_TRUE(QFile::exists(folder + "clicks_won.wav"));
    EXPECT_TRUE(QFile::exists(folder + "clean_won.wav"));
    EXPECT_EQ(QDir(folder).entryList({"*_won.wav"}).size(), 2);
}

TEST_F(BatchRunTest, OutputNameRule) {
    LastRun &last = run.last();
    const QString input = "song.take.wav";
    last.outputName = "mix.wav";
    EXPECT_EQ(last.OutputNameFor(4, input, true), "song.take_won.wav");
    last.selectedAtStart = 1;
    EXPECT_EQ(last.OutputNameFor(7, input, false), "mix.wav");
    last.selectedAtStart = 3;
    EXPECT_EQ(last.OutputNameFor(3, input, false), "mix_03.wav");
    EXPECT_EQ(last.OutputNameFor(12, input, false), "mix_12.wav");
    EXPECT_EQ(last.OutputNameFor(123, input, false), "mix_123.wav");
    settings.ckAuto = false;
    last.outputFolder = "/out/";
    EXPECT_EQ(run.OutputPathFor(3), "/out/mix_03.wav");
}

// A name without "." keeps its whole name in a run, where it names a real file,
// but shows only the bare pattern in the main window's field.
TEST_F(BatchRunTest, NameWithoutDotKeepsItsNameInARunAndShowsThePatternInTheWindow) {
    EXPECT_EQ(run.last().OutputNameFor(1, "take", true), "take_won.wav");
    EXPECT_EQ(AutoOutputName("take", DotlessName::Drop), "_won.wav");
    EXPECT_EQ(AutoOutputName("take.1.wav", DotlessName::Drop), "take.1_won.wav");
}

TEST_F(BatchRunTest, RemoveButtonSettlesOutputFolderAndName) {
    settings.ckAuto = false;
    settings.ckSameDir = false;
    const std::tuple<QString, QString, QString, QString> cases[] = {
        {"take", "/out", "take.wav", "/out/"},
        {"take.mp3", "/out/", "take.wav", "/out/"},
        {"a.b.c", "", "a.b.wav", ""},
    };
    for (const auto &[typed, outPath, name, outFolder] : cases) {
        port.outputFileText = typed;
        settings.outPath = outPath;
        Remove();
        EXPECT_EQ(runner.lastRun().outputName, name);
        EXPECT_EQ(runner.lastRun().outputFolder, outFolder);
    }
    settings.ckSameDir = true;
    Remove();
    EXPECT_EQ(runner.lastRun().outputFolder, folder);
}

TEST_F(BatchRunTest, RemoveWithoutOutputNameStartsNothing) {
    settings.ckAuto = false;
    port.selectedNames = {"a.wav"};
    Remove();
    EXPECT_EQ(port.messages, QStringList{QString::fromUtf8("出力ファイル名を指定してください")});
    EXPECT_TRUE(port.runControls.empty());
    EXPECT_EQ(port.gridResets, 0);
}

TEST_F(BatchRunTest, TypedNameNumbersOutputsOfSeveralFiles) {
    Put("a.wav", Wav(500));
    Put("b.wav", Wav(500));
    settings.ckAuto = false;
    port.outputFileText = "clean";
    port.selectedNames = {"a.wav"};
    Remove();
    EXPECT_EQ(port.Statuses(), QStringList{"NO Noise at clean.wav"});
    port.selectedNames = {"a.wav", "b.wav"};
    Remove();
    EXPECT_EQ(port.Statuses(),
              (QStringList{"NO Noise at clean_01.wav", "NO Noise at clean_02.wav"}));
    for (const char *name : {"clean.wav", "clean_01.wav", "clean_02.wav"})
        EXPECT_TRUE(QFile::exists(folder + name)) << name;
}

TEST_F(BatchRunTest, MissingOutputFolderFailsEachFileAndTheRunGoesOn) {
    Put("a.wav", Wav(500));
    Put("b.wav", Wav(500, {20}));
    settings.ckSameDir = false;
    settings.outPath = folder + "missing";
    port.selectedNames = {"a.wav", "b.wav"};
    Remove();
    EXPECT_EQ(port.Statuses(), (QStringList{"Write File Open Error", "Write File Open Error"}));
    const QString openFailed = QString::fromUtf8(kOpenFailedMessage);
    EXPECT_EQ(port.messages, (QStringList{openFailed, openFailed, kRemoveEnd}));
}

// The window's run keeps every selected file from its start: a later input
// that an earlier file's output would be named is refused, not replaced.
TEST_F(BatchRunTest, AnOutputNamedLikeALaterInputIsRefused) {
    const std::string later = Wav(500, {40});
    Put("a.wav", Wav(500));
    Put("x_01.wav", later);
    settings.ckAuto = false;
    port.outputFileText = "x";
    port.selectedNames = {"a.wav", "x_01.wav"};
    Remove();
    EXPECT_EQ(port.Statuses(), (QStringList{"Write File Open Error", "Noise Delete at x_02.wav"}));
    EXPECT_EQ(Log("x_01.wav"), later);
}

// A lock file name taken by something else starts nothing, and says which.
TEST_F(BatchRunTest, AnUnusableLockFileStartsNothing) {
    Put("a.wav", Wav(500));
    ASSERT_TRUE(QDir(folder).mkdir("NoiseLog.lock"));
    port.selectedNames = {"a.wav"};
    Detect();
    EXPECT_TRUE(port.rows.empty());
    EXPECT_EQ(port.messages, QStringList{folder + "NoiseLog.lock" +
                                         QString::fromUtf8("\r\nはロックファイルとして使用できません。")});
    EXPECT_FALSE(QFile::exists(folder + "NoiseLog0.dat"));
    EXPECT_TRUE(runner.lastRun().lockUnusable);
}

TEST_F(BatchRunTest, UseDetectionSkipsFilesFoundClean) {
    // A name the log cannot hold as it is must still be found in the log.
    const QString cleanName = QString::fromUtf8("café.wav");
    Put(cleanName, Wav(500));
    Put("b.wav", Wav(500, {40}));
    Put("new.wav", Wav(500));
    port.selectedNames = {cleanName, "b.wav"};
    Detect();

    settings.ckAuto = false;
    port.outputFileText = "out";
    port.useDetectionChecked = true;
    port.selectedNames = {cleanName, "b.wav", "new.wav"};
    Remove();
    EXPECT_EQ(port.Statuses(), (QStringList{"Pass No Noise", "Noise Delete at out_02.wav",
                                            "NO Noise at out_03.wav"}));
    EXPECT_EQ(port.rows[0].count, "0");
    EXPECT_FALSE(QFile::exists(folder + "out_01.wav"));
    EXPECT_TRUE(QFile::exists(folder + "out_02.wav"));
    EXPECT_TRUE(run.previouslyClean().isEmpty());

    run.request().useDetection = false;
    EXPECT_TRUE(run.ShouldProcess(cleanName));
}

TEST_F(BatchRunTest, PreviousSummaryComesFromTheCurrentFolderOnly) {
    Put("a.wav", Wav(500));
    port.selectedNames = {"a.wav"};
    Detect();
    const QString other = folder + "other/";
    ASSERT_TRUE(QDir().mkpath(other));
    testwav::WriteFile((other + "a.wav").toStdString(), Wav(500));
    inputFolder = other;
    port.useDetectionChecked = true;
    Remove(); // ckSameDir: the outputs go to the other folder
    EXPECT_EQ(port.Statuses(), QStringList{"NO Noise at a_won.wav"});
    EXPECT_FALSE(QFile::exists(folder + "NoiseLog0.dat"));
}

// Which outputs a request to skip finished ones takes for finished: only a
// wave file whose data is as long as the input's, and never a file of the run.
TEST_F(BatchRunTest, SkippingFinishedOutputsTakesOnlyAWholeCopy) {
    Put("a.wav", Wav(2000, {40}));
    port.selectedNames = {"a.wav"};
    Remove();
    const std::string finished = Log("a_won.wav");
    RunRequest request = port.RequestFor(RunRequest::Kind::Remove, inputFolder);
    request.skipFinishedOutputs = true;
    const struct {
        const char *what;
        std::string output;
        const char *status;
    } cases[] = {
        {"finished", finished, "Pass Exists at a_won.wav"},
        {"a part with a truthful header", Wav(1000), "Noise Delete at a_won.wav"},
        {"a header claiming more", finished.substr(0, finished.size() - 40),
         "Noise Delete at a_won.wav"},
        {"no wave file", "text", "Noise Delete at a_won.wav"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Put("a_won.wav", c.output);
        runner.Run(request);
        EXPECT_EQ(port.Statuses(), QStringList{c.status});
        EXPECT_EQ(Log("a_won.wav"), finished);
        EXPECT_EQ(runner.outputLeft(), folder + "a_won.wav");
    }
    // An output that is an input of the run is refused as ever, not skipped.
    request.files = {"a.wav", "a_won.wav"};
    runner.Run(request);
    EXPECT_EQ(port.Statuses(),
              (QStringList{"Write File Open Error", "NO Noise at a_won_won.wav"}));
}

// A request that keeps no parts: a stopped file leaves nothing under any name.
TEST_F(BatchRunTest, AStoppedFileLeavesNoPartWhenTheRequestKeepsNone) {
    Put("b.wav", Wav(200000));
    port.selectedNames = {"b.wav"};
    port.onPump = [this](int pump) {
        if (pump == 2)
            stop.raise();
    };
    RunRequest request = port.RequestFor(RunRequest::Kind::Remove, inputFolder);
    request.keepPartialOutput = false;
    runner.Run(request);
    EXPECT_EQ(port.Statuses(), QStringList{"Abort"});
    EXPECT_TRUE(runner.outputLeft().isEmpty());
    EXPECT_EQ(QDir(folder).entryList({"b_won*"}, QDir::Files | QDir::Hidden), QStringList());

    // A stop between files: the row of the file not begun names no output.
    Put("a.wav", Wav(500));
    port.onPump = nullptr;
    port.selectedNames = {"a.wav", "b.wav"};
    QStringList left;
    port.onRow = [&](int32_t) {
        left << runner.outputLeft();
        stop.raise();
    };
    stop.clear();
    runner.Run(port.RequestFor(RunRequest::Kind::Remove, inputFolder));
    EXPECT_EQ(port.Statuses(), (QStringList{"NO Noise at a_won.wav", "Abort"}));
    EXPECT_EQ(left, (QStringList{folder + "a_won.wav", QString()}));
}

TEST_F(BatchRunTest, StopDuringSecondFileEndsTheRun) {
    Put("a.wav", Wav(500, {10}));
    Put("b.wav", Wav(200000));
    Put("c.wav", Wav(500));
    port.selectedNames = {"a.wav", "b.wav", "c.wav"};
    port.onPump = [this](int pump) {
        if (pump == 2) // the first block of b.wav
            stop.raise(); // cdStop
    };
    Detect();
    EXPECT_EQ(port.Statuses(), (QStringList{"Noise Detect", "Abort"}));
    EXPECT_EQ(port.messages.back(), kDetectEnd.arg(2));
    EXPECT_EQ(Log("NoiseLog0.dat"),
              "1\r\na.wav\r\n1\r\nNoise Detect\r\n2\r\nb.wav\r\n0\r\nAbort\r\n");
    EXPECT_EQ(port.runControls, (std::vector<bool>{false, true}));
}

TEST_F(BatchRunTest, StopFromOutsideBetweenFilesIsNotLost) {
    Put("a.wav", Wav(500));
    Put("b.wav", Wav(500));
    port.selectedNames = {"a.wav", "b.wav"};
    port.onPump = [this](int) { stop.raise(); }; // a signal at a's last pump
    Remove();
    EXPECT_EQ(port.Statuses(), QStringList{"Abort"});

    port.pumps = 0;
    port.onPump = nullptr;
    Detect(); // still asked to stop: nothing is processed
    EXPECT_EQ(port.Statuses(), QStringList{"Abort"});
    EXPECT_EQ(port.pumps, 0);
    EXPECT_TRUE(QFile::exists(folder + "NoiseLog0.dat"));
}

TEST_F(BatchRunTest, ClosingDuringARunSavesLogsWithoutEndMessage) {
    Put("a.wav", Wav(200000, {10}));
    port.selectedNames = {"a.wav"};
    port.onPump = [this](int) {
        EXPECT_TRUE(runner.running());
        stop.raise(); // what the window's close does
        runner.SkipEndMessage();
    };
    Remove();
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(Log("NoiseLog0.dat"), "1\r\na.wav\r\n1\r\nAbort\r\n");
}

// Another process holding the log folder's lock: the window's run starts
// nothing and says why; a run that waits (the batch command's) starts as soon
// as the other is done, so two runs never mix their logs.
TEST_F(BatchRunTest, ARunWhoseLogFolderIsBusyWaitsOrStartsNothing) {
    Put("a.wav", testwav::MakeWav(std::vector<int16_t>(200, 0)));
    port.selectedNames = {"a.wav"};
    int locked[2], release[2];
    ASSERT_EQ(::pipe(locked), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        FileLock lock;
        char c = lock.tryLock(folder + kLogLockName) == FileLock::Result::Locked ? 'L' : '-';
        if (::write(locked[1], &c, 1) == 1)
            (void)::read(release[0], &c, 1); // holds the lock until told
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(locked[0], &c, 1), 1);
    ASSERT_EQ(c, 'L');

    Detect();
    EXPECT_EQ(port.messages, QStringList{QString::fromUtf8(
                                 "他の処理がこのフォルダのログを使用中です。終了してから実行してください。")});
    EXPECT_FALSE(QFile::exists(folder + "NoiseLog0.dat"));

    port.messages.clear();
    port.onWaitForLogs = [&] { EXPECT_EQ(::write(release[1], "x", 1), 1); };
    Detect();
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadLogLines(folder + "NoiseLog0.dat"), (QStringList{"1", "a.wav", "0", "OK"}));
    for (int fd : {locked[0], locked[1], release[0], release[1]})
        ::close(fd);
}

} // namespace
