#pragma once
// A WAV file's byte order: reading and writing little-endian integers, and
// the four-letter chunk ids. Shared by the wave file access, the passes and the
// player, which each apply their own rules to what they read. Inline, as the
// passes call them once per sample.

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t *p) {
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t ReadLe32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void WriteLe16(uint8_t *p, uint16_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

inline void WriteLe32(uint8_t *p, uint32_t value) {
    WriteLe16(p, uint16_t(value));
    WriteLe16(p + 2, uint16_t(value >> 16));
}

// Compares a 4-byte chunk id with an upper-case one after upper-casing the id,
// so "riff", "wave" and "data" pass.
inline bool IdIs(const uint8_t *id, const char *upper) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = (id[i] >= 'a' && id[i] <= 'z') ? uint8_t(id[i] - 'a' + 'A') : id[i];
        if (c != uint8_t(upper[i]))
            return false;
    }
    return true;
}
