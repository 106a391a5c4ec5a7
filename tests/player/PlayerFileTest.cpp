// OpenFile, SeekFrame and ReadFrames on wave files built byte by byte.

#include "player/FakeSoundOutput.h"
#include "support/TestWav.h"
#include "player/TWavePlayer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class PlayerFile : public ::testing::Test {
protected:
    PlayerFile() : player(std::make_unique<FakeSoundOutput>(log)) {}

    // Writes bytes to a file of the temp dir and opens it with the player.
    bool OpenBytes(const std::string &bytes) {
        const QString path = dir.filePath("t.wav");
        testwav::WriteFile(path.toStdString(), bytes);
        player.fileName = path;
        return player.OpenFile();
    }

    QTemporaryDir dir;
    FakeDeviceLog log;
    TWavePlayer player;
};

std::vector<int16_t> Ramp(int values) {
    std::vector<int16_t> v;
    for (int i = 0; i < values; ++i)
        v.push_back(int16_t(i * 3 + 1));
    return v;
}

struct SizeCase {
    uint16_t channels, bits;
    int32_t bytesPerSample, bytesPerFrame;
};

TEST_F(PlayerFile, AnyPcmSampleSizeAndChannelCountIsAccepted) {
    const SizeCase cases[] = {{1, 8, 1, 1},  {1, 16, 2, 2}, {2, 8, 1, 2},
                              {2, 16, 2, 4}, {2, 24, 3, 6}, {6, 32, 4, 24}};
    for (const SizeCase &c : cases) {
        testwav::Layout l;
        l.channels = c.channels;
        l.bits = c.bits;
        const std::string data(size_t(c.bytesPerFrame) * 10, '\x11');
        ASSERT_TRUE(OpenBytes(testwav::MakeWavBytes(data, l))) << c.channels << "x" << c.bits;
        EXPECT_EQ(player.bytesPerSample, c.bytesPerSample);
        EXPECT_EQ(player.bytesPerFrame, c.bytesPerFrame);
        EXPECT_EQ(player.format.channels, c.channels);
        EXPECT_EQ(player.format.bitsPerSample, c.bits);
        EXPECT_EQ(player.dataOffset, 44);
        EXPECT_EQ(player.dataSize, int32_t(data.size()));
        EXPECT_EQ(player.fileSize, int32_t(44 + data.size()));
        player.CloseFile();
    }
}

TEST_F(PlayerFile, LowerCaseIdsAndChunksBeforeTheDataAreAccepted) {
    testwav::Layout l;
    l.lowerCaseIds = true;
    l.chunksBeforeData = {{"LIST", std::string(1001, 'x')}}; // odd: a pad byte follows
    ASSERT_TRUE(OpenBytes(testwav::MakeWav(Ramp(8), l)));
    EXPECT_EQ(player.dataOffset, 44 + 8 + 1002);
    EXPECT_EQ(player.dataSize, 16);
}

TEST_F(PlayerFile, ShortFormatChunkHasNoExtraSize) {
    // The two bytes after a 16-byte format chunk are the next chunk's id.
    testwav::Layout l;
    l.chunksBeforeData = {{"LIST", "abcd"}};
    ASSERT_TRUE(OpenBytes(testwav::MakeWav(Ramp(8), l)));
    EXPECT_EQ(player.format.extraSize, 0);

    l = {};
    l.fmtSize = 18;
    ASSERT_TRUE(OpenBytes(testwav::MakeWav(Ramp(8), l)));
    EXPECT_EQ(player.format.extraSize, 0);
    EXPECT_EQ(player.format.sampleRate, 44100u);
    EXPECT_EQ(player.format.byteRate, 44100u * 4);
    EXPECT_EQ(player.format.blockAlign, 4);
}

TEST_F(PlayerFile, SeekAndReadWorkInFrames) {
    ASSERT_TRUE(OpenBytes(testwav::MakeWav(Ramp(20)))); // 10 stereo frames
    ASSERT_TRUE(player.SeekFrame(3));
    std::vector<int16_t> got(4, 0);
    EXPECT_EQ(player.ReadFrames(got.data(), 2), 2);
    EXPECT_EQ(got, (std::vector<int16_t>{19, 22, 25, 28}));

    // Near the end the read is short, and says so only by its count.
    ASSERT_TRUE(player.SeekFrame(8));
    std::vector<int16_t> tail(8, -1);
    EXPECT_EQ(player.ReadFrames(tail.data(), 4), 2);
    EXPECT_EQ(tail, (std::vector<int16_t>{49, 52, 55, 58, -1, -1, -1, -1}));

    EXPECT_FALSE(player.SeekFrame(-1));
    player.CloseFile();
    EXPECT_EQ(player.ReadFrames(got.data(), 1), -1);
}

struct RejectCase {
    const char *what;
    std::string bytes;
};

std::string Patched(std::string bytes, size_t at, const std::string &with) {
    return bytes.replace(at, with.size(), with);
}

TEST_F(PlayerFile, MalformedHeadersAreRejectedAndTheFileClosed) {
    const std::string good = testwav::MakeWav(Ramp(16));
    auto layout = [](auto change) {
        testwav::Layout l;
        change(l);
        return testwav::MakeWav(Ramp(16), l);
    };
    const RejectCase cases[] = {
        {"not RIFF", Patched(good, 0, "RIFX")},
        {"not WAVE", Patched(good, 8, "AVI ")},
        {"not PCM", layout([](testwav::Layout &l) { l.formatTag = 3; })},
        {"no data chunk", Patched(good, 36, "dat_")},
        {"data past the end", layout([](testwav::Layout &l) { l.declaredDataSize = 33; })},
        {"negative data size", layout([](testwav::Layout &l) { l.declaredDataSize = -4; })},
        {"format chunk below 16", Patched(good, 16, std::string("\x0e\0\0\0", 4))},
        {"format chunk past the end", Patched(good, 16, std::string("\x00\x10\0\0", 4))},
        {"negative format chunk", Patched(good, 16, std::string("\xf0\xff\xff\xff", 4))},
        {"bits below 8", layout([](testwav::Layout &l) { l.bits = 4; })},
        {"no channels", layout([](testwav::Layout &l) { l.channels = 0; })},
        {"shorter than a header", good.substr(0, 19)},
    };
    for (const RejectCase &c : cases) {
        EXPECT_FALSE(OpenBytes(c.bytes)) << c.what;
        EXPECT_FALSE(player.fileOpen()) << c.what;
    }
    EXPECT_TRUE(OpenBytes(good)); // the cases above differ from a good file only as named
}

TEST_F(PlayerFile, MissingFileOrNoNameFails) {
    player.fileName = dir.filePath("absent.wav");
    EXPECT_FALSE(player.OpenFile());
    player.fileName.clear();
    EXPECT_FALSE(player.OpenFile());
}

} // namespace
