// Outputs that carry their input's other chunks: which chunks, in which
// order and place, with which bytes; the coding-history line of a repair; the
// header of an output cut short; and outputs without the request as before.

#include "ProgramVersion.h"
#include "support/RunnerFixture.h"
#include "support/TestWav.h"
#include "wavefile/ByteOrder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using testwav::ChunkBytes;
using testwav::Layout;

using Chunk = std::pair<std::string, std::string>; // id and body

// The chunks of a file this program wrote, which must make up the file and
// its RIFF size.
std::vector<Chunk> ChunksOf(const std::string &file) {
    const std::vector<Chunk> chunks = testwav::ChunksOf(file);
    std::string whole = file.substr(0, 12);
    for (const auto &[id, body] : chunks)
        whole += ChunkBytes(id, body);
    EXPECT_EQ(whole, file);
    EXPECT_EQ(ReadLe32(reinterpret_cast<const uint8_t *>(file.data() + 4)), file.size() - 8);
    return chunks;
}

std::vector<std::string> IdsOf(const std::vector<Chunk> &chunks) {
    std::vector<std::string> ids;
    for (const Chunk &c : chunks)
        ids.push_back(c.first);
    return ids;
}

std::string BodyOf(const std::vector<Chunk> &chunks, const std::string &id) {
    for (const Chunk &c : chunks)
        if (c.first == id)
            return c.second;
    return {};
}

// A bext body: a description, the other fixed fields empty, then history.
std::string Bext(const std::string &history) {
    std::string body = "Reel 7";
    body.resize(602, '\0');
    return body + history;
}

const std::string kHistory = "A=ANALOGUE,M=stereo,T=Studer A80\r\nA=PCM,F=44100,W=16,M=stereo\r\n";
const std::string kRepairLine =
    std::string("A=PCM,F=44100,W=16,M=stereo,T=Norvatel ") + kProgramVersion + " click removal\r\n";

// A tone with two clicks, so the repair changes some samples.
std::vector<int16_t> Signal(int32_t frames) {
    std::vector<int16_t> values = testwav::TwoTones(frames);
    values[2000] = values[7001] = 20000;
    return values;
}

class KeepChunksTest : public PassFixture {
protected:
    // The output of a removal pass over bytes, with or without the input's
    // chunks; each pass its own output, as the run's outputs are never replaced.
    std::string Remove(const std::string &bytes, bool keepChunks) {
        UseInput("in.wav", bytes, QStringLiteral("out%1.wav").arg(++outputs_));
        run.request().keepChunks = keepChunks;
        EXPECT_EQ(run.RemovePass(), Status::OK);
        return Output();
    }

private:
    int outputs_ = 0;
};

using Chunks = std::vector<std::pair<std::string, std::string>>;
const std::string kList = "INFOINAM\4\0\0\0Take"s;

struct CarryCase {
    const char *name;
    Chunks beforeFormat, beforeData;
    std::string trailing;
    std::vector<std::string> ids;      // the output's chunks, in order
    size_t sizeRunningPastTheFile = 0; // a chunk size field to break
};

std::vector<CarryCase> CarryCases() {
    return {
        {"bext and LIST between format and data",
         {},
         {{"bext", Bext(kHistory)}, {"LIST", kList}},
         {},
         {"fmt ", "bext", "LIST", "data"}},
        {"bext before the format chunk goes after it",
         {{"bext", Bext(kHistory)}},
         {{"LIST", kList}},
         {},
         {"fmt ", "bext", "LIST", "data"}},
        {"chunks describing the samples stay behind",
         {},
         {{"PEAK", std::string(24, 'p')},
          {"iXML", "<BWFXML/>"},
          {"levl", std::string(40, 'l')},
          {"md5 ", std::string(16, 'm')},
          {"cue ", std::string(28, 'c')}},
         {},
         {"fmt ", "iXML", "cue ", "data"}},
        {"chunks after the data follow the samples, odd ones padded",
         {},
         {{"JUNK", std::string(28, '\0')}},
         ChunkBytes("id3 ", "ID3 tag") + ChunkBytes("LIST", kList + 'x'),
         {"fmt ", "JUNK", "data", "id3 ", "LIST"}},
        {"where the sizes stop adding up, only the chunks before are carried",
         {},
         {{"LIST", "INFOabcd"}, {"junk", "1234"}},
         {},
         {"fmt ", "LIST", "data"},
         56},
    };
}

