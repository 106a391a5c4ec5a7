#include "player/SoundOutputPortAudio.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

// Buffers go to PortAudio byte for byte: wave files are little-endian, and so
// must be the native samples PortAudio expects.
static_assert(std::endian::native == std::endian::little,
              "sample bytes are handed to the device unconverted");

namespace {

// How often the owner's thread looks at done flags while it waits: short
// against a block (10 ms and more), long enough not to burn a core.
constexpr int kPollMs = 2;

bool SampleFormatFor(uint16_t bits, PaSampleFormat &format) {
    switch (bits) {
    case 8:
        format = paUInt8;
        return true;
    case 16:
        format = paInt16;
        return true;
    case 24:
        format = paInt24;
        return true;
    case 32:
        format = paInt32;
        return true;
    default:
        return false;
    }
}

using Clock = std::chrono::steady_clock;

// Holds what is written to standard error while it lives. The sound
// libraries report every device they probe and fail to reach (ALSA's
// unknown cards, JACK's missing server), dozens of lines per start that
// mean nothing to the user; they are shown only when the sound system
// cannot start at all, where they tell why.
class HeldStderr {
public:
    HeldStderr() {
        std::fflush(stderr);
        held_ = std::tmpfile();
        saved_ = held_ ? ::dup(STDERR_FILENO) : -1;
        if (saved_ >= 0)
            ::dup2(::fileno(held_), STDERR_FILENO);
    }
    ~HeldStderr() {
        Restore();
        if (held_)
            std::fclose(held_);
    }
    HeldStderr(const HeldStderr &) = delete;
    HeldStderr &operator=(const HeldStderr &) = delete;

    // Puts standard error back and writes to it what was held.
    void Show() {
        Restore();
        if (!held_)
            return;
        std::rewind(held_);
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, held_)) > 0)
            std::fwrite(buffer, 1, n, stderr);
        std::fflush(stderr);
    }

private:
    void Restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE *held_ = nullptr;
    int saved_ = -1;
};

// Sets an environment variable for the length of a scope, then puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name) {
        if (const char *old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

// PortAudio's own JACK interface, when a JACK server runs, joins it as a
// client the moment PortAudio starts and stays joined, its threads woken at
// every JACK period, for as long as PortAudio runs: the program would never
// be idle. The program plays through the default device only, which is
// ALSA's; so while PortAudio first starts, JACK is pointed at a server that
// does not exist and told not to start one. Where ALSA's default device
// itself leads to JACK (ALSA's jack plugin), PortAudio cannot then reach it,
// and is started again with JACK in view (see Open).
struct JackKeptOut {
    ScopedEnv server{"JACK_DEFAULT_SERVER", "norvatel-no-jack-while-idle"};
    ScopedEnv noStart{"JACK_NO_START_SERVER", "1"};
};

// PortAudio, started at the first playback and kept until the program ends:
// starting it probes every sound system and device, which takes hundreds of
// milliseconds. Started, it holds neither a device nor a thread; the streams
// do, and they live only for a playback.
class SoundSystem {
public:
    static SoundSystem &Instance() {
        static SoundSystem system;
        return system;
    }
    ~SoundSystem() {
        if (started_) {
            HeldStderr quiet;
            Pa_Terminate();
        }
    }

    // Starts PortAudio unless it runs, JACK kept out.
    PaError Start() { return started_ ? paNoError : Initialize(true); }
    // Starts PortAudio again, JACK in view, so it sees the devices as they
    // are now (one may have come or gone since it started). Only while no
    // stream is open.
    PaError Restart() {
        if (openStreams_ > 0)
            return paNoError;
        if (started_) {
            HeldStderr quiet;
            Pa_Terminate();
            started_ = false;
        }
        return Initialize(false);
    }
    void StreamOpened() { ++openStreams_; }
    void StreamClosed() { --openStreams_; }

private:
    PaError Initialize(bool keepJackOut) {
        HeldStderr quiet;
        std::optional<JackKeptOut> noJack;
        if (keepJackOut)
            noJack.emplace();
        const PaError result = Pa_Initialize();
        started_ = result == paNoError;
        if (!started_)
            quiet.Show();
        return result;
    }

    bool started_ = false;
    int openStreams_ = 0;
};

Clock::time_point DeadlineAfter(int64_t ms) {
    return Clock::now() + std::chrono::milliseconds(std::max<int64_t>(ms, 0));
}

} // namespace

std::unique_ptr<SoundOutput> MakeSoundOutput() {
    return std::make_unique<PortAudioSoundOutput>();
}

