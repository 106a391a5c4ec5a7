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
// must hold at least 100 ms of sound to play without gaps.
constexpr int32_t kMinQueuedFrames = DisplayFrames(100);
// Display times below 50 ms (index 2) need a deeper ring than 3 buffers.
constexpr int kShallowDepth = 4;
constexpr int kShallowWinTime = 2;

} // namespace

void TForm3::SyncPresetGroup(const PresetGroup &group) {
    const int32_t preset = settings_.*group.preset;
    if (!kPresetRange.Contains(preset)) {
        // No button stands for this number; show none checked.
        for (QRadioButton *button : group.buttons) {
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
        }
        return;
    }
    group.buttons[size_t(preset - kPresetRange.min)]->setChecked(true);
    group.track->setValue((settings_.*group.values)[size_t(preset)]);
}

void TForm3::SyncControls() {
    const Settings &s = settings_;
    for (const PresetGroup &group : groups_)
        SyncPresetGroup(group);
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

void TForm3::SelectPreset(GroupIndex index, int32_t number) {
    const PresetGroup &group = groups_[index];
    settings_.*group.preset = number;
    group.track->setValue((settings_.*group.values)[size_t(number)]);
}

void TForm3::StoreTrackValue(GroupIndex index) {
    const PresetGroup &group = groups_[index];
    const int32_t preset = settings_.*group.preset;
    if (kPresetRange.Contains(preset))
        (settings_.*group.values)[size_t(preset)] = group.track->value();
}

void TForm3::rdCLowClick() {
    SelectPreset(kCL, 1);
}
void TForm3::rdCMidClick() {
    SelectPreset(kCL, 2);
}
void TForm3::rdCHighClick() {
    SelectPreset(kCL, 3);
}
void TForm3::rdCTNClick() {
    SelectPreset(kCT, 1);
}
void TForm3::rdCTMClick() {
    SelectPreset(kCT, 2);
}
void TForm3::rdCTWClick() {
    SelectPreset(kCT, 3);
}
void TForm3::rdWLowClick() {
    SelectPreset(kWL, 1);
}
void TForm3::rdWMidClick() {
    SelectPreset(kWL, 2);
}
void TForm3::rdWHighClick() {
    SelectPreset(kWL, 3);
}
void TForm3::rdWTNClick() {
    SelectPreset(kWT, 1);
}
void TForm3::rdWTMClick() {
    SelectPreset(kWT, 2);
}
void TForm3::rdWTWClick() {
    SelectPreset(kWT, 3);
}

void TForm3::tbCLChange() {
    StoreTrackValue(kCL);
}
void TForm3::tbCTChange() {
    StoreTrackValue(kCT);
}
void TForm3::tbWLChange() {
    StoreTrackValue(kWL);
}
void TForm3::tbWTChange() {
    StoreTrackValue(kWT);
}

void TForm3::RestoreDefaults(std::initializer_list<GroupIndex> indices) {
    const Settings d = Settings::Defaults();
    for (const GroupIndex index : indices) {
        const PresetGroup &group = groups_[index];
        settings_.*group.values = d.*group.values;
        settings_.*group.preset = d.*group.preset;
    }
    SyncControls();
}

void TForm3::cdDefaultCClick() {
    RestoreDefaults({kCL, kCT});
}

void TForm3::cdDefaultWClick() {
    RestoreDefaults({kWL, kWT});
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
