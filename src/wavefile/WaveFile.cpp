#include "wavefile/WaveFile.h"

#include "wavefile/ByteOrder.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kRiffHeaderBytes = 20; // RIFF id, RIFF size, WAVE, fmt id, fmtSize
constexpr int32_t kMinFormatBytes = 16;  // tag through bits per sample
constexpr int64_t kFallbackScanBytes = 512;
// The per-file fields are signed 32-bit, so a larger file cannot be described.
constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
// Values per read in ReadSamples, so a long run needs no buffer of its own size.
constexpr int64_t kReadPieceValues = 32768;

std::optional<DataChunkLocation> ReadChunkHeader(const FileHandle &file, int64_t offset) {
    DataChunkLocation chunk;
    chunk.headerOffset = offset;
    if (file.readAt(offset, chunk.header.data(), kChunkHeaderBytes) != kChunkHeaderBytes)
        return std::nullopt;
    return chunk;
}

// For files whose chunk sizes do not add up: look for the id every 4 bytes
// within the first 512 bytes after the format body.
std::optional<DataChunkLocation> ScanForDataId(const FileHandle &file, int64_t fileSize,
                                               int64_t formatEnd) {
    const int64_t limit = std::min(fileSize - formatEnd, kFallbackScanBytes);
    for (int64_t offset = 0; offset < limit; offset += 4) {
        auto chunk = ReadChunkHeader(file, formatEnd + offset);
        if (chunk && IdIs(chunk->header.data(), "DATA"))
            return chunk;
    }
    return std::nullopt;
}

// The first chunk is the format chunk when it says so, or when its body starts
// with the PCM tag whatever its id: such files have always been read.
bool FirstChunkIsFormat(const FileHandle &file, const WaveHeader &h) {
    uint8_t tag[2] = {};
    return IdIs(h.riff.data() + 12, "FMT ") ||
           (file.readAt(kRiffHeaderBytes, tag, 2) == 2 && ReadLe16(tag) == 1);
}

// A format chunk behind another first chunk (a broadcast wave's bext, the
// JUNK that reserves room for an RF64 header), before the data.
std::optional<DataChunkLocation> FindLaterFormat(const FileHandle &file, int64_t fileSize) {
    const auto chunk = WalkChunks(
        file, fileSize, kFirstChunkOffset, [](const DataChunkLocation &c) {
            return IdIs(c.header.data(), "FMT ") || IdIs(c.header.data(), "DATA");
        });
    if (chunk && IdIs(chunk->header.data(), "FMT "))
        return chunk;
    return std::nullopt;
}

// Reads the RIFF header and the format body; gives the format chunk's offset.
// fmtSize is bounded by the file before anything is allocated for it.
std::optional<int64_t> ReadFormat(const FileHandle &file, int64_t fileSize, WaveHeader &h) {
    if (file.readAt(0, h.riff.data(), kRiffHeaderBytes) != kRiffHeaderBytes)
        return std::nullopt;
    if (!IdIs(h.riff.data(), "RIFF") || !IdIs(h.riff.data() + 8, "WAVE"))
        return std::nullopt;
    int64_t formatOffset = kFirstChunkOffset;
    if (!FirstChunkIsFormat(file, h)) {
        if (const auto later = FindLaterFormat(file, fileSize)) {
            formatOffset = later->headerOffset;
            std::copy(later->header.begin(), later->header.end(), h.riff.begin() + 12);
        }
    }
    const int64_t bodyOffset = formatOffset + kChunkHeaderBytes;
    const int32_t fmtSize = h.fmtSize();
    if (fmtSize < kMinFormatBytes || fmtSize > fileSize - bodyOffset)
        return std::nullopt;
    h.formatBody.resize(size_t(fmtSize));
    if (file.readAt(bodyOffset, h.formatBody.data(), fmtSize) != fmtSize)
        return std::nullopt;
    return formatOffset;
}

} // namespace

int32_t WaveHeader::fmtSize() const {
    return int32_t(ReadLe32(riff.data() + 16));
}

