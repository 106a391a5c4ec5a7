// Whole preview playbacks through the real output path into a file (see
// AlsaCapture.h), with no window: the sound that reaches the device compared
// with what the user should hear, silent frames left out on both sides.

#include "engine/RepairPreviewBlock.h"
#include "engine/Thresholds.h"
#include "player/AlsaCapture.h"
#include "player/PreviewPlayback.h"
#include "player/RecordingView.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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

// The input cleaned as live playback cleans it, done here from the rules:
// blocks of blockFrames from startFrame, one work buffer zeroed once, each
// block's values copied in after the history and cleaned with block start 0,
// the look-ahead never filled; the last block cleaned over a whole block with
// a silent tail, only its own frames kept.
std::vector<int16_t> CleanedAsPlayed(const std::vector<int16_t> &input, int32_t startFrame,
                                     int32_t blockFrames, const Thresholds &th, int32_t &clicks) {
    const int32_t perBlock = 2 * blockFrames, total = int32_t(input.size()) / 2;
    std::vector<int32_t> work(size_t(perBlock + kHistoryValues + kLookAheadValues), 0);
    std::vector<int16_t> out;
    for (int32_t p = startFrame; p < total; p += blockFrames) {
        const int32_t frames = std::min(blockFrames, total - p);
        std::fill_n(work.begin() + kHistoryValues, perBlock, 0);
        std::copy_n(input.begin() + 2 * p, 2 * frames, work.begin() + kHistoryValues);
        int32_t counter = 0;
        clicks += CleanBlock(work.data(), perBlock, 0, th, counter, nullptr);
        out.insert(out.end(), work.begin() + kHistoryValues,
                   work.begin() + kHistoryValues + 2 * frames);
    }
    return out;
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
        EXPECT_TRUE(wave.ReadWaveHeader(input, messages));
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
    PreviewPlayback playback{player, view, settings};
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
        playback.PlayCleaned(request, wave, messages);
        if (view.repairCountText != "lbNCount")
            return int(kWrongCount);
        return ViewRestored(view, clearedThroughout);
    });
    EXPECT_TRUE(heard == alsacapture::Heard(expected));
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(PreviewPlaybackAlsa, LivePlaysTheInputCleanedBlockByBlockFromBeforeTheClick) {
    auto values = testwav::TwoTones(150000);
    // In a block, on both sides of a block boundary (100000 starts a block,
    // 22050 frames being 50 blocks), and in the short last block.
    AddClicks(values, {2 * 85000, 2 * 99999 + 1, 2 * 100000, 2 * 120000, 2 * 149990});
    const CleanedPlayRequest request = RequestFor(values, 100000);
    int32_t clicks = 0;
    const auto expected = CleanedAsPlayed(values, 77950, 441, request.removal, clicks);
    ASSERT_GE(clicks, 5);

    const std::string heard = Play([&] {
        playback.PlayCleaned(request, wave, messages);
        if (view.repairCountText != QString::number(clicks))
            return int(kWrongCount);
        return ViewRestored(view, clearedThroughout);
    });
    EXPECT_TRUE(heard == alsacapture::Heard(expected));
    EXPECT_FALSE(QFile::exists(request.tempPath)); // live playback writes no file
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
