#include "player/PreviewPlayback.h"

#include "engine/RepairPreviewBlock.h"
#include "batch/FileMessages.h"
#include "batch/WritePreviewFile.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// How long one wait for a free device buffer lasts before the events are
// processed again: short beside the shortest block (10 ms).
constexpr int64_t kSlotWaitMs = 4;

int32_t BlockFrames(const Settings &settings) {
    return kDisplayTimeFrames[size_t(kWinTimeRange.Clamp(settings.WinTime))];
}

} // namespace

// One playback's buffers and positions.
struct PreviewPlayback::Stream {
    int32_t blockFrames = 0;    // b of a full block
    int32_t valuesPerBlock = 0; // channels × b
    int32_t totalFrames = 0;
    int32_t position = 0; // frame of the block being read
    int32_t coarseness = 0;
    // Set for live repair: the cleaned frames come from here, not the player.
    std::unique_ptr<LiveRepair> repair;
    int32_t repairedTotal = 0;
    // The block as read: at least two 16-bit values per frame, so the picture
    // never reads past it whatever the file's sample size.
    std::vector<int16_t> block;
};

PreviewPlayback::PreviewPlayback(TWavePlayer &player, PlaybackView &view, const Settings &settings,
                                 MessageSink &messages)
    : player_(player), view_(view), settings_(settings), messages_(messages) {}

int32_t PreviewPlayback::RepairedPlayFrames(const Settings &settings) {
    const int32_t seconds = settings.CheckPlayTime != 0 ? settings.CheckPlayTime : 1;
    return seconds * kDisplayFramesPerSecond;
}

int32_t PreviewPlayback::FramesBefore(int32_t noisePosition, int32_t n) {
    return std::max(0, noisePosition - n);
}

// Opens the player's file and sizes the stream's buffers for it.
bool PreviewPlayback::OpenStream(Stream &s, int32_t startFrame, bool liveRepair,
                                 const Thresholds &thresholds) {
    s.blockFrames = BlockFrames(settings_);
    s.coarseness = settings_.Arasa;
    if (player_.fileName.isEmpty() || !player_.OpenFile())
        return false;
    const int32_t channels = player_.bytesPerFrame / player_.bytesPerSample;
    const int32_t blockBytes = player_.bytesPerFrame * s.blockFrames;
    s.valuesPerBlock = channels * s.blockFrames;
    s.totalFrames = player_.dataSize / player_.bytesPerFrame;
    // The engine reads 16-bit stereo only; any other file plays as it is.
    if (liveRepair && player_.bytesPerSample == 2 && channels == kEngineChannels) {
        s.repair = std::make_unique<LiveRepair>();
        if (!s.repair->Open(player_.fileName, startFrame, thresholds))
            s.repair.reset();
    }
    s.block.assign(size_t(std::max(blockBytes / 2 + 1, 2 * s.blockFrames)), 0);
    return true;
}

void PreviewPlayback::PlayFrom(int32_t startFrame, bool liveRepair, const Thresholds &thresholds) {
    Stream s;
    if (!OpenStream(s, startFrame, liveRepair, thresholds)) {
        ShowOpenFailed(messages_);
        return;
    }
    player_.SeekFrame(startFrame);
    player_.outputFormat = player_.format;
    player_.outputFormat.extraSize = 0;
    player_.SetBufferCount(settings_.BuffDipth);
    // The device first: a playback that cannot start leaves the window as it was.
    if (player_.OpenDevice(s.block.data(), s.blockFrames) != kSoundOk) {
        player_.CloseDevice(false); // only releases the ring
        player_.CloseFile();
        messages_.ShowMsg(MessageText(kNoDeviceMessage));
        return;
    }
    const bool makeFile = view_.MakeFileChecked();
    view_.SetMakeFileChecked(false);
    if (s.coarseness <= kArasaMaxDrawn)
        view_.DrawAxes(2, QString::number(s.blockFrames * 1000 / kDisplayFramesPerSecond) + "ms");
    view_.ShowPositionLabel(true);
    s.position = startFrame;
    PlayBlocks(s);
    view_.ShowPositionLabel(false);
    player_.CloseDevice(player_.stopPlayback);
    player_.CloseFile();
    view_.SetMakeFileChecked(makeFile);
}

