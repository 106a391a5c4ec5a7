// Files written by sox and ffmpeg, the tools users convert with: they must be
// accepted with the samples where the tools put them, and the output headers
// this program writes must read back in those tools.

#include "support/ExternalTools.h"
#include "support/ScriptedMessages.h"
#include "support/TestWav.h"
#include "batch/FileMessages.h"
#include "wavefile/WaveFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Skips the test when the tool is missing; the rest of the test needs it.
#define REQUIRE_TOOL(tool)                                                                         \
    if (Have(tool)) {                                                                              \
    } else                                                                                         \
        GTEST_SKIP() << tool << " is not installed"

class RealFilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages messages;
    WaveFile wave;

    // Reads the header and all samples, and checks them against ffmpeg's decoding.
    std::vector<int16_t> ReadAllMatchingFfmpeg(const QString &path) {
        EXPECT_TRUE(ReadWaveHeaderOrTell(wave, path, messages));
        std::vector<int16_t> values(size_t(wave.sampleCount), 0);
        EXPECT_EQ(ReadSamplesOrTell(wave, 0, wave.sampleCount, path, values.data(), messages),
                  wave.sampleCount);
        EXPECT_EQ(values, DecodedByFfmpeg(path));
        return values;
    }

    QString Generate(const QString &name, const QStringList &ffmpegOutputArgs) {
        const QString path = dir.filePath(name);
        QStringList args{"-v",  "error", "-y",   "-f",       "lavfi", "-i", "sine=f=440:d=0.5",
                         "-ac", "2",     "-c:a", "pcm_s16le"};
        args << ffmpegOutputArgs << path;
        const RunResult r = RunTool("ffmpeg", args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return path;
    }

    // Writes header + values the way a removal pass does.
    QString WriteOutput(const std::vector<int16_t> &values) {
        const QString path = dir.filePath("out.wav");
        AtomicFile out = CreateOutputFileAsking(path, false, messages);
        const std::string bytes = testwav::SampleBytes(values);
        EXPECT_TRUE(wave.WriteWaveHeader(out.file(), int64_t(bytes.size())));
        EXPECT_TRUE(out.file().write(bytes.data(), int64_t(bytes.size())));
        EXPECT_TRUE(out.commit());
        return path;
    }
};

TEST_F(RealFilesTest, SoxFile) {
    REQUIRE_TOOL("sox");
    REQUIRE_TOOL("ffmpeg");
    const QString path = dir.filePath("sox.wav");
    ASSERT_EQ(RunTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", "0.5",
                              "sine", "440"})
                  .exitCode,
              0);
    ReadAllMatchingFfmpeg(path);
    EXPECT_EQ(wave.dataOffset, 44);
    EXPECT_EQ(wave.sampleCount, 2 * 22050);
    EXPECT_EQ(wave.dataOffset + wave.dataBytes, wave.fileSize);
}

// ffmpeg puts a LIST chunk of 34 bytes in all before the data: not a multiple of 4.
TEST_F(RealFilesTest, FfmpegFileWithListChunk) {
    REQUIRE_TOOL("ffmpeg");
    const QString path = Generate("list.wav", {});
    ReadAllMatchingFfmpeg(path);
    EXPECT_GT(wave.dataOffset, 44);
    EXPECT_EQ(wave.sampleCount, 2 * 22050);
    EXPECT_EQ(wave.dataOffset + wave.dataBytes, wave.fileSize);
}

// Broadcast WAV: a bext chunk of more than 512 bytes before the data.
TEST_F(RealFilesTest, FfmpegBroadcastWave) {
    REQUIRE_TOOL("ffmpeg");
    for (const QStringList &extra :
         {QStringList{"-write_bext", "1", "-f", "wav"},
          QStringList{"-write_bext", "1", "-rf64", "never", "-f", "wav"}}) {
        SCOPED_TRACE(extra.join(' ').toStdString());
        const QString path = Generate("bext.wav", extra);
        ReadAllMatchingFfmpeg(path);
        EXPECT_GT(wave.dataOffset, 44 + 512);
        EXPECT_EQ(wave.sampleCount, 2 * 22050);
    }
}

// With -rf64 auto, ffmpeg keeps room for an RF64 header in a JUNK chunk that
// stands before the format chunk.
TEST_F(RealFilesTest, FfmpegFileReadyForRf64) {
    REQUIRE_TOOL("ffmpeg");
    for (const QStringList &extra :
         {QStringList{"-rf64", "auto"}, QStringList{"-rf64", "auto", "-write_bext", "1"}}) {
        SCOPED_TRACE(extra.join(' ').toStdString());
        const QString path = Generate("rf64.wav", extra);
        ReadAllMatchingFfmpeg(path);
        EXPECT_EQ(wave.formatOffset, 12 + 8 + 28);
        EXPECT_EQ(wave.sampleCount, 2 * 22050);
    }
}

TEST_F(RealFilesTest, ToolsReadOurOutputHeaders) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("sox");
    const QString input = Generate("bext.wav", {"-write_bext", "1", "-f", "wav"});
    std::vector<int16_t> values = ReadAllMatchingFfmpeg(input);
    values.resize(values.size() - 1000); // as after a stop
    const QString out = WriteOutput(values);
    const RunResult soxi = RunTool("soxi", {"-V1", "-s", out});
    EXPECT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    EXPECT_EQ(soxi.out.trimmed().toLong(), long(values.size() / 2));
    EXPECT_TRUE(soxi.err.isEmpty()) << soxi.err.toStdString();
    const RunResult probe = RunTool("ffprobe", {"-v", "warning", out});
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_TRUE(probe.err.isEmpty()) << probe.err.toStdString();
    EXPECT_EQ(DecodedByFfmpeg(out), values);
}

// The pad byte after an odd format body is what RIFF readers need to find the
// data chunk. (sox does not honour that pad, so only ffmpeg is asked here.)
TEST_F(RealFilesTest, FfmpegReadsOutputWithOddFormatBody) {
    REQUIRE_TOOL("ffmpeg");
    testwav::Layout l;
    l.fmtSize = 19;
    const std::vector<int16_t> values{1, -1, 300, -300, 32767, -32768};
    const QString input = dir.filePath("odd.wav");
    testwav::WriteFile(input.toStdString(), testwav::MakeWav(values, l));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, input, messages));
    const QString out = WriteOutput(values);
    const RunResult probe = RunTool("ffprobe", {"-v", "warning", out});
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_TRUE(probe.err.isEmpty()) << probe.err.toStdString();
    EXPECT_EQ(DecodedByFfmpeg(out), values);
}

} // namespace