PortAudioSoundOutput::~PortAudioSoundOutput() {
    if (stream_) {
        Reset();
        Close();
    }
}

uint32_t PortAudioSoundOutput::Open(const WaveFormat &format) {
    if (stream_)
        return kSoundError;
    PaSampleFormat sampleFormat = 0;
    if (format.formatTag != 1 || format.channels == 0 || format.sampleRate == 0 ||
        !SampleFormatFor(format.bitsPerSample, sampleFormat))
        return kSoundBadFormat;
    SoundSystem &system = SoundSystem::Instance();
    lastHostError_ = system.Start();
    if (lastHostError_ != paNoError)
        return kSoundError;
    uint32_t result = OpenStream(format);
    // The default device may have changed since PortAudio started, or lead
    // to JACK: once more with a fresh look at the devices before giving up.
    if (result != kSoundOk) {
        lastHostError_ = system.Restart();
        if (lastHostError_ != paNoError)
            return kSoundError;
        result = OpenStream(format);
    }
    return result;
}

uint32_t PortAudioSoundOutput::OpenStream(const WaveFormat &format) {
    // Opening a device makes the sound libraries talk as much as starting.
    HeldStderr quiet;
    PaStreamParameters params{};
    params.device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo *info =
        params.device == paNoDevice ? nullptr : Pa_GetDeviceInfo(params.device);
    if (!info)
        return kSoundNoDevice;
    if (format.channels > info->maxOutputChannels)
        return kSoundBadFormat;
    SampleFormatFor(format.bitsPerSample, params.sampleFormat);
    params.channelCount = format.channels;
    // The player keeps its own ring of blocks ahead, which the callback
    // thread plays from whatever the window does, so the device's own buffer
    // need not be roomy. A short one matters at the start: the stream starts
    // with the first block queued and primes the whole device buffer from
    // the queue, so a long buffer would hold that block, then silence, then
    // the rest.
    params.suggestedLatency = info->defaultLowOutputLatency;

    frameBytes_ = uint32_t(format.bitsPerSample / 8) * format.channels;
    silence_ = format.bitsPerSample == 8 ? 0x80 : 0;
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
    finished_.store(0, std::memory_order_relaxed);
    current_ = nullptr;
    currentOffset_ = 0;
    // Opening tells whether the device takes the format (asking first would
    // open the device twice). The stream starts with the first Write, whose
    // Pa_StartStream starts the callback thread and so orders these stores
    // before its first call; the device's buffer is then primed from the
    // callback, with the first block, not with silence that would have to
    // play out before the block reaches the device.
    lastHostError_ = Pa_OpenStream(&stream_, nullptr, &params, format.sampleRate,
                                   paFramesPerBufferUnspecified,
                                   paClipOff | paDitherOff | paPrimeOutputBuffersUsingStreamCallback,
                                   &PortAudioSoundOutput::Callback, this);
    if (lastHostError_ != paNoError) {
        stream_ = nullptr;
        const bool refused = lastHostError_ == paInvalidSampleRate ||
                             lastHostError_ == paSampleFormatNotSupported ||
                             lastHostError_ == paInvalidChannelCount;
        return refused ? kSoundBadFormat : kSoundError;
    }
    SoundSystem::Instance().StreamOpened();
    return kSoundOk;
}

PaError PortAudioSoundOutput::CloseStream() {
    HeldStderr quiet;
    const PaError closed = Pa_CloseStream(stream_);
    stream_ = nullptr;
    SoundSystem::Instance().StreamClosed();
    return closed;
}

int PortAudioSoundOutput::Callback(const void *, void *output, unsigned long frames,
                                   const PaStreamCallbackTimeInfo *, PaStreamCallbackFlags,
                                   void *self) {
    auto *me = static_cast<PortAudioSoundOutput *>(self);
    me->Fill(static_cast<uint8_t *>(output), frames * me->frameBytes_);
    return paContinue;
}

void PortAudioSoundOutput::Fill(uint8_t *out, unsigned long bytes) {
    while (bytes > 0) {
        if (!current_) {
            const uint32_t head = head_.load(std::memory_order_relaxed);
            if (head == tail_.load(std::memory_order_acquire))
                break; // nothing queued: silence for the rest
            current_ = queue_[head % kQueueCapacity];
            currentOffset_ = 0;
            head_.store(head + 1, std::memory_order_release);
        }
        const uint32_t n =
            uint32_t(std::min<unsigned long>(bytes, current_->bytes - currentOffset_));
        if (n > 0)
            std::memcpy(out, current_->data + currentOffset_, n);
        out += n;
        bytes -= n;
        currentOffset_ += n;
        if (currentOffset_ == current_->bytes) {
            SoundBuffer *finished = current_;
            current_ = nullptr;
            finished_.fetch_add(1, std::memory_order_release);
            // Last touch: once done is seen the owner may refill or free it.
            finished->done.store(true, std::memory_order_release);
        }
    }
    if (bytes > 0)
        std::memset(out, silence_, bytes);
}

