// Sample reads, output creation, output headers, the free-space test and the
// extension test.

#include "support/ScriptedMessages.h"
#include "support/TestWav.h"
#include "batch/FileMessages.h"
#include "filesystem/DriveSpace.h"
#include "wavefile/WaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/statvfs.h>
#include <unistd.h>

using testwav::Layout;

namespace {

const QString kOpenFailed = QString::fromUtf8("ファイルのオープンに失敗しました。");
const QString kOverwrite =
    QString::fromUtf8("書き込みファイルが既に存在します。オーバーライトしますか？");
constexpr int16_t kUntouched = 0x7777;

std::vector<int16_t> Ramp(int count, int first = 0) {
    std::vector<int16_t> values(size_t(count), 0);
    std::iota(values.begin(), values.end(), int16_t(first));
    return values;
}

class WaveIoTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages messages;
    WaveFile wave;

    QString Write(const std::string &bytes, const QString &name = "in.wav") {
        const QString path = dir.filePath(name);
        testwav::WriteFile(path.toStdString(), bytes);
        return path;
    }
    std::string Read(const QString &path) { return testwav::ReadFile(path.toStdString()); }
};

TEST_F(WaveIoTest, ReadSamplesCutsAtTheEndOfTheData) {
    Layout l;
    l.chunksBeforeData = {{"LIST", std::string(26, 'i')}}; // samples start at 78
    l.trailing = testwav::SampleBytes({-1, -1, -1, -1});   // must never be read as samples
    const QString path = Write(testwav::MakeWav(Ramp(10, 100), l));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, path, messages));
    struct Case {
        int32_t start, count, expected;
    };
    for (const Case c :
         {Case{0, 10, 10}, {3, 4, 4}, {7, 6, 3}, {10, 2, 0}, {12, 1, 0}, {-2, 4, 0}, {0, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " count " << c.count);
        std::vector<int16_t> dest(16, kUntouched);
        EXPECT_EQ(ReadSamplesOrTell(wave, c.start, c.count, path, dest.data(), messages), c.expected);
        for (int32_t i = 0; i < int32_t(dest.size()); ++i)
            EXPECT_EQ(dest[size_t(i)], i < c.expected ? 100 + c.start + i : kUntouched);
    }
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(WaveIoTest, ReadSamplesIgnoresTheOddLastByteAndReadsLongRuns) {
    const std::vector<int16_t> values = Ramp(70001, -30000); // wraps past 32767
    std::string data = testwav::SampleBytes(values);
    data.push_back('\x05');
    const QString path = Write(testwav::MakeWavBytes(data));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, path, messages));
    ASSERT_EQ(wave.sampleCount, 70001);
    std::vector<int16_t> dest(70010, kUntouched);
    ASSERT_EQ(ReadSamplesOrTell(wave, 0, 70010, path, dest.data(), messages), 70001);
    EXPECT_TRUE(std::equal(values.begin(), values.end(), dest.begin()));
    EXPECT_EQ(dest[70001], kUntouched);
}

TEST_F(WaveIoTest, ReadSamplesOpenFailureLeavesTheDestinationAlone) {
    const QString path = Write(testwav::MakeWav(Ramp(8)));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, path, messages));
    ASSERT_TRUE(QFile::remove(path));
    std::vector<int16_t> dest(8, kUntouched);
    EXPECT_EQ(ReadSamplesOrTell(wave, 0, 8, path, dest.data(), messages), 0);
    EXPECT_EQ(dest, std::vector<int16_t>(8, kUntouched));
    EXPECT_EQ(messages.notices, QStringList{kOpenFailed});
}

TEST_F(WaveIoTest, OpenForReadShowsTheNoticeOnlyOnFailure) {
    const QString path = Write("x");
    EXPECT_TRUE(OpenForReadOrTell(path, messages).isOpen());
    EXPECT_TRUE(messages.notices.isEmpty());
    EXPECT_FALSE(OpenForReadOrTell(dir.filePath("nope.wav"), messages).isOpen());
    EXPECT_EQ(messages.notices, QStringList{kOpenFailed});
}