uint32_t WaveHeader::sampleRate() const {
    return formatBody.size() >= 8 ? ReadLe32(formatBody.data() + 4) : 0;
}

int32_t WaveHeader::dataSize() const {
    return int32_t(ReadLe32(dataHeader.data() + 4));
}

void WaveHeader::setDataSize(int32_t bytes) {
    WriteLe32(dataHeader.data() + 4, uint32_t(bytes));
}

void WaveHeader::setRiffSize(uint32_t bytes) {
    WriteLe32(riff.data() + 4, bytes);
}

int32_t DataChunkLocation::size() const {
    return int32_t(ReadLe32(header.data() + 4));
}

std::optional<DataChunkLocation> WalkChunks(const FileHandle &file, int64_t fileSize, int64_t pos,
                                            const ChunkVisitor &stopAt) {
    while (pos >= 0 && pos + kChunkHeaderBytes <= fileSize) {
        auto chunk = ReadChunkHeader(file, pos);
        if (!chunk)
            return std::nullopt;
        if (stopAt(*chunk))
            return chunk;
        const int64_t body = ReadLe32(chunk->header.data() + 4);
        pos += kChunkHeaderBytes + body + (body & 1);
    }
    return std::nullopt;
}

std::optional<DataChunkLocation> FindDataChunk(const FileHandle &file, int64_t fileSize,
                                               int64_t formatBodyOffset, int32_t fmtSize) {
    if (fileSize < 0 || fmtSize < 0)
        return std::nullopt;
    const int64_t formatEnd = formatBodyOffset + fmtSize;
    if (auto chunk =
            WalkChunks(file, fileSize, formatEnd + (fmtSize & 1),
                       [](const DataChunkLocation &c) { return IdIs(c.header.data(), "DATA"); }))
        return chunk;
    return ScanForDataId(file, fileSize, formatEnd);
}

uint16_t ParsedWave::formatTag() const {
    return ReadLe16(header.formatBody.data());
}

uint16_t ParsedWave::channels() const {
    return ReadLe16(header.formatBody.data() + 2);
}

uint16_t ParsedWave::bitsPerSample() const {
    return ReadLe16(header.formatBody.data() + 14);
}

std::optional<ParsedWave> ParseWave(const FileHandle &file) {
    const int64_t size = file.size();
    if (size < 0 || size > kMaxFileSize)
        return std::nullopt;
    ParsedWave w;
    const std::optional<int64_t> formatOffset = ReadFormat(file, size, w.header);
    if (!formatOffset)
        return std::nullopt;
    const auto data =
        FindDataChunk(file, size, *formatOffset + kChunkHeaderBytes, w.header.fmtSize());
    if (!data)
        return std::nullopt;
    const int32_t declared = data->size();
    const int64_t offset = data->headerOffset + kChunkHeaderBytes;
    // A size of 2^31 or more reads as negative: no such file fits the fields.
    if (declared < 0 || offset + declared > size)
        return std::nullopt;
    w.header.dataHeader = data->header;
    w.fileSize = int32_t(size);
    w.formatOffset = int32_t(*formatOffset);
    w.dataOffset = int32_t(offset);
    w.dataBytes = declared;
    return w;
}

bool WaveFile::ReadWaveHeader(const FileHandle &file) {
    std::optional<ParsedWave> w = ParseWave(file);
    // The engine works on 16-bit stereo PCM only.
    if (!w || w->formatTag() != 1 || w->channels() != 2 || w->bitsPerSample() != 16)
        return false;
    bytesPerSample = w->bitsPerSample() / 8;
    channelCount = w->channels();
    header = std::move(w->header);
    fileSize = w->fileSize;
    formatOffset = w->formatOffset;
    dataOffset = w->dataOffset;
    dataBytes = w->dataBytes;
    sampleCount = dataBytes / bytesPerSample;
    return true;
}

