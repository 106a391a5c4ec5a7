#include "wavefile/CarriedChunks.h"

#include "wavefile/ByteOrder.h"
#include "wavefile/WaveFile.h"

#include <algorithm>

namespace {

// A bext chunk's description, originator, dates, time reference, version,
// UMID, loudness values and reserved bytes; the coding history follows.
constexpr size_t kBextFixedBytes = 602;

// A second format or data chunk would mislead the output's readers; the
// others describe the input's samples.
bool StaysBehind(const uint8_t *id) {
    for (const char *upper : {"FMT ", "DATA", "PEAK", "LEVL", "MD5 "})
        if (IdIs(id, upper))
            return true;
    return false;
}

// Collects the chunks of one walk, in order.
class Collector {
public:
    Collector(const FileHandle &file, const WaveFile &wave)
        : file_(file), wave_(wave), dataHeader_(int64_t{wave.dataOffset} - kChunkHeaderBytes) {}

    // One chunk of the walk; true ends it.
    bool Visit(const DataChunkLocation &c) {
        if (c.headerOffset == dataHeader_) {
            afterData_ = true; // the walk steps over the samples by the data size
            return false;
        }
        if (c.headerOffset == wave_.formatOffset)
            return false;
        const int64_t size = ReadLe32(c.header.data() + 4);
        const int64_t end = c.headerOffset + kChunkHeaderBytes + size;
        if (afterData_ ? end > wave_.fileSize
                       : c.headerOffset > dataHeader_ || end + (size & 1) > dataHeader_)
            return true;
        if (StaysBehind(c.header.data()))
            return false;
        RiffChunk chunk;
        std::copy_n(c.header.begin(), 4, chunk.id.begin());
        chunk.body.resize(size_t(size));
        if (file_.readAt(c.headerOffset + kChunkHeaderBytes, chunk.body.data(), size) != size) {
            failed_ = true;
            return true;
        }
        (afterData_ ? carried_.afterData : carried_.beforeData).push_back(std::move(chunk));
        return false;
    }

    std::optional<CarriedChunks> Result() {
        if (failed_)
            return std::nullopt;
        return std::move(carried_);
    }

private:
    const FileHandle &file_;
    const WaveFile &wave_;
    const int64_t dataHeader_;
    CarriedChunks carried_;
    bool afterData_ = false;
    bool failed_ = false;
};

void AppendHistoryLine(std::vector<uint8_t> &bext, const QByteArray &line) {
    // Writers may pad the history with NULs; the line goes after its text.
    while (bext.size() > kBextFixedBytes && bext.back() == 0)
        bext.pop_back();
    if (bext.size() > kBextFixedBytes && bext.back() != '\n') {
        bext.push_back('\r');
        bext.push_back('\n');
    }
    bext.insert(bext.end(), line.begin(), line.end());
    bext.push_back('\r');
    bext.push_back('\n');
}

} // namespace

std::vector<uint8_t> ChunkBytes(const std::vector<RiffChunk> &chunks) {
    std::vector<uint8_t> bytes;
    for (const RiffChunk &c : chunks) {
        uint8_t size[4];
        WriteLe32(size, uint32_t(c.body.size()));
        bytes.insert(bytes.end(), c.id.begin(), c.id.end());
        bytes.insert(bytes.end(), size, size + 4);
        bytes.insert(bytes.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1)
            bytes.push_back(0);
    }
    return bytes;
}

std::optional<CarriedChunks> ReadCarriedChunks(const FileHandle &file, const WaveFile &wave) {
    Collector collector(file, wave);
    WalkChunks(file, wave.fileSize, kFirstChunkOffset,
               [&collector](const DataChunkLocation &c) { return collector.Visit(c); });
    return collector.Result();
}

void AppendCodingHistory(CarriedChunks &chunks, const QByteArray &line) {
    for (auto *list : {&chunks.beforeData, &chunks.afterData})
        for (RiffChunk &c : *list)
            if (IdIs(c.id.data(), "BEXT") && c.body.size() >= kBextFixedBytes)
                AppendHistoryLine(c.body, line);
}