TEST(HasWaveExtension, LooksAtFourCharactersFromTheLastDot) {
    struct Case {
        const char *path;
        bool expected;
    };
    for (const Case c : {Case{"take1.wav", true},
                         {"take1.WAV", true},
                         {"a.WaV", true},
                         {"a.wave", true},
                         {"/music.d/take", false},
                         {"/music.wav/take", true},
                         {"take", false},
                         {"take.mp3", false},
                         {"take.wa", false},
                         {"", false},
                         {".wav", true}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(HasWaveExtension(QString::fromUtf8(c.path)), c.expected);
    }
}

TEST_F(WaveIoTest, CreateOutputFileMakesANewEmptyFile) {
    const QString path = dir.filePath("out.wav");
    AtomicFile out = CreateOutputFileAsking(path, true, messages);
    ASSERT_TRUE(out.isOpen());
    EXPECT_TRUE(out.file().write("abc", 3));
    EXPECT_FALSE(QFile::exists(path)); // under its final name only when complete
    EXPECT_TRUE(out.commit());
    EXPECT_EQ(Read(path), "abc");
    // A name with no room left for the temporary file's mark still works.
    const QString longPath = dir.filePath(QString(251, 'n') + ".wav");
    AtomicFile longOut = CreateOutputFileAsking(longPath, true, messages);
    EXPECT_TRUE(longOut.isOpen() && longOut.commit() && QFile::exists(longPath));
    EXPECT_TRUE(messages.questions.isEmpty());
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(WaveIoTest, CreateOutputFileAsksBeforeReplacing) {
    const QString path = Write("old", "out.wav");
    messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(CreateOutputFileAsking(path, true, messages).isOpen());
    EXPECT_EQ(Read(path), "old");
    EXPECT_TRUE(messages.notices.isEmpty());
    AtomicFile out = CreateOutputFileAsking(path, true, messages);
    EXPECT_TRUE(out.isOpen());
    EXPECT_FALSE(QFile::exists(path)); // deleted at create time, so no room is needed for both
    EXPECT_EQ(messages.questions, QStringList(2, kOverwrite));
    out.abandon();

    Write("old", "out.wav");
    EXPECT_TRUE(CreateOutputFileAsking(path, false, messages).isOpen());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(messages.questions.size(), 2); // no question without confirm
}

TEST_F(WaveIoTest, CreateOutputFileFailuresShowTheNotice) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("full/inside"));
    EXPECT_FALSE(CreateOutputFileAsking(dir.filePath("full"), false, messages).isOpen()); // undeletable
    EXPECT_FALSE(CreateOutputFileAsking(dir.filePath("none/out.wav"), false, messages).isOpen());
    EXPECT_EQ(messages.notices, QStringList(2, kOpenFailed));
}

// Whatever the spelling, the input itself is never deleted or truncated.
TEST_F(WaveIoTest, CreateOutputFileNeverReplacesTheInput) {
    const std::string original = testwav::MakeWav(Ramp(6));
    const QString input = Write(original);
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString symlink = dir.filePath("link.wav");
    const QString hardlink = dir.filePath("hard.wav");
    ASSERT_EQ(::symlink(input.toLocal8Bit().constData(), symlink.toLocal8Bit().constData()), 0);
    ASSERT_EQ(::link(input.toLocal8Bit().constData(), hardlink.toLocal8Bit().constData()), 0);
    const QString spellings[] = {input, symlink, hardlink, dir.filePath("sub/../in.wav")};
    ProtectedFiles kept;
    kept.Add(input);
    for (const QString &path : spellings) {
        SCOPED_TRACE(path.toStdString());
        for (bool confirm : {true, false})
            EXPECT_FALSE(CreateOutputFileAsking(path, confirm, messages, kept).isOpen());
        EXPECT_TRUE(QFileInfo::exists(path));
    }
    EXPECT_EQ(Read(input), original);
    EXPECT_EQ(messages.notices, QStringList(8, kOpenFailed));
    // The overwrite question comes first, as for any existing file; declining
    // it ends the create quietly.
    EXPECT_EQ(messages.questions.size(), 4);
    messages.answers = {MsgAnswer::No};
    EXPECT_FALSE(CreateOutputFileAsking(symlink, true, messages, kept).isOpen());
    EXPECT_EQ(messages.notices.size(), 8);
    EXPECT_EQ(Read(input), original);
    // Another file next to the input is still replaced as usual.
    EXPECT_TRUE(CreateOutputFileAsking(dir.filePath("other.wav"), true, messages, kept).isOpen());
}

