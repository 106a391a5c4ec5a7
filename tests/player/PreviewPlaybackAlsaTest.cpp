// Whole preview playbacks through the real output path into a file (see
// AlsaCapture.h), with no window: the sound that reaches the device compared
// with what the user should hear, silent frames left out on both sides.

#include "engine/RepairPreviewBlock.h"
#include "engine/Thresholds.h"
#include "player/AlsaCapture.h"
#include "player/PreviewPlayback.h"
#include "player/RecordingView.h"
#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "support/RecordingPort.h"
#include "support/RunnerProbe.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

// The child's exit codes name what went wrong.
enum ChildResult { kPlayed = 0, kViewNotRestored = 20, kLogged, kWrongPosition, kWrongCount };

// What every playback leaves behind: lbCount hidden, ckMakeFile as it was
// (checked), and clear all the time the engine could have logged.
int ViewRestored(const RecordingView &view, bool clearedThroughout) {
    if (view.positionShown || !view.makeFile || view.positionShows != 1)
        return kViewNotRestored;
    return clearedThroughout ? kPlayed : kLogged;
}

// Spikes the engine takes for clicks: one frame, in one channel.
void AddClicks(std::vector<int16_t> &values, std::initializer_list<int32_t> valueIndices) {
    for (int32_t i : valueIndices)
        values[size_t(i)] = int16_t(values[size_t(i)] + 12000);
}

class PreviewPlaybackAlsa : public ::testing::Test {
protected:
    QString Path(const char *name) const { return dir.filePath(name); }

    QString WriteInput(const std::vector<int16_t> &values) {
        testwav::WriteFile(Path("take1.wav").toStdString(), testwav::MakeWav(values));
        return Path("take1.wav");
    }

    // Runs play in a child whose default device records into out.raw, and
    // returns what it heard.
    std::string Play(const std::function<int()> &play) {
        QFile::remove(Path("out.raw"));
        alsacapture::WriteCaptureConfig(Path("asound.conf"), Path("out.raw"));
        const int result = alsacapture::RunInChild(Path("asound.conf"), Path("child.log"), play);
        EXPECT_EQ(result, kPlayed) << testwav::ReadFile(Path("child.log").toStdString());
        return HeardIn(Path("out.raw"));
    }
    std::string HeardIn(const QString &capture) const {
        return alsacapture::WithoutSilentFrames(testwav::ReadFile(capture.toStdString()), 4, '\0');
    }

    // Writes the input and reads its header, as opening the wave window does,
    // and asks for the click at noisePosition with the removal thresholds.
    CleanedPlayRequest RequestFor(const std::vector<int16_t> &values, int32_t noisePosition) {
        const QString input = WriteInput(values);
        EXPECT_TRUE(ReadWaveHeaderOrTell(wave, input, messages));
        kept.Add(input);
        return {input, noisePosition, SetRemoveThresholds(settings), Path("dozavarav.wav"),
                &kept};
    }

    QTemporaryDir dir;
    WaveFile wave;
    ProtectedFiles kept;
    ScriptedMessages messages;
    Settings settings = Settings::Defaults();
    TWavePlayer player;
    RecordingView view;
    PreviewPlayback playback{player, view, settings, messages};
    bool clearedThroughout = true;

    void SetUp() override {
        settings.WinTime = 0; // 441 frames, the shortest block
        settings.BuffDipth = 2;
        view.onPump = [this] { clearedThroughout = clearedThroughout && !view.makeFile; };
    }
};

TEST_F(PreviewPlaybackAlsa, AClickNearTheStartPlaysTheWholeFileFromItsFirstFrame) {
    auto values = testwav::TwoTones(30000);
    AddClicks(values, {2 * 10000});
    player.fileName = WriteInput(values);
    const std::string heard = Play([&] {
        playback.PlayFrom(PreviewPlayback::FramesBefore(10000, 22050), false);
        // 68 whole blocks, then the last 12 frames.
        if (view.axesLabel != "10ms" || view.positionText != "29988/30000" || view.waves != 69)
            return int(kWrongPosition);
        return ViewRestored(view, clearedThroughout);
    });
    EXPECT_TRUE(heard == alsacapture::Heard(values));
}

TEST_F(PreviewPlaybackAlsa, ARepairedBlockPlaysOnceAndEnds) {
    auto values = testwav::TwoTones(150000);
    AddClicks(values, {2 * 70000, 2 * 100000 + 1, 2 * 130000});
    settings.CheckPlayTime = 2;
    const CleanedPlayRequest request = RequestFor(values, 100000);
    // Two seconds from one second before the click, repaired as a block of its own.
    std::vector<int16_t> expected(values.begin() + 2 * 55900, values.begin() + 2 * 144100);
    ASSERT_GT(RepairPreviewBlock(expected.data(), 88200, request.removal), 0);

    const std::string heard = Play([&] {
        playback.PlayCleaned(request, wave);
        if (view.repairCountText != "lbNCount")
            return int(kWrongCount);
        return ViewRestored(view, clearedThroughout);
    });
    EXPECT_TRUE(heard == alsacapture::Heard(expected));
    EXPECT_TRUE(messages.notices.isEmpty());
}

