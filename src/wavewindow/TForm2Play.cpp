// The wave window's playback handlers: play the input, the removal run's
// output, or the input with its clicks removed, from shortly before the
// click; and stop. The playback itself is PreviewPlayback's; the window only
// picks the file and the start and keeps its menus out of the way meanwhile.

#include "batch/NoiseLog.h"
#include "engine/Thresholds.h"
#include "settings/Settings.h"
#include "player/PreviewPlayback.h"
#include "wavewindow/TForm2.h"
#include "wavewindow/WindowPlaybackView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>

namespace {

// P1 and P2 start half a second before the click.
constexpr int32_t kLeadFrames = kDisplayFramesPerSecond / 2;

} // namespace

void TForm2::SetMenusEnabled(bool enabled) {
    for (QAction *item : {Exit1, NextN1, BackB1, P1, S1, D1, P2, S2, D2})
        item->setEnabled(enabled);
    Option1->menuAction()->setEnabled(enabled);
    StringGrid1->setEnabled(enabled);
}

void TForm2::PlayInPlaceOf(QAction *start, QAction *stop,
                           const std::function<void(PreviewPlayback &)> &play) {
    SetMenusEnabled(false);
    stop->setVisible(true);
    stop->setEnabled(true);
    start->setVisible(false);
    WindowPlaybackView view(*this, host_);
    PreviewPlayback playback(*player, view, host_.CurrentSettings(), messages_);
    play(playback);
    start->setVisible(true);
    stop->setVisible(false);
    SetMenusEnabled(true);
}

void TForm2::P1Click() {
    PlayInPlaceOf(P1, S1, [this](PreviewPlayback &playback) {
        player->fileName = sourceFolder + shownFileName;
        playback.PlayFrom(PreviewPlayback::FramesBefore(noisePosition, kLeadFrames), false);
    });
}

void TForm2::P2Click() {
    PlayInPlaceOf(P2, S2, [this](PreviewPlayback &playback) {
        player->fileName = repairedFolder + shownFileName;
        playback.PlayFrom(PreviewPlayback::FramesBefore(noisePosition, kLeadFrames), false);
    });
}

// The removal run's input, not its output, from half the repaired-play time
// before the click.
void TForm2::D2Click() {
    PlayInPlaceOf(D2, S3, [this](PreviewPlayback &playback) {
        const int32_t lead = PreviewPlayback::RepairedPlayFrames(host_.CurrentSettings()) / 2;
        player->fileName = sourceFolder + inputName;
        playback.PlayFrom(PreviewPlayback::FramesBefore(noisePosition, lead), false);
    });
}

void TForm2::D1Click() {
    lbNCount->show();
    PlayInPlaceOf(D1, S4, [this](PreviewPlayback &playback) {
        const QString input = sourceFolder + shownFileName;
        const CleanedPlayRequest request{input,
                                         noisePosition,
                                         SetRemoveThresholds(host_.CurrentSettings()),
                                         sourceFolder + kPlaybackFileName,
                                         &host_.ProtectedRunFiles()};
        playback.PlayCleaned(request, wave);
    });
    lbNCount->hide();
}

void TForm2::S1Click() {
    player->stopPlayback = true;
}

void TForm2::S2Click() {
    player->stopPlayback = true;
}

void TForm2::S3Click() {
    player->stopPlayback = true;
}

void TForm2::S4Click() {
    player->stopPlayback = true;
}
