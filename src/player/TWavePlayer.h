#pragma once
// The wave window's player: opens one PCM wave file of any sample size and
// channel count, reads it by frames, and streams blocks to the sound output
// through a ring of slots whose completion it polls.
//
// Threads: a TWavePlayer is used from the user-interface thread only. It runs
// no thread and receives no callback; it learns that a slot has played only by
// reading the slot's done flag (see SoundBuffer), and every wait it does is
// bounded, so a device that stops playing never hangs the program.
//
// Order of use: set fileName, OpenFile, SeekFrame, SetBufferCount, set
// outputFormat, OpenDevice; then ReadFrames and QueueBlock per block; then
// CloseDevice and CloseFile.

#include "filesystem/FileHandle.h"
#include "player/SoundOutput.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TWavePlayer {
public:
    // QueueBlock's answer when the next slot is still playing and the caller
    // did not want to wait.
    static constexpr uint32_t kSlotBusy = 10000;
    // QueueBlock's answer when the caller waited for the next slot and it was
    // still playing when the bounded wait ran out: the device has stopped
    // playing. Nothing changes; the caller may try again or close with reset.
    static constexpr uint32_t kWaitTimedOut = 10001;

    // Plays through the platform's default output device.
    TWavePlayer();
    // Plays through device (tests give a scripted one).
    explicit TWavePlayer(std::unique_ptr<SoundOutput> device);
    ~TWavePlayer();
    TWavePlayer(const TWavePlayer &) = delete;
    TWavePlayer &operator=(const TWavePlayer &) = delete;

    // Opens fileName for reading (others may read and write it meanwhile) and
    // reads its header: RIFF and WAVE ids (case ignored), PCM format of any
    // sample size and channel count, a data chunk lying wholly inside the
    // file. On any failure the file is closed again; nothing is shown.
    bool OpenFile();
    // Positions the file at frame (0 = the first frame of the data).
    bool SeekFrame(int32_t frame);
    // Reads frames × bytesPerFrame bytes into buffer; returns the whole frames
    // read (fewer near the end, which is no failure), or -1 on a read error.
    int32_t ReadFrames(void *buffer, int32_t frames);
    void CloseFile();

    // Ring size for the next OpenDevice: n when it is a BuffDipth the settings
    // can hold, otherwise the default BuffDipth.
    void SetBufferCount(int32_t n);
    // Builds the ring for blocks of up to frames frames of outputFormat and
    // opens the device with outputFormat. Returns the device's result, 0 on
    // success. After a failure the ring exists but no device is open;
    // CloseDevice then only releases the ring. block is not read: each slot
    // has its own buffer.
    uint32_t OpenDevice(const void *block, int32_t frames);
    // Copies frames frames (at most blockFrames) from block into the next slot
    // and queues it. Returns 0; kSlotBusy when that slot is still playing and
    // wait is false (nothing changes then); or the device's error, after which
    // the same slot is tried again by the next call. With wait the call waits
    // for the slot at most the play time of the ring plus two seconds, and
    // answers kWaitTimedOut (changing nothing) when that runs out.
    uint32_t QueueBlock(const void *block, int32_t frames, bool wait);
    // Waits at most timeoutMs for the slot QueueBlock fills next to finish
    // playing; true when it is free (at once when it is not in use). A
    // device that has stopped may answer false before the time is up.
    bool WaitNextSlot(int64_t timeoutMs);
    // Closes the device and releases the ring. With reset, playback stops at
    // once; without it, the call returns after everything queued has played,
    // or after that play time plus two seconds when the device stops
    // draining, and then drops the rest.
    uint32_t CloseDevice(bool reset);

    int32_t slotCount() const { return slotCount_; }
    int32_t blockFrames() const { return blockFrames_; }
    // Slots currently in the ring (slotCount as it was at OpenDevice).
    int32_t ringSlots() const { return ringSlots_; }
    bool deviceOpen() const { return deviceOpen_; }
    bool fileOpen() const { return file_.isOpen(); }
    uint32_t lastResult() const { return lastResult_; }

    // The file as read by the last successful OpenFile.
    WaveFormat format;                    // the format chunk; extra size 0 when it has none
    int32_t bytesPerFrame = 0;            // bytesPerSample × channels
    int32_t bytesPerSample = 0;           // bits per sample / 8
    int32_t dataOffset = 0;               // file offset of the first sample
    int32_t dataSize = 0;                 // bytes of samples
    int32_t fileSize = 0;

    // The format handed to the device by OpenDevice; the caller sets it.
    WaveFormat outputFormat;
    QString fileName; // the file OpenFile opens
    bool closing = false;
    // Raised by the stop controls and tested by the playback loop; the player
    // itself never reads it.
    bool stopPlayback = false;

private:
    struct Slot {
        int32_t inUse = 0; // queued at least once since the ring was built
        SoundBuffer header;
        std::vector<uint8_t> buffer;
    };

    bool ReadHeader();
    int64_t QueuedPlayMs() const;
    void ReleaseRing();

    std::unique_ptr<SoundOutput> device_;
    bool deviceOpen_ = false;
    int32_t outputBytesPerFrame_ = 0;
    int32_t outputBytesPerSample_ = 0;
    int32_t nextSlot_ = 0;
    int32_t slotCount_ = 8;
    int32_t blockBytes_ = 0;
    int32_t blockFrames_ = 4096;
    int32_t ringSlots_ = 0;
    std::unique_ptr<Slot[]> slots_;
    uint32_t lastResult_ = 0;
    FileHandle file_;
};
