#pragma once
// A scripted sound device: it plays only when the test says so, records what
// it played, and answers with the results the test sets.

#include "player/SoundOutput.h"

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

struct FakeDeviceLog {
    std::vector<std::vector<uint8_t>> played; // bytes of each buffer, read when it played
    std::vector<const uint8_t *> writtenData; // data pointer of each Write, in order
    std::vector<int64_t> waitTimeouts;        // WaitDone's and Drain's time limits
    int opens = 0;
    int resets = 0;
    int closes = 0;
};

class FakeSoundOutput : public SoundOutput {
public:
    explicit FakeSoundOutput(FakeDeviceLog &log) : log_(log) {}

    uint32_t openResult = kSoundOk;
    uint32_t writeResult = kSoundOk; // answered once, then back to kSoundOk
    bool playsWhileWaiting = true;   // WaitDone and Drain play the queue out

    // Plays the oldest n queued buffers: reads their bytes now, as a device
    // would, then marks them done.
    void Play(size_t n) {
        for (; n > 0 && !queue_.empty(); --n) {
            SoundBuffer *b = queue_.front();
            queue_.pop_front();
            log_.played.emplace_back(b->data, b->data + b->bytes);
            b->done.store(true, std::memory_order_release);
        }
    }
    size_t queued() const { return queue_.size(); }

    uint32_t Open(const WaveFormat &format) override {
        ++log_.opens;
        opened = format;
        open_ = openResult == kSoundOk;
        return openResult;
    }
    bool IsOpen() const override { return open_; }
    uint32_t Write(SoundBuffer &buffer) override {
        if (const uint32_t r = std::exchange(writeResult, kSoundOk); r != kSoundOk)
            return r;
        log_.writtenData.push_back(buffer.data);
        buffer.done.store(false, std::memory_order_relaxed);
        queue_.push_back(&buffer);
        return kSoundOk;
    }
    bool WaitDone(const SoundBuffer &buffer, int64_t timeoutMs) override {
        log_.waitTimeouts.push_back(timeoutMs);
        while (playsWhileWaiting && !buffer.done.load() && !queue_.empty())
            Play(1);
        return buffer.done.load();
    }
    bool Drain(int64_t timeoutMs) override {
        log_.waitTimeouts.push_back(timeoutMs);
        if (playsWhileWaiting)
            Play(queue_.size());
        return queue_.empty();
    }
    uint32_t Reset() override {
        ++log_.resets;
        for (SoundBuffer *b : queue_)
            b->done.store(true);
        queue_.clear();
        return kSoundOk;
    }
    uint32_t Close() override {
        if (!queue_.empty())
            return kSoundStillPlaying;
        ++log_.closes;
        open_ = false;
        return kSoundOk;
    }

    WaveFormat opened;

private:
    FakeDeviceLog &log_;
    std::deque<SoundBuffer *> queue_;
    bool open_ = false;
};
