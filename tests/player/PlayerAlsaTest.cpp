// The wave player over the real output path, PortAudio over ALSA recording
// into a file (see AlsaCapture.h).

#include "player/AlsaCapture.h"
#include "player/SoundOutputPortAudio.h"
#include "player/TWavePlayer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

namespace {

using alsacapture::RunInChild;
using alsacapture::TestSignal;
using alsacapture::WithoutSilentFrames;
using Clock = std::chrono::steady_clock;

constexpr auto kQueueLimit = std::chrono::seconds(10);

// The child's exit codes name the step that failed.
enum ChildStep {
    kPlayed = 0,
    kOpenFile = 10,
    kOpenDevice,
    kRead,
    kStuck,
    kQueue,
    kClose,
    kNotDropped,
    kBusyAfterReset
};

// Plays the whole file through the default device, block by block, as the
// preview does: a busy slot is retried (or waited for), the last block may be
// short, and the close lets everything queued play out unless reset is asked.
int PlayFile(const QString &path, int32_t blockFrames, int32_t ringSize, bool wait, bool reset) {
    TWavePlayer player;
    player.fileName = path;
    if (!player.OpenFile() || !player.SeekFrame(0))
        return kOpenFile;
    player.outputFormat = player.format;
    player.outputFormat.extraSize = 0;
    player.SetBufferCount(ringSize);
    std::vector<uint8_t> block(size_t(blockFrames) * size_t(player.bytesPerFrame));
    if (player.OpenDevice(block.data(), blockFrames) != kSoundOk)
        return kOpenDevice;
    const int32_t total = player.dataSize / player.bytesPerFrame;
    for (int32_t p = 0; p < total;) {
        const int32_t b = std::min(blockFrames, total - p);
        if (player.ReadFrames(block.data(), b) != b)
            return kRead;
        const auto deadline = Clock::now() + kQueueLimit;
        uint32_t r;
        while ((r = player.QueueBlock(block.data(), b, wait)) == TWavePlayer::kSlotBusy) {
            if (Clock::now() > deadline)
                return kStuck;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (r != kSoundOk)
            return kQueue;
        p += b;
    }
    if (player.CloseDevice(reset) != kSoundOk)
        return kClose;
    player.CloseFile();
    return kPlayed;
}

class PlayerAlsa : public ::testing::Test {
protected:
    QString Path(const char *name) const { return dir.filePath(name); }

    // An ALSA configuration whose default device records into capture.
    QString CaptureConfig(const QString &capture) const {
        alsacapture::WriteCaptureConfig(Path("asound.conf"), capture);
        return Path("asound.conf");
    }

    std::string ChildLog() const { return testwav::ReadFile(Path("child.log").toStdString()); }

    QTemporaryDir dir;
};

struct PlayCase {
    int32_t blockFrames, ringSize;
    bool wait;
};

TEST_F(PlayerAlsa, EveryBlockIsPlayedWholeAndInOrder) {
    const int frames = 10000;
    const std::string data = testwav::SampleBytes(TestSignal(frames));
    const QString wav = Path("signal.wav");
    testwav::WriteFile(wav.toStdString(), testwav::MakeWavBytes(data));
    // 1000 divides the data; 441 and 4096 leave a short last block.
    const PlayCase cases[] = {{1000, 2, false}, {441, 8, false}, {4096, 3, true}};
    for (const PlayCase &c : cases) {
        SCOPED_TRACE(c.blockFrames);
        const QString capture = Path("out.raw");
        QFile::remove(capture);
        const int step = RunInChild(CaptureConfig(capture), Path("child.log"), [&] {
            return PlayFile(wav, c.blockFrames, c.ringSize, c.wait, false);
        });
        ASSERT_EQ(step, kPlayed) << ChildLog();
        const std::string raw = testwav::ReadFile(capture.toStdString());
        ASSERT_EQ(raw.size() % 4, 0u);
        EXPECT_GE(raw.size(), data.size());
        // Kept in the test report: how much silence the device wrote around the sound.
        RecordProperty("captured_frames_block_" + std::to_string(c.blockFrames),
                       int(raw.size() / 4));
        EXPECT_TRUE(WithoutSilentFrames(raw, 4, '\0') == data)
            << "captured " << raw.size() / 4 << " frames, "
            << WithoutSilentFrames(raw, 4, '\0').size() / 4 << " of them sound, for " << frames
            << " frames played";
    }
}

// The sound system starts once and stays; each playback opens its own
// stream. What the sound libraries say while they look for devices (JACK's
// missing server here, ALSA's cards) never reaches standard error.
TEST_F(PlayerAlsa, PlaybacksAfterTheFirstReuseTheSoundSystemQuietly) {
    const std::string data = testwav::SampleBytes(TestSignal(3000));
    const QString wav = Path("signal.wav");
    testwav::WriteFile(wav.toStdString(), testwav::MakeWavBytes(data));
    const QString capture = Path("out.raw");
    const int step = RunInChild(CaptureConfig(capture), Path("child.log"), [&] {
        for (int time = 0; time < 3; ++time)
            if (const int result = PlayFile(wav, 441, 4, false, false); result != kPlayed)
                return result;
        return int(kPlayed);
    });
    ASSERT_EQ(step, kPlayed) << ChildLog();
    EXPECT_EQ(ChildLog(), "");
    EXPECT_TRUE(WithoutSilentFrames(testwav::ReadFile(capture.toStdString()), 4, '\0') == data);
}

TEST_F(PlayerAlsa, EightBitSilenceIsTheMidpoint) {
    // Unsigned 8-bit mono: silence is 0x80, which the signal never holds.
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data.push_back(char(0x81 + i % 100));
    testwav::Layout l;
    l.channels = 1;
    l.bits = 8;
    const QString wav = Path("eight.wav");
    testwav::WriteFile(wav.toStdString(), testwav::MakeWavBytes(data, l));
    const QString capture = Path("out.raw");
    const int step = RunInChild(CaptureConfig(capture), Path("child.log"),
                                [&] { return PlayFile(wav, 700, 4, false, false); });
    ASSERT_EQ(step, kPlayed) << ChildLog();
    const std::string raw = testwav::ReadFile(capture.toStdString());
    EXPECT_TRUE(WithoutSilentFrames(raw, 1, '\x80') == data);
}

TEST_F(PlayerAlsa, ResetAtCloseKeepsWhatPlayedInOrder) {
    const std::string data = testwav::SampleBytes(TestSignal(20000));
    const QString wav = Path("signal.wav");
    testwav::WriteFile(wav.toStdString(), testwav::MakeWavBytes(data));
    const QString capture = Path("out.raw");
    const int step = RunInChild(CaptureConfig(capture), Path("child.log"),
                                [&] { return PlayFile(wav, 2205, 8, false, true); });
    ASSERT_EQ(step, kPlayed) << ChildLog();
    // A reset may cut anywhere between blocks or inside one, never elsewhere.
    const std::string sound =
        WithoutSilentFrames(testwav::ReadFile(capture.toStdString()), 4, '\0');
    EXPECT_LE(sound.size(), data.size());
    EXPECT_TRUE(data.compare(0, sound.size(), sound) == 0);
}

// Queues a, resets, then plays b to the end. The device must be idle between
// the reset and b: a stream left running there is one that a close would
// wait on, however stalled the device.
int ResetThenPlay(const std::string &a, const std::string &b) {
    PortAudioSoundOutput out;
    if (out.Open(WaveFormat{1, 2, 44100, 44100 * 4, 4, 16, 0}) != kSoundOk)
        return kOpenDevice;
    SoundBuffer first, second;
    first.data = reinterpret_cast<const uint8_t *>(a.data());
    first.bytes = uint32_t(a.size());
    second.data = reinterpret_cast<const uint8_t *>(b.data());
    second.bytes = uint32_t(b.size());
    if (out.Write(first) != kSoundOk || out.Reset() != kSoundOk)
        return kQueue;
    if (!first.done.load())
        return kNotDropped;
    if (!out.idle())
        return kBusyAfterReset;
    if (out.Write(second) != kSoundOk)
        return kQueue;
    if (!out.Drain(10000))
        return kStuck;
    return out.Close() == kSoundOk ? kPlayed : kClose;
}

TEST_F(PlayerAlsa, AResetLeavesTheDeviceIdleUntilTheNextBuffer) {
    const std::string data = testwav::SampleBytes(TestSignal(25000));
    const std::string a = data.substr(0, 80000), b = data.substr(80000);
    const QString capture = Path("out.raw");
    const int step =
        RunInChild(CaptureConfig(capture), Path("child.log"), [&] { return ResetThenPlay(a, b); });
    ASSERT_EQ(step, kPlayed) << ChildLog();
    // Some of a may have played before the reset; all of b plays after it.
    const std::string sound =
        WithoutSilentFrames(testwav::ReadFile(capture.toStdString()), 4, '\0');
    ASSERT_GE(sound.size(), b.size());
    const size_t head = sound.size() - b.size();
    EXPECT_TRUE(sound.compare(head, b.size(), b) == 0);
    EXPECT_TRUE(a.compare(0, head, sound, 0, head) == 0);
}

TEST_F(PlayerAlsa, NoDeviceMeansANonZeroResultAndNoHang) {
    // The default device is a card that is not there, as on a machine
    // without one. (The configuration must define some device: PortAudio
    // 19.6 aborts on one that defines none.)
    const QString config = Path("asound.conf");
    testwav::WriteFile(config.toStdString(),
                       "pcm.!default {\n  type hw\n  card 7\n}\npcm.null {\n  type null\n}\n");
    const int result = RunInChild(config, Path("child.log"), [] {
        TWavePlayer player;
        player.outputFormat = WaveFormat{1, 2, 44100, 44100 * 4, 4, 16, 0};
        const uint32_t r = player.OpenDevice(nullptr, 441);
        player.CloseDevice(true);
        return r == kSoundNoDevice ? 0 : 1;
    });
    EXPECT_EQ(result, 0) << ChildLog();
    EXPECT_EQ(ChildLog(), ""); // the sound system started; only the device is missing
}

TEST(PlayerDevice, FormatsTheDeviceCannotTakeAreRefusedBeforeItIsOpened) {
    const WaveFormat refused[] = {{1, 2, 44100, 0, 0, 12, 0},
                                  {3, 2, 44100, 0, 0, 32, 0},
                                  {1, 0, 44100, 0, 0, 16, 0},
                                  {1, 2, 0, 0, 0, 16, 0}};
    for (const WaveFormat &f : refused) {
        TWavePlayer player;
        player.outputFormat = f;
        EXPECT_NE(player.OpenDevice(nullptr, 441), kSoundOk);
        EXPECT_FALSE(player.deviceOpen());
    }
}

} // namespace
