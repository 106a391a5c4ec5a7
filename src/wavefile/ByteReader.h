#pragma once
// Reading the fields of a WAV file's bytes: little-endian integers and the
// four-letter chunk ids. Shared by the wave file access, the passes and the
// player, which each apply their own rules to what they read.

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t *p) {
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t ReadLe32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
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
