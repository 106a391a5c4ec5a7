// Preview playback against a scripted device: what it does when the file or
// the device fails it.

#include "player/PreviewPlayback.h"
#include "player/AlsaCapture.h"
#include "player/FakeSoundOutput.h"
#include "player/RecordingView.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <unistd.h>

namespace {

class PreviewPlaybackFake : public ::testing::Test {
protected:
    PreviewPlaybackFake() {
        auto device = std::make_unique<FakeSoundOutput>(log);
        fake = device.get();
        player = std::make_unique<TWavePlayer>(std::move(device));
        playback = std::make_unique<PreviewPlayback>(*player, view, settings, messages);
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
    ScriptedMessages messages;
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

TEST_F(PreviewPlaybackFake, NothingPlaysWithoutAFileOrADeviceAndEachPressSaysWhy) {
    const QString openFailed = QString::fromUtf8("ファイルのオープンに失敗しました。");
    // No file, a missing one, and one shorter than its header says.
    testwav::Layout longer;
    longer.declaredDataSize = 4000;
    const QString cut = dir.filePath("cut.wav");
    testwav::WriteFile(cut.toStdString(), testwav::MakeWav({1, 2, 3, 4}, longer));
    for (const QString &name : {QString(), dir.filePath("missing.wav"), cut}) {
        player->fileName = name;
        playback->PlayFrom(0, name == cut);
    }
    EXPECT_EQ(messages.notices, QStringList({openFailed, openFailed, openFailed}));
    EXPECT_EQ(log.opens, 0);
    EXPECT_EQ(view.positionShows, 0);
    EXPECT_TRUE(view.axesLabel.isEmpty());

    player->fileName = WriteInput(alsacapture::TestSignal(1000));
    fake->openResult = kSoundNoDevice;
    messages.notices.clear();
    playback->PlayFrom(0, false);
    EXPECT_EQ(messages.notices, QStringList({kNoDeviceMessage}));
    EXPECT_EQ(log.opens, 1);
    EXPECT_EQ(log.closes, 0); // a device that never opened is not closed
    EXPECT_EQ(view.waves, 0);
    EXPECT_TRUE(view.axesLabel.isEmpty()); // the picture stays as it was
    EXPECT_EQ(view.positionShows, 0);
    EXPECT_TRUE(view.makeFile);
    EXPECT_FALSE(player->fileOpen());
}

// The block length label in milliseconds at the display rate; stored values
// outside the settings' ranges are held to them; coarse enough, no picture.
TEST_F(PreviewPlaybackFake, TheAxesShowTheBlockLengthUnlessNothingIsDrawn) {
    struct Case {
        int32_t winTime;
        int32_t arasa;
        const char *label;
    };
    player->fileName = WriteInput(alsacapture::TestSignal(3000));
    for (const Case &c : {Case{0, 1, "10ms"}, Case{2, 30, "50ms"}, Case{5, 16, "500ms"},
                          Case{-1, 16, "10ms"}, Case{6, 16, "500ms"}, Case{3, 31, ""}}) {
        settings.WinTime = c.winTime;
        settings.Arasa = c.arasa;
        view.axesLabel.clear();
        playback->PlayFrom(0, false);
        EXPECT_EQ(view.axesLabel, QString::fromLatin1(c.label)) << c.winTime << " " << c.arasa;
    }
}

TEST_F(PreviewPlaybackFake, AReadThatDeliversNothingEndsThePlayback) {
    const auto values = alsacapture::TestSignal(30000);
    player->fileName = WriteInput(values);
    view.onPump = [&] {
        if (view.waves == 3) // the data is gone from under the player
            ::truncate(player->fileName.toLocal8Bit().constData(), 44);
        if (view.pumps > 1000)
            player->stopPlayback = true;
    };
    playback->PlayFrom(0, false);
    EXPECT_LT(view.pumps, 1000);
    EXPECT_EQ(view.waves, 3);
    EXPECT_TRUE(Played() == testwav::SampleBytes({values.begin(), values.begin() + 3 * 2 * 441}));
}

} // namespace
