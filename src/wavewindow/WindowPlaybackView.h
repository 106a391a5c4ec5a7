#pragma once
// The wave window as a preview playback shows itself: lbCount, lbNCount, the
// picture, the window's event pump and the main window's ckMakeFile box.

#include "player/PlaybackView.h"

class TForm2;
class WaveWindowHost;

class WindowPlaybackView final : public PlaybackView {
public:
    WindowPlaybackView(TForm2 &window, WaveWindowHost &host) : window_(window), host_(host) {}

    void ShowPositionLabel(bool visible) override;
    void SetPositionText(const QString &text) override;
    void SetRepairCountText(const QString &text) override;
    void DrawAxes(int32_t channelCount, const QString &label) override;
    void DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                  int32_t channelCount) override;
    void ProcessPendingEvents() override;
    bool MakeFileChecked() const override;
    void SetMakeFileChecked(bool checked) override;

private:
    TForm2 &window_;
    WaveWindowHost &host_;
};
