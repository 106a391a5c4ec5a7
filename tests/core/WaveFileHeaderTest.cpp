// Header validation: which files are accepted, and where their samples start.

#include "support/ScriptedMessages.h"
#include "support/TestWav.h"
#include "batch/FileMessages.h"
#include "wavefile/WaveFile.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using testwav::Layout;
using testwav::MakeWavBytes;

namespace {

const std::string kTwentyBytes(20, '\x11'); // five stereo frames of sample bytes

std::string WithLayout(const std::function<void(Layout &)> &edit,
                       const std::string &data = kTwentyBytes) {
    Layout l;
    edit(l);
    return MakeWavBytes(data, l);
}

// Overwrites bytes at offset, for headers the builder cannot describe.
std::string Patched(std::string bytes, size_t offset, const std::string &with) {
    return bytes.replace(offset, with.size(), with);
}

std::string LE32(uint32_t value) {
    std::string out;
    testwav::PutLE(out, value, 4);
    return out;
}

// A cue chunk with one cue point; every cue point names the chunk it points
// into, so the id "data" appears inside the chunk body.
std::string CueBody() {
    return LE32(1) + LE32(1) + LE32(0) + "data" + LE32(0) + LE32(0) + LE32(0);
}

struct HeaderCase {
    const char *name;
    std::function<std::string()> make;
    bool accepted;
    int32_t dataOffset = 0;
    int32_t sampleCount = 0;
};

// A broadcast wave's bext body: the fixed fields (a description only), then
// a coding history of odd length.
std::string Bext() {
    std::string body = "Reel 7";
    body.resize(602, '\0');
    return body + "A=PCM,F=44100,W=16,M=stereo,T=Tape transfer\r\n";
}
const int32_t kBextChunkBytes = 8 + 602 + 45 + 1;

std::string StereoFormatBody() {
    return MakeWavBytes("").substr(20, 16);
}

std::string MonoFormatBody() {
    Layout mono;
    mono.channels = 1;
    return MakeWavBytes("", mono).substr(20, 16);
}

std::vector<HeaderCase> HeaderCases() {
    auto std44 = [] { return WithLayout([](Layout &) {}); };
    auto first = [](std::string id, std::string body) {
        return [id, body](Layout &l) { l.chunksBeforeFormat = {{id, body}}; };
    };
    auto chunk = [](std::string id, size_t body) {
        return [id, body](Layout &l) { l.chunksBeforeData = {{id, std::string(body, 'x')}}; };
    };
    return {
        {"standard 44-byte header", std44, true, 44, 10},
        {"18-byte format body", [] { return WithLayout([](Layout &l) { l.fmtSize = 18; }); }, true,
         46, 10},
        {"24-byte chunk before data", [=] { return WithLayout(chunk("junk", 16)); }, true, 68, 10},
        {"26-byte chunk before data", [=] { return WithLayout(chunk("junk", 18)); }, true, 70, 10},
        {"odd chunk with pad byte before data", [=] { return WithLayout(chunk("LIST", 33)); }, true,
         44 + 8 + 34, 10},
        {"bext chunk longer than 512 bytes", [=] { return WithLayout(chunk("bext", 602)); }, true,
         44 + 8 + 602, 10},
        {"lower-case ids", [] { return WithLayout([](Layout &l) { l.lowerCaseIds = true; }); },
         true, 44, 10},
        {"format chunk id is not examined", [=] { return Patched(std44(), 12, "abcd"); }, true, 44,
         10},
        {"odd format size with pad byte",
         [] { return WithLayout([](Layout &l) { l.fmtSize = 17; }); }, true, 46, 10},
        {"odd format size without pad byte: found by the 4-byte search",
         [] { return WithLayout([](Layout &l) { l.fmtSize = 17; }).erase(37, 1); }, true, 45, 10},
        {"cue chunk naming the data chunk comes first",
         [] { return WithLayout([](Layout &l) {
                  l.chunksBeforeData = {{"cue ", CueBody()}};
              }); },
         true, 44 + 8 + 28, 10},
        {"chunk size running past the file: found by the 4-byte search",
         [] {
             return Patched(WithLayout([](Layout &l) {
                                l.chunksBeforeData = {{"junk", "1234"}};
                            }),
                            40, LE32(0x7fff0000));
         },
         true, 56, 10},
        {"trailing chunks after the data",
         [] { return WithLayout([](Layout &l) { l.trailing = "LIST" + LE32(4) + "INFO"; }); }, true,
         44, 10},
        {"odd data size drops the last byte", [] { return WithLayout([](Layout &) {}, "abcde"); },
         true, 44, 2},
        {"empty data chunk", [] { return WithLayout([](Layout &) {}, ""); }, true, 44, 0},
        {"data one byte short",
         [] { return WithLayout([](Layout &l) { l.declaredDataSize = 21; }); }, false},
        {"data size of 2^31 or more",
         [] { return WithLayout([](Layout &l) { l.declaredDataSize = INT32_MIN; }); }, false},
        {"mono", [] { return WithLayout([](Layout &l) { l.channels = 1; }); }, false},
        {"8-bit", [] { return WithLayout([](Layout &l) { l.bits = 8; }); }, false},
        {"24-bit", [] { return WithLayout([](Layout &l) { l.bits = 24; }); }, false},
        {"float", [] { return WithLayout([](Layout &l) { l.formatTag = 3; }); }, false},
        {"extensible",
         [] {
             return WithLayout([](Layout &l) {
                 l.formatTag = 65534;
                 l.fmtSize = 40;
             });
         },
         false},
        {"bext chunk before the format chunk", [=] { return WithLayout(first("bext", Bext())); },
         true, 12 + kBextChunkBytes + 24 + 8, 10},
        {"JUNK before the format chunk, as an RF64-ready writer leaves it",
         [=] { return WithLayout(first("JUNK", std::string(28, '\0'))); }, true, 12 + 36 + 24 + 8,
         10},
        {"odd chunk with pad byte before the format chunk",
         [=] { return WithLayout(first("LIST", std::string(33, 'i'))); }, true, 12 + 42 + 24 + 8,
         10},
        {"upper-case FMT id after another chunk",
         [=] { return Patched(WithLayout(first("JUNK", "1234")), 24, "FMT "); }, true, 56, 10},
        // Such a file has always been read from its first chunk.
        {"first chunk with the PCM tag under another id, a mono fmt chunk after it",
         [] {
             return Patched(WithLayout([](Layout &l) {
                                l.chunksBeforeData = {{"fmt ", MonoFormatBody()}};
                            }),
                            12, "abcd");
         },
         true, 12 + 24 + 24 + 8, 10},
        {"bext before a mono format chunk",
         [=] {
             return WithLayout([=](Layout &l) {
                 first("bext", Bext())(l);
                 l.channels = 1;
             });
         },
         false},
        {"bext first and no fmt chunk",
         [=] { return Patched(WithLayout(first("bext", Bext())), 12 + kBextChunkBytes, "abcd"); },
         false},
        {"bext first and the fmt chunk after the data",
         [] {
             const std::string chunks = testwav::ChunkBytes("bext", Bext()) +
                                        testwav::ChunkBytes("data", kTwentyBytes) +
                                        testwav::ChunkBytes("fmt ", StereoFormatBody());
             return "RIFF" + LE32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
         },
         false},
        {"not RIFF", [=] { return Patched(std44(), 0, "RIFX"); }, false},
        {"not WAVE", [=] { return Patched(std44(), 8, "AVI "); }, false},
        {"format size below 16", [=] { return Patched(std44(), 16, LE32(14)); }, false},
        {"negative format size", [=] { return Patched(std44(), 16, LE32(0x80000010)); }, false},
        {"format size past the end of the file", [=] { return Patched(std44(), 16, LE32(100)); },
         false},
        {"no data chunk", [=] { return Patched(std44(), 36, "junk"); }, false},
        {"data chunk beyond 512 bytes with a broken chunk size",
         [] {
             return Patched(WithLayout([](Layout &l) {
                                l.chunksBeforeData = {{"junk", std::string(600, 'x')}};
                            }),
                            40, LE32(0x7fff0000));
         },
         false},
    };
}

class WaveHeaderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages messages;
    WaveFile wave;

