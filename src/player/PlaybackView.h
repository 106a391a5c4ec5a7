#pragma once
// What a preview playback shows while it plays, and the pump that keeps the
// program responsive. The wave window implements it with its labels, its
// picture and the main window's ckMakeFile box; tests fake it, so a whole
// playback can run with no window.

#include <QString>
#include <cstdint>

class PlaybackView {
public:
    virtual ~PlaybackView() = default;

    // lbCount: shown for the length of a playback, holding "position/total".
    virtual void ShowPositionLabel(bool visible) = 0;
    virtual void SetPositionText(const QString &text) = 0;
    // lbNCount: the running total of clicks removed while playing.
    virtual void SetRepairCountText(const QString &text) = 0;

    // The picture: the axes with the block length as label, then each block
    // before it is queued (coarseness above kArasaMaxDrawn draws nothing).
    virtual void DrawAxes(int32_t channelCount, const QString &label) = 0;
    virtual void DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                          int32_t channelCount) = 0;

    // Handles every pending window event once; the stop items and the close
    // box act through it.
    virtual void ProcessPendingEvents() = 0;

    // ckMakeFile: cleared for the length of a playback, so the engine's
    // clicks never reach the detail log, and put back afterwards.
    virtual bool MakeFileChecked() const = 0;
    virtual void SetMakeFileChecked(bool checked) = 0;
};