SamplesRead WaveFile::ReadSamples(int32_t start, int32_t count, const QString &path,
                                  int16_t *dest) const {
    const FileHandle file = FileHandle::OpenRead(path);
    if (!file.isOpen())
        return SamplesRead{0, file.failure()};
    if (start < 0 || bytesPerSample != 2)
        return SamplesRead{};
    const int64_t left = (int64_t(dataBytes) - int64_t(start) * bytesPerSample) / bytesPerSample;
    const int64_t wanted = std::min<int64_t>(count, left);
    int64_t done = 0;
    std::vector<uint8_t> buffer(size_t(std::clamp<int64_t>(wanted, 0, kReadPieceValues) * 2));
    uint8_t *bytes = buffer.data();
    while (done < wanted) {
        const int64_t piece = std::min(wanted - done, kReadPieceValues);
        const int64_t pos = dataOffset + (int64_t(start) + done) * bytesPerSample;
        const int64_t got = file.readAt(pos, bytes, piece * 2) / 2;
        for (int64_t i = 0; i < got; ++i)
            dest[done + i] = int16_t(ReadLe16(bytes + 2 * i));
        done += std::max<int64_t>(got, 0);
        if (got < piece)
            break; // the file shrank since its header was read
    }
    return SamplesRead{int32_t(done)};
}

std::vector<uint8_t> OutputHeaderBytes(const WaveHeader &header, int64_t dataBytesWritten,
                                       const CarriedChunks &carried) {
    const int32_t fmtSize = header.fmtSize();
    if (fmtSize < kMinFormatBytes || header.formatBody.size() != size_t(fmtSize) ||
        dataBytesWritten < 0 || dataBytesWritten > std::numeric_limits<int32_t>::max())
        return {};
    const std::vector<uint8_t> before = ChunkBytes(carried.beforeData);
    // The RIFF size counts the chunks written: the format chunk (with its
    // body's pad byte), the carried ones and the data with what follows it.
    const int64_t pad = fmtSize & 1;
    const int64_t riffSize = 4 + kChunkHeaderBytes + fmtSize + pad + int64_t(before.size()) +
                             kChunkHeaderBytes + dataBytesWritten +
                             int64_t(TrailerBytes(carried, dataBytesWritten).size());
    if (riffSize > std::numeric_limits<uint32_t>::max())
        return {};
    WaveHeader h = header;
    // The input may spell its ids in lower case or name its format chunk
    // oddly; the output is our file, and other programs only read the
    // standard spelling.
    std::copy_n("RIFF", 4, h.riff.begin());
    std::copy_n("WAVEfmt ", 8, h.riff.begin() + 8);
    std::copy_n("data", 4, h.dataHeader.begin());
    h.setDataSize(int32_t(dataBytesWritten));
    h.setRiffSize(uint32_t(riffSize));
    std::vector<uint8_t> bytes(h.riff.begin(), h.riff.end());
    bytes.insert(bytes.end(), h.formatBody.begin(), h.formatBody.end());
    if (pad)
        bytes.push_back(0);
    bytes.insert(bytes.end(), before.begin(), before.end());
    bytes.insert(bytes.end(), h.dataHeader.begin(), h.dataHeader.end());
    return bytes;
}

std::vector<uint8_t> TrailerBytes(const CarriedChunks &carried, int64_t dataBytesWritten) {
    if (carried.afterData.empty())
        return {};
    std::vector<uint8_t> bytes = ChunkBytes(carried.afterData);
    if (dataBytesWritten & 1)
        bytes.insert(bytes.begin(), 0);
    return bytes;
}

bool WaveFile::WriteWaveHeader(FileHandle &out, int64_t dataBytesWritten,
                               const CarriedChunks &carried) const {
    const std::vector<uint8_t> bytes = OutputHeaderBytes(header, dataBytesWritten, carried);
    return !bytes.empty() && out.write(bytes.data(), int64_t(bytes.size()));
}

bool HasWaveExtension(const QString &path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && path.mid(dot, 4).toLower() == QLatin1String(".wav");
}
