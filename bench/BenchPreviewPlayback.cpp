// The preview's cost while it plays, through the real playback loop
// (PreviewPlayback) with live repair at the shortest block (441 frames, 10 ms)
// and the finest drawing (Arasa 1):
//  - BlockWork: everything between two queued blocks (read, live repair,
//    drawing, the queueing), on a device that takes every buffer at once, as
//    time per block; the sound stutters when it nears the block's 10 ms;
//  - Playback60s: the processor time of a whole 60-second playback on a
//    device that plays in real time, as a share of one core (the counter
//    cpu_share); the wall time is the minute itself. Playback60sDevice does
//    the same through the default output device.
// The device is a stand-in for the sound card (none here), so its own work is
// not counted; what is counted is all the program does, the drawing into a
// picture the size of the wave window's included (offscreen without a display).

#include "engine/Thresholds.h"
#include "player/PreviewPlayback.h"
#include "support/ScriptedMessages.h"
#include "support/TestWav.h"
#include "ui/ProgramFont.h"
#include "wavewindow/WaveCanvas.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <time.h>

namespace {

// Takes each buffer and finishes it at once (paced false), or when its play
// time has passed after the one before it (paced true), on a thread of its
// own as a sound card's driver would.
class StandInOutput final : public SoundOutput {
public:
    explicit StandInOutput(bool paced) : paced_(paced) {}
    ~StandInOutput() override { Stop(); }

    uint32_t Open(const WaveFormat &format) override {
        bytesPerSecond_ = int64_t(format.sampleRate) * format.channels * (format.bitsPerSample / 8);
        open_ = true;
        running_ = true;
        if (paced_)
            thread_ = std::thread([this] { Play(); });
        return kSoundOk;
    }
    bool IsOpen() const override { return open_; }
    uint32_t Write(SoundBuffer &buffer) override {
        if (!paced_)
            return kSoundOk; // done stays set
        buffer.done.store(false, std::memory_order_relaxed);
        std::lock_guard lock(mutex_);
        queue_.push_back(&buffer);
        wake_.notify_one();
        return kSoundOk;
    }
    bool WaitDone(const SoundBuffer &buffer, int64_t timeoutMs) override {
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!buffer.done.load(std::memory_order_acquire) && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return buffer.done.load(std::memory_order_acquire);
    }
    bool Drain(int64_t timeoutMs) override {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return queue_.empty(); });
    }
    uint32_t Reset() override {
        std::lock_guard lock(mutex_);
        for (SoundBuffer *b : queue_)
            b->done.store(true, std::memory_order_release);
        queue_.clear();
        return kSoundOk;
    }
    uint32_t Close() override {
        Stop();
        open_ = false;
        return kSoundOk;
    }

private:
    using Clock = std::chrono::steady_clock;

    void Play() {
        std::unique_lock lock(mutex_);
        auto clock = Clock::now();
        while (running_) {
            if (queue_.empty()) {
                wake_.wait(lock);
                clock = std::max(clock, Clock::now());
                continue;
            }
            SoundBuffer *b = queue_.front();
            clock += std::chrono::microseconds(int64_t(b->bytes) * 1000000 / bytesPerSecond_);
            wake_.wait_until(lock, clock, [this] { return !running_; });
            if (!queue_.empty() && queue_.front() == b) {
                queue_.pop_front();
                b->done.store(true, std::memory_order_release);
                wake_.notify_all();
            }
        }
    }
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            running_ = false;
            wake_.notify_all();
        }
        if (thread_.joinable())
            thread_.join();
    }

    const bool paced_;
    bool open_ = false;
    bool running_ = false;
    int64_t bytesPerSecond_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<SoundBuffer *> queue_;
    std::thread thread_;
};

