#pragma once
// The sound output layer under the wave player: the default output device fed
// with integer PCM buffers, played in the order they were queued, each buffer
// with a done flag its owner polls.
//
// Threads: every SoundOutput method is called from the thread that owns the
// player (the user-interface thread). An implementation may finish buffers on
// a thread of its own (the audio callback); it does so only through the
// buffer's done flag, which is why that flag is atomic and nothing else is.

#include <atomic>
#include <cstdint>
#include <memory>

// Results of the sound output layer. 0 is success. None of them is 10000,
// the player's own answer for a slot that is still playing.
inline constexpr uint32_t kSoundOk = 0;
inline constexpr uint32_t kSoundError = 1;         // the sound system failed
inline constexpr uint32_t kSoundNoDevice = 2;      // no default output device
inline constexpr uint32_t kSoundNotOpen = 5;       // the device is not open
inline constexpr uint32_t kSoundInvalidParam = 11; // a buffer or size the device cannot take
inline constexpr uint32_t kSoundBadFormat = 32;    // the device refuses the format
inline constexpr uint32_t kSoundStillPlaying = 33; // close refused: buffers still queued
inline constexpr uint32_t kSoundQueueFull = 34;    // more buffers queued than the device holds

// The format record a wave file carries in its format chunk, decoded: the 18
// bytes of format tag, channels, sample rate, byte rate, block align, bits per
// sample and extra size.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// One buffer handed to the device. Its owner keeps the record and the bytes
// alive and unchanged from Write until done reads true; from then on the
// device no longer touches either, so the owner may refill and queue it again.
struct SoundBuffer {
    const uint8_t *data = nullptr;
    uint32_t bytes = 0; // a whole number of frames
    // Written with release by whoever finishes the buffer (the audio thread,
    // or the owner's thread on a reset); read by the owner with acquire, which
    // orders the device's last read of the bytes before the owner's refill.
    std::atomic<bool> done{true};
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Opens the default output device for interleaved PCM of 8 (unsigned),
    // 16, 24 or 32-bit (signed) integers with the format's channels and rate.
    // Any other format is refused with kSoundBadFormat; no device is
    // kSoundNoDevice. Nothing stays open after a failure.
    virtual uint32_t Open(const WaveFormat &format) = 0;
    virtual bool IsOpen() const = 0;

    // Queues buffer behind everything queued before it and clears its done
    // flag. On failure the flag is left as it was (set), so the owner can
    // queue the same buffer again later.
    virtual uint32_t Write(SoundBuffer &buffer) = 0;

    // Waits until buffer is done or timeoutMs has passed; true when done.
    virtual bool WaitDone(const SoundBuffer &buffer, int64_t timeoutMs) = 0;
    // Waits until every queued buffer is done or timeoutMs has passed; true
    // when all are done. Returns early (false) when the device has stopped
    // and will never finish them.
    virtual bool Drain(int64_t timeoutMs) = 0;

    // Stops playback at once and marks everything queued done; the device
    // stays open, idle until the next Write, and takes new buffers. Whatever
    // the result, no queued buffer is touched after it returns (a device
    // that cannot stop is closed).
    virtual uint32_t Reset() = 0;
    // Closes the device. Refused with kSoundStillPlaying while any queued
    // buffer is not done (Drain or Reset first); otherwise returns after the
    // audio already handed to the sound system has been heard. With nothing
    // written since a Reset it returns at once, without waiting on the device.
    virtual uint32_t Close() = 0;
};

// The device of this platform: the default output through PortAudio.
std::unique_ptr<SoundOutput> MakeSoundOutput();
