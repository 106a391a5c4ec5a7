#include "wavewindow/WindowPlaybackView.h"

#include "wavewindow/TForm2.h"

#include <QCoreApplication>
#include <QLabel>

void WindowPlaybackView::ShowPositionLabel(bool visible) {
    window_.lbCount->setVisible(visible);
}

// The labels size themselves to their text, as their design captions did.
void WindowPlaybackView::SetPositionText(const QString &text) {
    window_.lbCount->setText(text);
    window_.lbCount->adjustSize();
}

void WindowPlaybackView::SetRepairCountText(const QString &text) {
    window_.lbNCount->setText(text);
    window_.lbNCount->adjustSize();
}

void WindowPlaybackView::DrawAxes(int32_t channelCount, const QString &label) {
    window_.canvas->DrawAxes(channelCount, label);
    window_.DescribePicture(TForm2::PictureShows::Playback);
}

void WindowPlaybackView::DrawWave(const int16_t *values, int32_t count, int32_t coarseness,
                                  int32_t channelCount) {
    window_.canvas->DrawWave(values, count, coarseness, channelCount);
}

void WindowPlaybackView::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

bool WindowPlaybackView::MakeFileChecked() const {
    return host_.MakeFileChecked();
}

void WindowPlaybackView::SetMakeFileChecked(bool checked) {
    host_.SetMakeFileChecked(checked);
}
