#pragma once
// The chunks of an input that its repaired copy may carry besides the format
// and the data: a broadcast wave's bext, LIST tags, iXML, cue points, in the
// input's order and with their bytes. Chunks that describe the samples
// themselves (peak levels, a level overview, a checksum) stay behind: after a
// repair they would be false.

#include "filesystem/FileHandle.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class WaveFile;

struct RiffChunk {
    std::array<uint8_t, 4> id{};
    std::vector<uint8_t> body;
};

struct CarriedChunks {
    // The input's chunks before its data chunk (those before the format chunk
    // too): the output writes them between its format and data chunks, so
    // its format chunk stands first, where every reader looks for it.
    std::vector<RiffChunk> beforeData;
    // The input's chunks after the data chunk, written after the samples.
    std::vector<RiffChunk> afterData;
};

// Each chunk's id, size, body and the pad byte after an odd body.
std::vector<uint8_t> ChunkBytes(const std::vector<RiffChunk> &chunks);

// The chunks file carries, its header as wave read it. Every chunk lies
// wholly in the file; where the chunk sizes stop adding up (a chunk running
// into the data chunk or past the end), the chunks before are carried and no
// more. None when the file could not be read.
std::optional<CarriedChunks> ReadCarriedChunks(const FileHandle &file, const WaveFile &wave);

// Appends line to the coding history of each bext chunk as a line of its
// own, ended by CR LF. A bext chunk too short for its fixed fields is left
// as it is.
void AppendCodingHistory(CarriedChunks &chunks, const QByteArray &line);
