#pragma once
// The default output device through PortAudio. PortAudio is started at the
// first Open and kept until the program ends; each Open and Close opens and
// closes a stream of its own, so between playbacks no device is held and no
// audio thread runs. What the sound libraries write to standard error is
// shown only when PortAudio cannot start.
//
// Threads. Two threads meet here:
// - the owner's thread (the user-interface thread) calls every public method;
// - PortAudio's callback thread runs Fill, which copies queued buffers into the
//   device's buffer and marks them done. Fill never allocates, locks or waits.
// They share a single-producer single-consumer queue of buffer pointers: the
// owner's thread alone advances tail_, the callback alone advances head_ while
// the stream runs. Whenever the owner's thread must change the callback's own
// state (a reset, the close) it first stops the stream; PortAudio returns from
// stopping only after the callback thread has ended its last call, so those
// changes need no further ordering. After a reset the stream stays stopped
// until Write starts it again, which orders those changes before the
// callback's next call.

#include "player/SoundOutput.h"

#include <array>
#include <portaudio.h>

class PortAudioSoundOutput final : public SoundOutput {
public:
    PortAudioSoundOutput() = default;
    ~PortAudioSoundOutput() override;
    PortAudioSoundOutput(const PortAudioSoundOutput &) = delete;
    PortAudioSoundOutput &operator=(const PortAudioSoundOutput &) = delete;

    uint32_t Open(const WaveFormat &format) override;
    bool IsOpen() const override { return stream_ != nullptr; }
    uint32_t Write(SoundBuffer &buffer) override;
    bool WaitDone(const SoundBuffer &buffer, int64_t timeoutMs) override;
    bool Drain(int64_t timeoutMs) override;
    uint32_t Reset() override;
    uint32_t Close() override;

    // The PortAudio error behind the last kSoundError, for diagnostics.
    PaError lastHostError() const { return lastHostError_; }
    // True while the device is open and idle, before the first Write or
    // since a reset: no callback runs and nothing is played until the next
    // Write.
    bool idle() const { return StreamStopped(); }

private:
    // Larger than the player's largest ring, so Write never finds it full.
    static constexpr uint32_t kQueueCapacity = 32;

    static int Callback(const void *input, void *output, unsigned long frames,
                        const PaStreamCallbackTimeInfo *time, PaStreamCallbackFlags flags,
                        void *self);
    // Callback thread only.
    void Fill(uint8_t *out, unsigned long bytes);

    uint32_t OpenStream(const WaveFormat &format);
    PaError CloseStream();
    // Owner's thread, with the stream stopped (the callback not running).
    void DropQueued();
    bool StreamRunning() const;
    bool StreamStopped() const; // stopped by us: by a reset, or not yet started

    PaStream *stream_ = nullptr;
    PaError lastHostError_ = paNoError;
    uint32_t frameBytes_ = 0;
    uint8_t silence_ = 0; // 0x80 for unsigned 8-bit samples, else 0

    std::array<SoundBuffer *, kQueueCapacity> queue_{};
    // Monotonic counts; an entry's index is its count modulo kQueueCapacity.
    // tail_: owner stores with release after writing the entry, so the callback's
    // acquire load sees the entry and the bytes behind it. head_: callback stores
    // with release after reading the entry, so the owner's acquire load knows the
    // entry may be overwritten.
    std::atomic<uint32_t> head_{0};
    std::atomic<uint32_t> tail_{0};
    // Buffers finished so far, counted like tail_; the callback adds with release
    // after it is done with a buffer, Drain compares it with tail_ using acquire.
    std::atomic<uint32_t> finished_{0};

    // The callback's own: the buffer being played and how far.
    SoundBuffer *current_ = nullptr;
    uint32_t currentOffset_ = 0;
};
