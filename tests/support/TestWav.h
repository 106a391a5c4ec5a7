#pragma once
// Builds WAV files byte by byte for the tests, so every header case is explicit.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testwav {

struct Layout {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;           // bytes of format body; extra bytes are zero
    bool lowerCaseIds = false;       // "riff", "wave", "data"
    // Chunks written before the format chunk (a broadcast wave's bext), as below.
    std::vector<std::pair<std::string, std::string>> chunksBeforeFormat;
    // Chunks written between the format chunk and the data chunk: id and body
    // (a pad byte follows an odd body).
    std::vector<std::pair<std::string, std::string>> chunksBeforeData;
    std::optional<int32_t> declaredDataSize; // default: the real sample bytes
    std::string trailing;            // bytes after the data
};

inline void PutLE(std::string &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A chunk: id, size, body and the pad byte after an odd body.
inline std::string ChunkBytes(const std::string &id, const std::string &body) {
    std::string out = id;
    PutLE(out, body.size(), 4);
    out += body;
    if (body.size() % 2)
        out.push_back('\0');
    return out;
}

// A whole file: RIFF header, the chunks before the format, the format chunk,
// the extra chunks, the data chunk holding the raw bytes given, then the
// trailing bytes.
inline std::string MakeWavBytes(const std::string &dataBytes, const Layout &l = {}) {
    std::string body;
    body += l.lowerCaseIds ? "wave" : "WAVE";
    for (const auto &[id, chunk] : l.chunksBeforeFormat)
        body += ChunkBytes(id, chunk);
    body += "fmt ";
    PutLE(body, l.fmtSize, 4);
    std::string fmt;
    PutLE(fmt, l.formatTag, 2);
    PutLE(fmt, l.channels, 2);
    PutLE(fmt, l.sampleRate, 4);
    PutLE(fmt, uint64_t(l.sampleRate) * l.channels * (l.bits / 8), 4);
    PutLE(fmt, uint64_t(l.channels) * (l.bits / 8), 2);
    PutLE(fmt, l.bits, 2);
    fmt.resize(l.fmtSize, '\0');
    body += fmt;
    if (l.fmtSize % 2)
        body.push_back('\0');
    for (const auto &[id, chunk] : l.chunksBeforeData)
        body += ChunkBytes(id, chunk);
    body += "data"; // upper-case ids other than RIFF and WAVE are not expected
    PutLE(body, uint32_t(l.declaredDataSize.value_or(int32_t(dataBytes.size()))), 4);
    body += dataBytes;
    body += l.trailing;
    std::string out = l.lowerCaseIds ? "riff" : "RIFF";
    PutLE(out, body.size(), 4);
    return out + body;
}

// A RIFF file's chunks after the form type, in order: id and body (without
// the pad byte). Stops at a chunk that runs past the end.
inline std::vector<std::pair<std::string, std::string>> ChunksOf(const std::string &file) {
    std::vector<std::pair<std::string, std::string>> chunks;
    for (size_t pos = 12; pos + 8 <= file.size();) {
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i)
            size = size << 8 | uint8_t(file[pos + 4 + size_t(i)]);
        if (pos + 8 + size > file.size())
            break;
        chunks.emplace_back(file.substr(pos, 4), file.substr(pos + 8, size));
        pos += 8 + size + (size & 1);
    }
    return chunks;
}

inline std::string SampleBytes(const std::vector<int16_t> &samples) {
    std::string out;
    for (int16_t s : samples)
        PutLE(out, static_cast<uint16_t>(s), 2);
    return out;
}

inline std::string MakeWav(const std::vector<int16_t> &samples, const Layout &l = {}) {
    return MakeWavBytes(SampleBytes(samples), l);
}

inline void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Interleaved 16-bit values of a file's data, assuming a 44-byte header.
inline std::vector<int16_t> SamplesAfter44(const std::string &bytes) {
    std::vector<int16_t> out;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<int16_t>(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    return out;
}

// Interleaved 16-bit stereo like quiet music: two tones per channel, a
// little different in each, well below full scale, with no clicks.
inline std::vector<int16_t> TwoTones(int32_t frames) {
    std::vector<int16_t> v;
    for (int32_t f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        v.push_back(
            int16_t(6000 * std::sin(2 * M_PI * 440 * t) + 2000 * std::sin(2 * M_PI * 97 * t)));
        v.push_back(
            int16_t(5000 * std::sin(2 * M_PI * 330 * t) - 2500 * std::sin(2 * M_PI * 61 * t)));
    }
    return v;
}

} // namespace testwav