    QString Write(const std::string &bytes, const QString &name = "in.wav") {
        const QString path = dir.filePath(name);
        testwav::WriteFile(path.toStdString(), bytes);
        return path;
    }
};

TEST_F(WaveHeaderTest, AcceptsAndRejectsLikeTheTable) {
    for (const HeaderCase &c : HeaderCases()) {
        SCOPED_TRACE(c.name);
        const std::string bytes = c.make();
        WaveFile w;
        ASSERT_EQ(ReadWaveHeaderOrTell(w, Write(bytes), messages), c.accepted);
        if (!c.accepted)
            continue;
        EXPECT_EQ(w.dataOffset, c.dataOffset);
        EXPECT_EQ(w.sampleCount, c.sampleCount);
        EXPECT_EQ(w.dataBytes, w.sampleCount * 2 + (w.dataBytes % 2));
        EXPECT_EQ(w.fileSize, int32_t(bytes.size()));
        EXPECT_EQ(w.bytesPerSample, 2);
        EXPECT_EQ(w.channelCount, 2);
        EXPECT_EQ(w.header.formatBody.size(), size_t(w.header.fmtSize()));
        EXPECT_EQ(std::string(w.header.formatBody.begin(), w.header.formatBody.end()),
                  bytes.substr(size_t(w.formatOffset) + 8, size_t(w.header.fmtSize())));
        EXPECT_EQ(w.header.dataSize(), w.dataBytes);
    }
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(WaveHeaderTest, RejectsEveryTruncationAndJunkWithoutAMessage) {
    const std::string valid = MakeWavBytes(kTwentyBytes);
    for (size_t length = 0; length < valid.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(ReadWaveHeaderOrTell(wave, Write(valid.substr(0, length)), messages));
    }
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        std::string junk(random() % 300, '\0');
        for (char &c : junk)
            c = char(random());
        if (i % 2) // keep the ids right so the rest of the header gets tried
            junk = valid.substr(0, 12) + junk;
        WaveFile w;
        if (ReadWaveHeaderOrTell(w, Write(junk), messages)) {
            EXPECT_LE(int64_t(w.dataOffset) + w.dataBytes, w.fileSize);
            EXPECT_GE(w.dataBytes, 0);
        }
    }
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(WaveHeaderTest, OpenFailureShowsTheNotice) {
    EXPECT_FALSE(ReadWaveHeaderOrTell(wave, dir.filePath("missing.wav"), messages));
    EXPECT_FALSE(ReadWaveHeaderOrTell(wave, dir.path(), messages)); // a folder is no input
    EXPECT_EQ(messages.notices,
              QStringList(2, QString::fromUtf8("ファイルのオープンに失敗しました。")));
}

// The fields are 32-bit: a file of 2^31 bytes or more cannot be described.
TEST_F(WaveHeaderTest, FileSizeMustFitThirtyTwoBits) {
    const QString path = Write(MakeWavBytes(kTwentyBytes));
    ASSERT_EQ(truncate(path.toLocal8Bit().constData(), INT32_MAX), 0);
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, path, messages));
    EXPECT_EQ(wave.fileSize, INT32_MAX);
    ASSERT_EQ(truncate(path.toLocal8Bit().constData(), int64_t(INT32_MAX) + 1), 0);
    EXPECT_FALSE(ReadWaveHeaderOrTell(wave, path, messages));
}

TEST_F(WaveHeaderTest, FindDataChunkReportsTheHeaderItFound) {
    const QString path = Write(WithLayout([](Layout &l) {
        l.chunksBeforeData = {{"LIST", std::string(26, 'i')}};
    }));
    FileHandle file = FileHandle::OpenRead(path);
    ASSERT_TRUE(file.isOpen());
    const auto found = FindDataChunk(file, file.size(), 20, 16);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->headerOffset, 70);
    EXPECT_EQ(std::string(found->header.begin(), found->header.begin() + 4), "data");
    EXPECT_EQ(found->size(), 20);
    EXPECT_FALSE(FindDataChunk(file, 40, 20, 16).has_value()); // bounded by the size given
}

} // namespace