// The wave window's picture and labels as the window has them: the canvas
// redrawn for every block and shown at once in a label, the position and the
// count in labels of their own.
class WindowLikeView final : public PlaybackView {
public:
    WindowLikeView() : canvas_(QSize(361, 433), ProgramFont(11)) {
        picture_.resize(361, 433);
        picture_.show();
        canvas_.repaint = [this] {
            picture_.setPixmap(QPixmap::fromImage(canvas_.image()));
            picture_.repaint();
        };
    }
    void ShowPositionLabel(bool visible) override { position_.setVisible(visible); }
    void SetPositionText(const QString &text) override { position_.setText(text); }
    void SetRepairCountText(const QString &text) override { count_.setText(text); }
    void DrawAxes(int32_t channels, const QString &label) override {
        canvas_.DrawAxes(channels, label);
    }
    void DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                  int32_t channels) override {
        canvas_.DrawWave(values, count, coarseness, channels);
        ++blocks;
    }
    void ProcessPendingEvents() override { QCoreApplication::processEvents(); }
    bool MakeFileChecked() const override { return true; }
    void SetMakeFileChecked(bool) override {}
    int64_t blocks = 0;

private:
    WaveCanvas canvas_;
    QLabel picture_, position_, count_;
};

// 60 s of two tones with a click every half second.
const QString &MusicFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        auto values = testwav::TwoTones(60 * 44100);
        for (size_t i = 0; i < values.size(); i += 44100)
            values[i] = int16_t(values[i] + 12000);
        const QString p = dir.filePath("music60.wav");
        testwav::WriteFile(p.toStdString(), testwav::MakeWav(values));
        return p;
    }();
    return path;
}

Settings ShortestBlocks() {
    Settings s = Settings::Defaults();
    s.WinTime = 0;
    s.BuffDipth = 10; // what the settings dialog sets for 10 ms blocks
    s.Arasa = 1;
    return s;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Totals {
    double wall = 0, cpu = 0; // seconds
    int64_t blocks = 0;
};

// Every iteration plays the whole minute with live repair, as D1 does.
Totals PlayEveryIteration(benchmark::State &state, std::unique_ptr<SoundOutput> device) {
    const Settings settings = ShortestBlocks();
    TWavePlayer player(std::move(device));
    WindowLikeView view;
    ScriptedMessages messages;
    PreviewPlayback playback(player, view, settings, messages);
    player.fileName = MusicFile();
    Totals t;
    for (auto _ : state) {
        const double cpu0 = CpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        playback.PlayFrom(0, true, SetRemoveThresholds(settings));
        t.cpu += CpuSeconds() - cpu0;
        t.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    }
    t.blocks = view.blocks;
    if (t.blocks == 0)
        state.SkipWithError("the sound device did not open");
    return t;
}

void BlockWork(benchmark::State &state) {
    const Totals t = PlayEveryIteration(state, std::make_unique<StandInOutput>(false));
    const double usPerBlock = t.blocks ? t.wall * 1e6 / double(t.blocks) : 0;
    state.counters["us_per_block"] = usPerBlock;
    // Of the 10 ms a 441-frame block plays for.
    state.counters["share_of_block"] = usPerBlock / 10000.0;
}

void ReportShare(benchmark::State &state, const Totals &t) {
    state.counters["cpu_s"] = t.cpu;
    state.counters["cpu_share"] = t.wall > 0 ? t.cpu / t.wall : 0;
}

void Playback60s(benchmark::State &state) {
    ReportShare(state, PlayEveryIteration(state, std::make_unique<StandInOutput>(true)));
}

// The same through the default output device (PortAudio), whose callback
// thread and sound system are then counted too. Needs a device that plays in
// real time; see docs/performance.md for one without a sound card.
void Playback60sDevice(benchmark::State &state) {
    ReportShare(state, PlayEveryIteration(state, MakeSoundOutput()));
}

BENCHMARK(BlockWork)->Unit(benchmark::kMillisecond);
BENCHMARK(Playback60s)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(Playback60sDevice)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

// The widgets need an application; without a display they draw offscreen.
int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