void PreviewPlayback::PlayBlocks(Stream &s) {
    player_.stopPlayback = false;
    while (s.position < s.totalFrames) {
        int32_t frames = s.blockFrames;
        if (s.position + frames > s.totalFrames) {
            std::fill(s.block.begin(), s.block.end(), int16_t{0});
            frames = s.totalFrames - s.position;
        }
        // A file that has shrunk (or become unreadable) meanwhile delivers
        // fewer frames: what came is played, and the playback ends there.
        const int32_t got = ReadBlock(s, frames);
        if (got <= 0)
            return;
        view_.SetPositionText(QString::number(s.position) + "/" + QString::number(s.totalFrames));
        view_.DrawWave(s.block.data(), got * 2, s.coarseness, 2);
        if (!QueueWhenFree(s, got) || player_.stopPlayback || got < frames)
            return;
        s.position += frames;
    }
}

int32_t PreviewPlayback::ReadBlock(Stream &s, int32_t frames) {
    if (!s.repair)
        return player_.ReadFrames(s.block.data(), frames);
    const int32_t got = s.repair->Take(s.position, frames, s.block.data(), s.repairedTotal);
    view_.SetRepairCountText(QString::number(s.repairedTotal));
    return got;
}

// A busy buffer is waited on; a device error is retried after the same short
// wait, so a device that has gone away does not keep a processor busy either
// (the user stops it).
bool PreviewPlayback::QueueWhenFree(const Stream &s, int32_t frames) {
    for (;;) {
        view_.ProcessPendingEvents();
        if (player_.stopPlayback)
            return false;
        const uint32_t result = player_.QueueBlock(s.block.data(), frames, false);
        if (result == kSoundOk)
            return true;
        WaitBriefly(result == TWavePlayer::kSlotBusy);
    }
}

// Returns when the next buffer has finished playing or after kSlotWaitMs,
// whichever is first; never sooner, so even a device that has stopped
// playing is polled only every few milliseconds.
void PreviewPlayback::WaitBriefly(bool slotBusy) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSlotWaitMs);
    if (slotBusy && player_.WaitNextSlot(kSlotWaitMs))
        return;
    std::this_thread::sleep_until(until);
}

void PreviewPlayback::PlayCleaned(const CleanedPlayRequest &request, const WaveFile &wave) {
    const int32_t frames = RepairedPlayFrames(settings_);
    const int32_t start = FramesBefore(request.noisePosition, frames / 2);
    if (settings_.CheckPlayTime == 0) {
        player_.fileName = request.sourcePath;
        PlayFrom(start, true, request.removal);
        return;
    }
    // Values the read does not deliver (past the end of the data) stay
    // silent; a file that delivers none (gone, or not the file whose header
    // is current) plays nothing and is reported once, with the open notice.
    std::vector<int16_t> block(size_t(frames) * kEngineChannels, 0);
    if (wave.ReadSamples(start * kEngineChannels, frames * kEngineChannels, request.sourcePath,
                         block.data())
            .values <= 0) {
        ShowOpenFailed(messages_);
        return;
    }
    // The engine reports to no log here, but the box is cleared around it as
    // around every repair the user only listens to.
    const bool makeFile = view_.MakeFileChecked();
    view_.SetMakeFileChecked(false);
    RepairPreviewBlock(block.data(), frames, request.removal);
    view_.SetMakeFileChecked(makeFile);
    ProtectedFiles none;
    if (!WritePreviewFile(block.data(), frames, request.tempPath, wave,
                          request.protectedFiles ? *request.protectedFiles : none, messages_))
        return;
    player_.fileName = request.tempPath;
    PlayFrom(0, false);
}
