// Preview playback against a scripted device: what it does when the file or
// the device fails it.

#include "player/PreviewPlayback.h"
#include "player/AlsaCapture.h"
#include "player/FakeSoundOutput.h"
#include "player/RecordingView.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class PreviewPlaybackFake : public ::testing::Test {
protected:
    PreviewPlaybackFake() {
        auto device = std::make_unique<FakeSoundOutput>(log);
        fake = device.get();
        player = std::make_unique<TWavePlayer>(std::move(device));
        playback = std::make_unique<PreviewPlayback>(*player, view, settings);
        settings.WinTime = 0;
        settings.BuffDipth = 2;
    }

    QString WriteInput(const std::vector<int16_t> &values) {
        const QString path = dir.filePath("take1.wav");
        testwav::WriteFile(path.toStdString(), testwav::MakeWav(values));
        return path;
    }

    std::string Played() const {
        std::string bytes;
        for (const auto &b : log.played)
            bytes.append(b.begin(), b.end());
        return bytes;
    }

    QTemporaryDir dir;
    Settings settings = Settings::Defaults();
    FakeDeviceLog log;
    FakeSoundOutput *fake = nullptr; // owned by player
    std::unique_ptr<TWavePlayer> player;
    RecordingView view;
    std::unique_ptr<PreviewPlayback> playback;
};

TEST_F(PreviewPlaybackFake, ADeviceErrorIsRetriedWithNothingLostOrReordered) {
    const auto values = alsacapture::TestSignal(3000);
    player->fileName = WriteInput(values);
    fake->writeResult = kSoundError; // the first block is refused once
    playback->PlayFrom(0, false);
    EXPECT_TRUE(Played() == testwav::SampleBytes(values));
    EXPECT_GT(view.pumps, view.waves); // the refused block was pumped for twice
}

TEST_F(PreviewPlaybackFake, NothingPlaysWithoutAFileOrADevice) {
    for (const QString &name : {QString(), dir.filePath("missing.wav")}) {
        player->fileName = name;
        playback->PlayFrom(0, false);
    }
    EXPECT_EQ(log.opens, 0);
    EXPECT_EQ(view.positionShows, 0);
    EXPECT_TRUE(view.axesLabel.isEmpty());

    player->fileName = WriteInput(alsacapture::TestSignal(1000));
    fake->openResult = kSoundNoDevice;
    playback->PlayFrom(0, false);
    EXPECT_EQ(log.opens, 1);
    EXPECT_EQ(log.closes, 0); // a device that never opened is not closed
    EXPECT_EQ(view.waves, 0);
    EXPECT_FALSE(view.positionShown);
    EXPECT_TRUE(view.makeFile);
    EXPECT_FALSE(player->fileOpen());
}

} // namespace