TEST_F(WaveIoTest, HasDriveSpaceWeighsTheInputAgainstTheFreeSpace) {
    struct statvfs vfs;
    ASSERT_EQ(statvfs(dir.path().toLocal8Bit().constData(), &vfs), 0);
    const int64_t freeBytes = int64_t(vfs.f_bavail) * int64_t(vfs.f_frsize);
    const QString input = Write("small");
    if (freeBytes > 2'000'000'000) {
        EXPECT_TRUE(HasDriveSpace(input, dir.path() + "/"));
    }
    // A sparse input bigger than the free space takes no room itself.
    ASSERT_EQ(truncate(input.toLocal8Bit().constData(), freeBytes + 1'000'000'000), 0);
    EXPECT_FALSE(HasDriveSpace(input, dir.path()));
    EXPECT_FALSE(HasDriveSpace(input, dir.filePath("no such folder")));
}

class WaveHeaderWriteTest : public WaveIoTest {
protected:
    // Reads the input, writes its output header for bytes of data, appends
    // those bytes of zeros and returns the output's bytes.
    std::string Output(const std::string &input, int64_t bytes) {
        EXPECT_TRUE(ReadWaveHeaderOrTell(wave, Write(input), messages));
        const QString path = dir.filePath("out.wav");
        AtomicFile out = CreateOutputFileAsking(path, false, messages);
        EXPECT_TRUE(wave.WriteWaveHeader(out.file(), bytes));
        EXPECT_TRUE(out.file().write(std::string(size_t(bytes), '\0').data(), bytes));
        EXPECT_TRUE(out.commit());
        return Read(path);
    }
    static uint32_t U32(const std::string &b, size_t at) {
        return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
               uint32_t(uint8_t(b[at + 3])) << 24;
    }
};

TEST_F(WaveHeaderWriteTest, CopiesTheHeaderWithTruthfulSizes) {
    const std::string input = testwav::MakeWav(Ramp(10));
    const std::string out = Output(input, 20);
    ASSERT_EQ(out.size(), 64u);
    EXPECT_EQ(out.substr(8, 32), input.substr(8, 32)); // WAVE, fmt chunk, "data"
    EXPECT_EQ(U32(out, 4), 56u);
    EXPECT_EQ(U32(out, 40), 20u);
}

TEST_F(WaveHeaderWriteTest, LeavesOutChunksBetweenFormatAndData) {
    Layout l;
    l.chunksBeforeData = {{"LIST", std::string(26, 'i')}, {"bext", std::string(602, 'b')}};
    l.lowerCaseIds = true;
    const std::string out = Output(testwav::MakeWav(Ramp(10), l), 20);
    ASSERT_EQ(out.size(), 64u);
    // Lower-case ids are read, but the output spells them the standard way.
    EXPECT_EQ(out.substr(0, 4), "RIFF");
    EXPECT_EQ(out.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(out.substr(36, 4), "data");
    EXPECT_EQ(U32(out, 4), 56u);
    EXPECT_TRUE(ReadWaveHeaderOrTell(wave, dir.filePath("out.wav"), messages));
    EXPECT_EQ(wave.dataOffset, 44);
}

TEST_F(WaveHeaderWriteTest, PadsAnOddFormatBody) {
    Layout l;
    l.fmtSize = 19;
    const std::string out = Output(testwav::MakeWavBytes(std::string(11, '\1'), l), 10);
    ASSERT_EQ(out.size(), 20u + 19 + 1 + 8 + 10);
    EXPECT_EQ(out[39], '\0');
    EXPECT_EQ(U32(out, 4), 4u + 8 + 20 + 8 + 10);
    EXPECT_EQ(U32(out, 44), 10u);
    EXPECT_TRUE(ReadWaveHeaderOrTell(wave, dir.filePath("out.wav"), messages));
    EXPECT_EQ(wave.dataOffset, 48);
    EXPECT_EQ(wave.sampleCount, 5);
}

// After a stop the header is written again over the first one, for what was
// written so far.
TEST_F(WaveHeaderWriteTest, RewriteAfterAStop) {
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, Write(testwav::MakeWav(Ramp(100))), messages));
    const QString path = dir.filePath("out.wav");
    AtomicFile created = CreateOutputFileAsking(path, false, messages);
    FileHandle &out = created.file();
    ASSERT_TRUE(wave.WriteWaveHeader(out, 200));
    ASSERT_TRUE(out.write(std::string(40, '\2').data(), 40));
    ASSERT_TRUE(out.seek(0));
    ASSERT_TRUE(wave.WriteWaveHeader(out, 40));
    ASSERT_TRUE(created.commit());
    const std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), 84u);
    EXPECT_EQ(U32(bytes, 4), 76u);
    EXPECT_EQ(U32(bytes, 40), 40u);
    EXPECT_FALSE(wave.WriteWaveHeader(out, 10)); // closed
    AtomicFile again = CreateOutputFileAsking(path, false, messages);
    EXPECT_FALSE(wave.WriteWaveHeader(again.file(), -2));
}

} // namespace
