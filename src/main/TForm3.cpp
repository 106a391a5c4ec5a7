// The settings dialog's handlers. Each one runs when its control's value
// changes (by the user or by the program) and writes the setting at once.
#include "TForm3.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include <optional>

namespace {

bool IsPreset(int32_t preset) {
    return preset >= 1 && preset <= 3;
}

// The edit's text as a number: nullopt unless it is all digits and fits 32 bits.
std::optional<int32_t> DigitsValue(const QString &text) {
    if (!IsAllDigits(text))
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

// The edit shows LogMax in thousands; larger values would overflow LogMax.
constexpr int32_t kLogMaxThousands = INT32_MAX / 1000;
// Repaired playback longer than this is refused in favour of kFallbackPlayTime.
constexpr int32_t kMaxPlayTime = 10;
constexpr int32_t kFallbackPlayTime = 2;
// The device buffer ring holds BuffDipth blocks of one display time each; it
// must hold at least 100 ms of sound (4410 frames) to play without gaps.
constexpr int32_t kMinQueuedFrames = 4410;
// Display times below 50 ms (index 2) need a deeper ring than 3 buffers.
constexpr int kShallowDepth = 4;
constexpr int kShallowWinTime = 2;

} // namespace

void TForm3::SyncPresetGroup(int32_t preset, const std::array<QRadioButton *, 3> &buttons,
                             QSlider *track, const std::array<int32_t, 4> &values) {
    if (!IsPreset(preset)) {
        // No button stands for this number; show none checked.
        for (QRadioButton *button : buttons) {
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
        }
        return;
    }
    buttons[preset - 1]->setChecked(true);
    track->setValue(values[preset]);
}

void TForm3::SyncControls() {
    const Settings &s = settings_;
    SyncPresetGroup(s.rdCL, {rdCLow, rdCMid, rdCHigh}, tbCL, s.rdCLV);
    SyncPresetGroup(s.rdCT, {rdCTN, rdCTM, rdCTW}, tbCT, s.rdCTV);
    SyncPresetGroup(s.rdWL, {rdWLow, rdWMid, rdWHigh}, tbWL, s.rdWLV);
    SyncPresetGroup(s.rdWT, {rdWTN, rdWTM, rdWTW}, tbWT, s.rdWTV);
    // Each value is read just before its control is set: the coupling of the
    // buffer depth and the display time may have changed it meanwhile.
    tbBuffDipth->setValue(s.BuffDipth);
    tbArasa->setValue(s.Arasa);
    tbWinTime->setValue(s.WinTime);
    ckAuto->setChecked(s.ckAuto);
    ckOverW->setChecked(s.ckOverW);
    ckSameDir->setChecked(s.ckSameDir);
    edOutDir->setText(s.outPath);
    edDLen->setText(QString::number(s.DumpTextLen));
    edLogMax->setText(QString::number(s.LogMax / 1000));
    edCPT->setText(QString::number(s.CheckPlayTime));
    edOutDir->setEnabled(!ckSameDir->isChecked());
}

void TForm3::SelectPreset(int32_t &preset, int32_t number, QSlider *track,
                          const std::array<int32_t, 4> &values) {
    preset = number;
    track->setValue(values[number]);
}

void TForm3::StoreTrackValue(int32_t preset, std::array<int32_t, 4> &values, const QSlider *track) {
    if (IsPreset(preset))
        values[preset] = track->value();
}

void TForm3::rdCLowClick() {
    SelectPreset(settings_.rdCL, 1, tbCL, settings_.rdCLV);
}
void TForm3::rdCMidClick() {
    SelectPreset(settings_.rdCL, 2, tbCL, settings_.rdCLV);
}
void TForm3::rdCHighClick() {
    SelectPreset(settings_.rdCL, 3, tbCL, settings_.rdCLV);
}
void TForm3::rdCTNClick() {
    SelectPreset(settings_.rdCT, 1, tbCT, settings_.rdCTV);
}
void TForm3::rdCTMClick() {
    SelectPreset(settings_.rdCT, 2, tbCT, settings_.rdCTV);
}
void TForm3::rdCTWClick() {
    SelectPreset(settings_.rdCT, 3, tbCT, settings_.rdCTV);
}
void TForm3::rdWLowClick() {
    SelectPreset(settings_.rdWL, 1, tbWL, settings_.rdWLV);
}
void TForm3::rdWMidClick() {
    SelectPreset(settings_.rdWL, 2, tbWL, settings_.rdWLV);
}
void TForm3::rdWHighClick() {
    SelectPreset(settings_.rdWL, 3, tbWL, settings_.rdWLV);
}
void TForm3::rdWTNClick() {
    SelectPreset(settings_.rdWT, 1, tbWT, settings_.rdWTV);
}
void TForm3::rdWTMClick() {
    SelectPreset(settings_.rdWT, 2, tbWT, settings_.rdWTV);
}
void TForm3::rdWTWClick() {
    SelectPreset(settings_.rdWT, 3, tbWT, settings_.rdWTV);
}

void TForm3::tbCLChange() {
    StoreTrackValue(settings_.rdCL, settings_.rdCLV, tbCL);
}
void TForm3::tbCTChange() {
    StoreTrackValue(settings_.rdCT, settings_.rdCTV, tbCT);
}
void TForm3::tbWLChange() {
    StoreTrackValue(settings_.rdWL, settings_.rdWLV, tbWL);
}
void TForm3::tbWTChange() {
    StoreTrackValue(settings_.rdWT, settings_.rdWTV, tbWT);
}

void TForm3::cdDefaultCClick() {
    const Settings d = Settings::Defaults();
    settings_.rdCLV = d.rdCLV;
    settings_.rdCTV = d.rdCTV;
    settings_.rdCL = d.rdCL;
    settings_.rdCT = d.rdCT;
    SyncControls();
}

void TForm3::cdDefaultWClick() {
    const Settings d = Settings::Defaults();
    settings_.rdWLV = d.rdWLV;
    settings_.rdWTV = d.rdWTV;
    settings_.rdWL = d.rdWL;
    settings_.rdWT = d.rdWT;
    SyncControls();
}

void TForm3::ckSameDirClick() {
    settings_.ckSameDir = ckSameDir->isChecked();
    edOutDir->setEnabled(!settings_.ckSameDir);
}

void TForm3::ckAutoClick() {
    settings_.ckAuto = ckAuto->isChecked();
    // The output name is typed by the user exactly when it is not made automatically.
    if (edOutFile_ != nullptr)
        edOutFile_->setEnabled(!settings_.ckAuto);
}

void TForm3::ckOverWClick() {
    settings_.ckOverW = ckOverW->isChecked();
}

void TForm3::edOutDirChange() {
    // Only the setting: a removal run takes its output folder from it when it
    // starts, so a half-typed folder never names a run's outputs.
    settings_.outPath = edOutDir->text();
}

void TForm3::edDLenChange() {
    if (const auto value = DigitsValue(edDLen->text()))
        settings_.DumpTextLen = *value;
}

void TForm3::edLogMaxChange() {
    const auto value = DigitsValue(edLogMax->text());
    if (value && *value <= kLogMaxThousands)
        settings_.LogMax = *value * 1000;
}

void TForm3::edCPTChange() {
    const QString text = edCPT->text();
    if (!IsAllDigits(text)) {
        settings_.CheckPlayTime = kFallbackPlayTime;
        return;
    }
    const auto value = DigitsValue(text);
    if (!value)
        return; // too long for a number: keep the setting
    if (*value > kMaxPlayTime) {
        settings_.CheckPlayTime = kFallbackPlayTime;
        edCPT->setText(QString::number(kFallbackPlayTime));
        return;
    }
    settings_.CheckPlayTime = *value;
}

void TForm3::tbBuffDipthChange() {
    settings_.BuffDipth = tbBuffDipth->value();
    if (tbBuffDipth->value() < kShallowDepth && tbWinTime->value() < kShallowWinTime)
        tbWinTime->setValue(kShallowWinTime);
}

void TForm3::tbWinTimeChange() {
    const int32_t minDepth = kMinQueuedFrames / kDisplayTimeFrames[tbWinTime->value()];
    if (minDepth > tbBuffDipth->value())
        tbBuffDipth->setValue(minDepth);
    settings_.WinTime = tbWinTime->value();
}

void TForm3::tbArasaChange() {
    settings_.Arasa = tbArasa->value();
}

void TForm3::cdCloseClick() {
    hide();
}

void TForm3::FormActivate() {
    SyncControls();
}

void TForm3::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TForm3::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}
