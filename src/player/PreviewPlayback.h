#pragma once
// The wave window's preview playback without the window: streams a wave file
// from a start frame to its end, or until stopped, through the player's ring
// of device buffers, drawing each block and showing the position as it goes;
// optionally with the clicks removed as the removal pass removes them.
//
// Threads: the user-interface thread only. PlayFrom returns when playback has
// ended. While it waits for a free device buffer it sleeps on that buffer a
// few milliseconds at a time and processes pending events in between, so it
// never keeps a processor busy and a stop (the player's stopPlayback, raised
// by the stop items or the close box) is seen within a block's play time.

#include "engine/ClickEngine.h"
#include "player/LiveRepair.h"
#include "player/PlaybackView.h"
#include "player/TWavePlayer.h"
#include "settings/Settings.h"
#include "batch/MessageSink.h"
#include "filesystem/ProtectedFiles.h"
#include "wavefile/WaveFile.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// The click on show, for playback with its clicks removed.
struct CleanedPlayRequest {
    QString sourcePath;         // the input: sourceFolder + shownFileName
    int32_t noisePosition = 0;  // the click's frame
    Thresholds removal;         // the removal thresholds
    QString tempPath;           // sourceFolder + "dozavarav.wav"
    // The last run's files, which the temporary file must never replace, and
    // the temporary files written, the only ones it may; null: none.
    ProtectedFiles *protectedFiles = nullptr;
};

class PreviewPlayback {
public:
    // settings is the owner's record, read afresh at every start, so a change
    // made in the settings dialog applies to the next playback. messages
    // tells the user why a playback could not start.
    PreviewPlayback(TWavePlayer &player, PlaybackView &view, const Settings &settings,
                    MessageSink &messages);

    // Plays the player's fileName from startFrame to the end, in blocks of
    // the WinTime length through a ring of BuffDipth buffers. With liveRepair
    // the frames played are those the removal pass writes with thresholds,
    // and lbNCount counts the clicks repaired in the stretch played. A read
    // that delivers nothing (the file has shrunk) ends the playback. A file
    // the player cannot open is reported with the open notice, a device that
    // does not open with kNoDeviceMessage; nothing plays then.
    void PlayFrom(int32_t startFrame, bool liveRepair, const Thresholds &thresholds = {});

    // The input with its clicks removed, from half the repaired-play time
    // before the click: live to the end of the file when CheckPlayTime is 0;
    // otherwise CheckPlayTime seconds read through wave (the header of the
    // input), repaired as a block of their own, written to the temporary file
    // and played once. Nothing plays when the temporary file cannot be written.
    void PlayCleaned(const CleanedPlayRequest &request, const WaveFile &wave);

    // Frames of repaired playback: CheckPlayTime seconds, or one second when it is 0.
    static int32_t RepairedPlayFrames(const Settings &settings);
    // The frame n frames before the click, or the first frame.
    static int32_t FramesBefore(int32_t noisePosition, int32_t n);

private:
    struct Stream;

    bool OpenStream(Stream &stream, int32_t startFrame, bool liveRepair,
                    const Thresholds &thresholds);
    void PlayBlocks(Stream &stream);
    // Fills the block from the file, or cleaned; the frames delivered.
    int32_t ReadBlock(Stream &stream, int32_t frames);
    // Queues the block once a buffer is free; false when stopped meanwhile.
    bool QueueWhenFree(const Stream &stream, int32_t frames);
    void WaitBriefly(bool slotBusy);

    TWavePlayer &player_;
    PlaybackView &view_;
    const Settings &settings_;
    MessageSink &messages_;
};

// Said when the sound device cannot be opened.
inline const QString kNoDeviceMessage =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "サウンドデバイスを開けませんでした。"));