TEST_F(KeepChunksTest, CarriesTheInputsChunksInOrder) {
    for (const CarryCase &c : CarryCases()) {
        SCOPED_TRACE(c.name);
        Layout l;
        l.chunksBeforeFormat = c.beforeFormat;
        l.chunksBeforeData = c.beforeData;
        l.trailing = c.trailing;
        std::string input = testwav::MakeWav(Signal(5000), l);
        if (c.sizeRunningPastTheFile)
            input.replace(c.sizeRunningPastTheFile, 4, "\0\0\xff\x7f", 4);
        const std::string kept = Remove(input, true);
        const std::string plain = Remove(input, false);
        const std::vector<Chunk> chunks = ChunksOf(kept);
        EXPECT_EQ(IdsOf(chunks), c.ids);
        // Without the request the output holds the format and data only, as before.
        EXPECT_EQ(IdsOf(ChunksOf(plain)), (std::vector<std::string>{"fmt ", "data"}));
        EXPECT_EQ(plain.size(), 44 + Signal(5000).size() * 2);
        EXPECT_EQ(BodyOf(chunks, "data"), plain.substr(44));
        EXPECT_EQ(BodyOf(chunks, "fmt "), plain.substr(20, 16));
        for (const auto &[id, body] : chunks) {
            if (id == "bext") {
                EXPECT_EQ(body, Bext(kHistory + kRepairLine));
            } else if (id != "data" && id != "fmt ") {
                EXPECT_NE(input.find(ChunkBytes(id, body)), std::string::npos)
                    << id << " is not the input's";
            }
        }
    }
}

struct HistoryCase {
    const char *name;
    std::string body;
    std::string expected;
};

TEST(CodingHistoryTest, AppendsOneLineAfterTheText) {
    const std::string line = "A=PCM,F=8000,W=16,M=stereo,T=x";
    const std::vector<HistoryCase> cases = {
        {"history ending in CR LF", Bext("A=PCM\r\n"), Bext("A=PCM\r\n" + line + "\r\n")},
        {"history without a line end", Bext("A=PCM"), Bext("A=PCM\r\n" + line + "\r\n")},
        {"history padded with NULs", Bext(std::string("A=PCM\r\n\0\0\0", 10)),
         Bext("A=PCM\r\n" + line + "\r\n")},
        {"no history", Bext(""), Bext(line + "\r\n")},
        {"bext too short for its fixed fields", std::string(100, 'd'), std::string(100, 'd')},
    };
    for (const HistoryCase &c : cases) {
        SCOPED_TRACE(c.name);
        CarriedChunks carried;
        carried.afterData.push_back({{'b', 'e', 'x', 't'}, {c.body.begin(), c.body.end()}});
        carried.afterData.push_back({{'L', 'I', 'S', 'T'}, {c.body.begin(), c.body.end()}});
        AppendCodingHistory(carried, QByteArray::fromStdString(line));
        const auto &chunks = carried.afterData;
        EXPECT_EQ(std::string(chunks[0].body.begin(), chunks[0].body.end()), c.expected);
        EXPECT_EQ(std::string(chunks[1].body.begin(), chunks[1].body.end()), c.body);
    }
}

// A stopped pass leaves a file whose sizes describe what it holds: the values
// written, then the chunks that followed the input's data.
TEST_F(KeepChunksTest, StoppedOutputKeepsATruthfulHeader) {
    testwav::Layout l;
    l.chunksBeforeData = {{"bext", Bext(kHistory)}};
    l.trailing = ChunkBytes("LIST", "INFOICMT\3\0\0\0ab\0"s);
    UseInput("in.wav", testwav::MakeWav(Signal(200000), l));
    run.request().keepChunks = true;
    port.onPump = [this](int pump) {
        if (pump == 1)
            stop.raise();
    };
    ASSERT_EQ(run.RemovePass(), Status::Abort);
    const std::vector<Chunk> chunks = ChunksOf(Output());
    EXPECT_EQ(IdsOf(chunks), (std::vector<std::string>{"fmt ", "bext", "data", "LIST"}));
    EXPECT_EQ(BodyOf(chunks, "data").size(), size_t(kBlockValues) * 2);
}

} // namespace
