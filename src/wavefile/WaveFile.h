#pragma once
// The WAV format: validating the input header (RIFF WAVE, PCM, 16 bits, two
// channels), the measurements of the current file, reading runs of samples and
// writing output headers. Reads say what went wrong; they tell the user nothing.
//
// Positions: a value index counts 16-bit values of the interleaved stream from
// the first value of the data chunk (left values at even indices); a frame is
// one left and one right value.

#include "filesystem/FileHandle.h"
#include "wavefile/CarriedChunks.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// A RIFF file's layout: its first chunk's header follows the RIFF id, the
// RIFF size and the form type; a chunk header is its id and body size.
inline constexpr int64_t kFirstChunkOffset = 12;
inline constexpr int64_t kChunkHeaderBytes = 8;

// The header of the current input as read, kept for writing the output header.
struct WaveHeader {
    std::array<uint8_t, 20> riff{};       // RIFF id, RIFF size, WAVE, fmt id, fmtSize
    std::vector<uint8_t> formatBody;       // fmtSize bytes, as read
    std::array<uint8_t, 8> dataHeader{};   // data id and data size, as read

    int32_t fmtSize() const;
    uint32_t sampleRate() const; // frames per second, from the format body
    int32_t dataSize() const;
    void setDataSize(int32_t bytes);
    void setRiffSize(uint32_t bytes);
};

// What a RIFF WAVE file's chunks say, before any rule about which formats a
// reader takes: the runs take 16-bit stereo only, the wave player any PCM. One
// parser for both, so every file a run accepts can be played.
struct ParsedWave {
    WaveHeader header;
    int32_t fileSize = 0;
    int32_t formatOffset = 0; // byte offset of the format chunk's header
    int32_t dataOffset = 0;   // byte offset of the first sample
    int32_t dataBytes = 0;    // data size from the data header

    uint16_t formatTag() const;
    uint16_t channels() const;
    uint16_t bitsPerSample() const;
};

// Reads the RIFF and WAVE ids (case ignored), a format chunk of at least 16
// bytes and a data chunk lying wholly inside the file, of at most 2^31 - 1
// bytes. Every size is checked against the file's length before it is used.
// The format chunk is the first chunk, whatever its id, unless that chunk is
// neither named "fmt " nor starts with the PCM tag and a chunk named "fmt "
// follows it before the data: then that one.
std::optional<ParsedWave> ParseWave(const FileHandle &file);

// Where a chunk (the data chunk, mostly) was found: the byte offset of its
// 8-byte header and the header's bytes.
struct DataChunkLocation {
    int64_t headerOffset = 0;
    std::array<uint8_t, 8> header{};
    int32_t size() const; // the declared size, signed 32-bit
};

// Walks a RIFF file's chunks from the header at byte pos on, each an 8-byte
// header and a body padded to an even length: gives the first chunk for which
// stopAt is true, or none when the next header would not fit in fileSize bytes.
using ChunkVisitor = std::function<bool(const DataChunkLocation &)>;
std::optional<DataChunkLocation> WalkChunks(const FileHandle &file, int64_t fileSize, int64_t pos,
                                            const ChunkVisitor &stopAt);

// Finds the data chunk of a RIFF WAVE file whose format chunk body starts at
// formatBodyOffset and is fmtSize bytes long: walks the chunks from the end of
// the format chunk and takes the first whose id reads "DATA" upper-cased; only
// when the walk finds none, falls back to a 4-byte-step search for "DATA"
// within 512 bytes.
std::optional<DataChunkLocation> FindDataChunk(const FileHandle &file, int64_t fileSize,
                                               int64_t formatBodyOffset, int32_t fmtSize);

// What a run of samples read by name gave: the values read, or, when the
// file could not be opened, why (values 0 then).
struct SamplesRead {
    int32_t values = 0;
    FileError failure = FileError::None;
};

// The current file: the header and measurements set by the last successful
// ReadWaveHeader. Callers never use them after a false result.
class WaveFile {
public:
    WaveHeader header;
    int32_t fileSize = 0;
    int32_t formatOffset = 0;   // byte offset of the format chunk's header (mostly 12)
    int32_t dataOffset = 0;     // byte offset of the first sample
    int32_t dataBytes = 0;      // data size from the data header
    int32_t bytesPerSample = 0; // 2
    int32_t channelCount = 0;   // 2
    int32_t sampleCount = 0;    // 16-bit values, both channels counted

    // Validates the open file and sets the fields above; false for a file
    // that is rejected. A pass then reads its samples from the same handle, so
    // the header and the samples are of one file even if the name is reused.
    bool ReadWaveHeader(const FileHandle &file);

    // Reads count values from value index start of path (the file most recently
    // read by ReadWaveHeader) into dest, cut at the end of the data. Values past
    // the cut are left as they were. Gives the number of values read (0 or
    // more); leaves dest alone when the open fails, and says why.
    SamplesRead ReadSamples(int32_t start, int32_t count, const QString &path,
                            int16_t *dest) const;

    // Writes the output header at out's current position: the 20 RIFF bytes,
    // the format body, the carried chunks that stood before the data (none
    // unless asked for) and the data header, with the RIFF and data sizes
    // rewritten to describe dataBytesWritten bytes of samples followed by
    // TrailerBytes. False if the write failed.
    bool WriteWaveHeader(FileHandle &out, int64_t dataBytesWritten,
                         const CarriedChunks &carried = {}) const;
};

// The bytes WriteWaveHeader writes for header and dataBytesWritten bytes of
// samples; empty when header has no whole format chunk or the size does not fit.
std::vector<uint8_t> OutputHeaderBytes(const WaveHeader &header, int64_t dataBytesWritten,
                                       const CarriedChunks &carried = {});

// What follows dataBytesWritten bytes of samples: the carried chunks that
// stood after the input's data, behind the data's pad byte; nothing without them.
std::vector<uint8_t> TrailerBytes(const CarriedChunks &carried, int64_t dataBytesWritten);

// True when the text from the path's last "." on, cut to four characters and
// lower-cased, is ".wav".
bool HasWaveExtension(const QString &path);