uint32_t PortAudioSoundOutput::Write(SoundBuffer &buffer) {
    if (!stream_)
        return kSoundNotOpen;
    if ((buffer.bytes > 0 && !buffer.data) || buffer.bytes % frameBytes_ != 0)
        return kSoundInvalidParam;
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= kQueueCapacity)
        return kSoundQueueFull;
    // Relaxed: the release store of tail_ below publishes it with the entry.
    buffer.done.store(false, std::memory_order_relaxed);
    queue_[tail % kQueueCapacity] = &buffer;
    tail_.store(tail + 1, std::memory_order_release);
    // The stream runs from the first buffer on, and again after a reset only
    // for new audio; the buffer is queued first, so it primes the device.
    if (StreamStopped()) {
        HeldStderr quiet;
        lastHostError_ = Pa_StartStream(stream_);
        if (lastHostError_ != paNoError) {
            // Not started: no callback has seen the entry, which is taken back.
            tail_.store(tail, std::memory_order_relaxed);
            buffer.done.store(true, std::memory_order_relaxed);
            return kSoundError;
        }
    }
    return kSoundOk;
}

bool PortAudioSoundOutput::StreamRunning() const {
    return stream_ && Pa_IsStreamActive(stream_) == 1;
}

bool PortAudioSoundOutput::StreamStopped() const {
    return stream_ && Pa_IsStreamStopped(stream_) == 1;
}

bool PortAudioSoundOutput::WaitDone(const SoundBuffer &buffer, int64_t timeoutMs) {
    const auto deadline = DeadlineAfter(timeoutMs);
    while (!buffer.done.load(std::memory_order_acquire)) {
        if (!StreamRunning() || Clock::now() >= deadline)
            return false;
        Pa_Sleep(kPollMs);
    }
    return true;
}

bool PortAudioSoundOutput::Drain(int64_t timeoutMs) {
    const auto deadline = DeadlineAfter(timeoutMs);
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    while (finished_.load(std::memory_order_acquire) != tail) {
        if (!StreamRunning() || Clock::now() >= deadline)
            return false;
        Pa_Sleep(kPollMs);
    }
    return true;
}

void PortAudioSoundOutput::DropQueued() {
    if (current_)
        current_->done.store(true, std::memory_order_release);
    current_ = nullptr;
    currentOffset_ = 0;
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    for (uint32_t i = head_.load(std::memory_order_relaxed); i != tail; ++i)
        queue_[i % kQueueCapacity]->done.store(true, std::memory_order_release);
    head_.store(tail, std::memory_order_relaxed);
    finished_.store(tail, std::memory_order_relaxed);
}

uint32_t PortAudioSoundOutput::Reset() {
    if (!stream_)
        return kSoundNotOpen;
    // Abort rather than stop: what sits in the device's buffer is dropped too.
    const PaError aborted = Pa_AbortStream(stream_);
    if (aborted != paNoError && aborted != paStreamIsStopped) {
        // The callback may still be running. Closing the stream is the one
        // sure way to end it, so that no buffer is touched after this returns.
        CloseStream();
        DropQueued();
        lastHostError_ = aborted;
        return kSoundError;
    }
    // The stream stays stopped until the next Write: a Close that follows
    // has nothing to play out and never waits on a device that may be the
    // very reason for the reset.
    DropQueued();
    return kSoundOk;
}

uint32_t PortAudioSoundOutput::Close() {
    if (!stream_)
        return kSoundNotOpen;
    if (finished_.load(std::memory_order_acquire) != tail_.load(std::memory_order_relaxed) &&
        StreamRunning())
        return kSoundStillPlaying;
    // Stopping (not aborting) lets the device play what the callback has
    // already handed over, so the last block is heard in full. A stream
    // stopped by a reset has nothing left to hear.
    HeldStderr quiet;
    PaError stopped = StreamStopped() ? paNoError : Pa_StopStream(stream_);
    if (stopped == paStreamIsStopped)
        stopped = paNoError;
    // Closing aborts whatever the stop could not; after it the callback never
    // runs again, so whatever it still held is marked done here.
    const PaError closed = CloseStream();
    DropQueued();
    lastHostError_ = stopped != paNoError ? stopped : closed;
    return lastHostError_ == paNoError ? kSoundOk : kSoundError;
}