// Live repair plays what the removal run writes, from the start frame to the
// end, whatever the playback's block: the file spans five removal blocks
// (65536 frames each) and the start is the first frame of the fourth, so the
// cleaning begins a whole block before it with no history of its own.
TEST_F(PreviewPlaybackAlsa, LiveRepairPlaysExactlyWhatTheRemovalRunWrites) {
    auto values = testwav::TwoTones(300000);
    // The left channel far from zero, as music often stands: a cleaning that
    // started at the start's own block, from zero, would ramp its first frames.
    for (size_t i = 0; i < values.size(); i += 2)
        values[i] = int16_t(values[i] + 9000);
    // In the block before the start's, at and around removal block
    // boundaries (196608, 262144), on the first frame played, the click, near the end.
    AddClicks(values, {2 * 131075, 2 * 196607 + 1, 2 * 196608, 2 * 196609 + 1, 2 * 218658,
                       2 * 262143, 2 * 262144 + 1, 2 * 299990});
    const CleanedPlayRequest request = RequestFor(values, 218658);
    const int32_t start = 218658 - 22050;

    RecordingPort port;
    StopRequest stop;
    BatchRunner runner(settings, port, stop);
    RunnerProbe run(runner);
    run.file().inputName = "take1.wav";
    run.file().inputPath = request.sourcePath;
    run.last().outputFolder = dir.path() + "/";
    run.file().outputPath = Path("take1_won.wav");
    ASSERT_EQ(run.RemovePass(), Status::OK);
    const auto removed = testwav::SamplesAfter44(testwav::ReadFile(Path("take1_won.wav").toStdString()));
    const std::vector<int16_t> expected(removed.begin() + 2 * start, removed.end());
    ASSERT_NE(expected, std::vector<int16_t>(values.begin() + 2 * start, values.end()));
    // The clicks the run repaired from the start frame on.
    const QStringList log = run.detailLog().lines();
    int clicks = 0;
    for (qsizetype k = 3; k < log.size(); k += 7)
        clicks += log[k].toInt() >= start ? 1 : 0;
    ASSERT_GE(clicks, 5);

    for (const int winTime : {0, 3}) { // 10 ms and 100 ms blocks
        SCOPED_TRACE(winTime);
        settings.WinTime = winTime;
        settings.BuffDipth = 16;
        const std::string heard = Play([&] {
            playback.PlayCleaned(request, wave);
            if (view.repairCountText != QString::number(clicks))
                return int(kWrongCount);
            return ViewRestored(view, clearedThroughout);
        });
        EXPECT_TRUE(heard == alsacapture::Heard(expected));
    }
    EXPECT_FALSE(QFile::exists(request.tempPath)); // live playback writes no file
}

// A file cut short while it plays ends the playback where its data ends,
// played or cleaned.
TEST_F(PreviewPlaybackAlsa, AFileTruncatedDuringPlaybackStops) {
    const auto values = alsacapture::TestSignal(100000);
    const CleanedPlayRequest request = RequestFor(values, 0);
    settings.BuffDipth = 4;
    for (const bool live : {false, true}) {
        SCOPED_TRACE(live);
        player.fileName = request.sourcePath;
        testwav::WriteFile(request.sourcePath.toStdString(), testwav::MakeWav(values));
        const std::string heard = Play([&] {
            view.onPump = [&] {
                if (view.waves == 10)
                    ::truncate(request.sourcePath.toLocal8Bit().constData(), 44 + 4 * 20000);
                if (view.waves > 400) // 441-frame blocks: far past the end of the cut file
                    player.stopPlayback = true;
            };
            playback.PlayFrom(0, live, request.removal);
            return view.waves > 400 ? int(kWrongPosition) : ViewRestored(view, true);
        });
        // What was read before the cut, and nothing after what was there.
        EXPECT_GE(heard.size(), size_t(4 * 441 * 10));
        EXPECT_LE(heard.size(), size_t(4 * (live ? 65536 : 20000)));
    }
}

TEST_F(PreviewPlaybackAlsa, AStopCutsPlaybackInOrderAndTheNextStartsAfresh) {
    const auto values = alsacapture::TestSignal(40000);
    player.fileName = WriteInput(values);
    settings.BuffDipth = 4;
    const std::string heard = Play([&] {
        // Stopped while the 30th block waits for a buffer.
        view.onPump = [&] {
            if (view.waves == 30)
                player.stopPlayback = true;
        };
        playback.PlayFrom(0, false);
        const QString stoppedAt = view.positionText;
        // The device reopens its file at the next playback.
        QFile::rename(Path("out.raw"), Path("stopped.raw"));
        view.onPump = nullptr;
        view.positionShows = 0;
        playback.PlayFrom(0, false);
        if (stoppedAt != "12789/40000" || view.positionText != "39690/40000")
            return int(kWrongPosition);
        return ViewRestored(view, true);
    });
    const std::string all = alsacapture::Heard(values);
    const std::string stopped = HeardIn(Path("stopped.raw"));
    EXPECT_LT(stopped.size(), all.size());
    EXPECT_TRUE(all.compare(0, stopped.size(), stopped) == 0);
    EXPECT_TRUE(heard == all);
}

} // namespace
