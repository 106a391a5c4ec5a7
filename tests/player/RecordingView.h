#pragma once
// A playback view for tests: records what a playback shows and runs a hook at
// every pump (a test raises the stop there).

#include "player/PlaybackView.h"

#include <functional>

class RecordingView : public PlaybackView {
public:
    bool positionShown = false;
    int positionShows = 0;
    QString positionText;
    QString repairCountText = QStringLiteral("lbNCount");
    QString axesLabel;
    int waves = 0; // DrawWave calls
    int pumps = 0;
    bool makeFile = true;
    std::function<void()> onPump;

    void ShowPositionLabel(bool visible) override {
        positionShown = visible;
        positionShows += visible ? 1 : 0;
    }
    void SetPositionText(const QString &text) override { positionText = text; }
    void SetRepairCountText(const QString &text) override { repairCountText = text; }
    void DrawAxes(int32_t, const QString &label) override { axesLabel = label; }
    void DrawWave(const int16_t *, int32_t, int32_t, int32_t) override { ++waves; }
    void ProcessPendingEvents() override {
        ++pumps;
        if (onPump)
            onPump();
    }
    bool MakeFileChecked() const override { return makeFile; }
    void SetMakeFileChecked(bool checked) override { makeFile = checked; }
};
