#include "player/TWavePlayer.h"

#include "settings/Settings.h"
#include "wavefile/ByteOrder.h"
#include "wavefile/WaveFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Extra time a device gets, beyond the play time of what is queued, before
// the player stops waiting for it.
constexpr int64_t kGraceMs = 2000;

// A format chunk shorter than 18 bytes has no extra size: the bytes it lacks
// read as zero.
WaveFormat DecodeFormat(const std::vector<uint8_t> &b) {
    WaveFormat f;
    f.formatTag = ReadLe16(&b[0]);
    f.channels = ReadLe16(&b[2]);
    f.sampleRate = ReadLe32(&b[4]);
    f.byteRate = ReadLe32(&b[8]);
    f.blockAlign = ReadLe16(&b[12]);
    f.bitsPerSample = ReadLe16(&b[14]);
    f.extraSize = uint16_t((b.size() > 16 ? b[16] : 0) | (b.size() > 17 ? b[17] << 8 : 0));
    return f;
}

} // namespace

TWavePlayer::TWavePlayer() : TWavePlayer(MakeSoundOutput()) {}

TWavePlayer::TWavePlayer(std::unique_ptr<SoundOutput> device) : device_(std::move(device)) {}

TWavePlayer::~TWavePlayer() {
    CloseDevice(true);
    CloseFile();
}

bool TWavePlayer::OpenFile() {
    CloseFile();
    file_ = FileHandle::OpenRead(fileName);
    if (!file_.isOpen())
        return false;
    if (!ReadHeader()) {
        CloseFile();
        return false;
    }
    return true;
}

bool TWavePlayer::ReadHeader() {
    const std::optional<ParsedWave> w = ParseWave(file_);
    if (!w)
        return false;
    const WaveFormat f = DecodeFormat(w->header.formatBody);
    // Nothing can be played, nor a frame counted, without PCM of a whole byte
    // per sample and at least one channel.
    if (f.formatTag != 1 || f.bitsPerSample / 8 == 0 || f.channels == 0)
        return false;
    format = f;
    dataOffset = w->dataOffset;
    dataSize = w->dataBytes;
    fileSize = w->fileSize;
    bytesPerSample = format.bitsPerSample / 8;
    bytesPerFrame = bytesPerSample * format.channels;
    return true;
}

bool TWavePlayer::SeekFrame(int32_t frame) {
    if (!file_.isOpen() || frame < 0)
        return false;
    return file_.seek(dataOffset + int64_t(frame) * bytesPerFrame);
}

int32_t TWavePlayer::ReadFrames(void *buffer, int32_t frames) {
    if (!file_.isOpen() || bytesPerFrame <= 0)
        return -1;
    if (frames <= 0)
        return 0;
    const int64_t got = file_.read(buffer, int64_t(frames) * bytesPerFrame);
    return got < 0 ? -1 : int32_t(got / bytesPerFrame);
}

void TWavePlayer::CloseFile() {
    file_.close();
}

void TWavePlayer::SetBufferCount(int32_t n) {
    slotCount_ = kBuffDipthRange.Contains(n) ? n : Settings::Defaults().BuffDipth;
}

uint32_t TWavePlayer::OpenDevice(const void *, int32_t frames) {
    CloseDevice(true);
    closing = false;
    outputBytesPerSample_ = outputFormat.bitsPerSample / 8;
    outputBytesPerFrame_ = outputBytesPerSample_ * outputFormat.channels;
    const int64_t bytes = int64_t(frames) * outputBytesPerFrame_;
    if (frames <= 0 || bytes > std::numeric_limits<int32_t>::max()) {
        lastResult_ = kSoundInvalidParam;
        return lastResult_;
    }
    slots_ = std::make_unique<Slot[]>(size_t(slotCount_));
    for (int32_t i = 0; i < slotCount_; ++i)
        slots_[i].buffer.assign(size_t(bytes), 0);
    ringSlots_ = slotCount_;
    blockFrames_ = frames;
    blockBytes_ = int32_t(bytes);
    nextSlot_ = 0;

    lastResult_ = device_->Open(outputFormat);
    deviceOpen_ = lastResult_ == kSoundOk;
    return lastResult_;
}

uint32_t TWavePlayer::QueueBlock(const void *block, int32_t frames, bool wait) {
    if (!deviceOpen_)
        return kSoundNotOpen;
    if (frames < 0 || frames > blockFrames_ || (frames > 0 && !block))
        return kSoundInvalidParam;
    Slot &slot = slots_[nextSlot_];
    if (slot.inUse && !slot.header.done.load(std::memory_order_acquire)) {
        if (!wait)
            return kSlotBusy;
        if (!device_->WaitDone(slot.header, QueuedPlayMs() + kGraceMs))
            return kWaitTimedOut;
    }
    const size_t bytes = size_t(frames) * size_t(outputBytesPerFrame_);
    if (bytes > 0)
        std::memcpy(slot.buffer.data(), block, bytes);
    slot.header.data = slot.buffer.data();
    slot.header.bytes = uint32_t(bytes);
    lastResult_ = device_->Write(slot.header);
    // A slot the device did not take is not in use: the caller's retry puts the
    // same block into it again, so order is kept and the ring cannot stall.
    if (lastResult_ != kSoundOk)
        return lastResult_;
    slot.inUse = 1;
    nextSlot_ = (nextSlot_ + 1) % ringSlots_;
    return lastResult_;
}

bool TWavePlayer::WaitNextSlot(int64_t timeoutMs) {
    if (!deviceOpen_)
        return false;
    const Slot &slot = slots_[nextSlot_];
    return !slot.inUse || device_->WaitDone(slot.header, timeoutMs);
}

int64_t TWavePlayer::QueuedPlayMs() const {
    const int64_t bytesPerSecond = int64_t(outputFormat.sampleRate) * outputBytesPerFrame_;
    if (bytesPerSecond <= 0)
        return 0;
    int64_t bytes = 0;
    for (int32_t i = 0; i < ringSlots_; ++i) {
        if (slots_[i].inUse && !slots_[i].header.done.load(std::memory_order_acquire))
            bytes += slots_[i].header.bytes;
    }
    return (bytes * 1000 + bytesPerSecond - 1) / bytesPerSecond;
}

uint32_t TWavePlayer::CloseDevice(bool reset) {
    closing = true;
    if (deviceOpen_) {
        lastResult_ = kSoundOk;
        // After a reset nothing is left to wait for; without one, a device
        // that stops draining is reset once its time is up.
        if (reset)
            lastResult_ = device_->Reset();
        else if (!device_->Drain(QueuedPlayMs() + kGraceMs))
            lastResult_ = device_->Reset();
        uint32_t closed = device_->Close();
        if (closed == kSoundStillPlaying) {
            // Something is still queued after all: drop it rather than wait.
            device_->Reset();
            closed = device_->Close();
        }
        // Not open any more means a failed reset has closed it already.
        if (closed != kSoundOk && closed != kSoundNotOpen)
            lastResult_ = closed;
        deviceOpen_ = false;
    }
    ReleaseRing();
    return lastResult_;
}

// The device has let go of every slot by now (closed, or never opened), so the
// buffers can go.
void TWavePlayer::ReleaseRing() {
    slots_.reset();
    ringSlots_ = 0;
    nextSlot_ = 0;
}
