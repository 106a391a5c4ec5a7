#pragma once
// The settings dialog: every field of Settings as a control. There is no OK or
// Cancel; each control writes its setting the moment its value changes, whether
// the user or the program changed it (Qt's value-changed signals), so a change
// is in force for the next run or playback at once. The settings reach the file
// only when the main window closes.
//
// The controls are built in TForm3View.cpp; the handlers are in TForm3.cpp.

#include "settings/Settings.h"

#include <QDialog>
#include <QLineEdit> // callers pass the main window's QLineEdit as edOutFile
#include <array>
#include <initializer_list>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

class TForm3 : public QDialog {
    Q_OBJECT

public:
    // settings is the main window's record and must outlive the dialog.
    // edOutFile is the main window's output-name edit, enabled exactly while
    // automatic naming is off; it may be null (no main window, as in tests).
    TForm3(Settings &settings, QWidget *edOutFile, QWidget *parent = nullptr);

    // Sets every control from the settings. Because the handlers run on every
    // change, clamping, the buffer/display-time coupling and the edit rules
    // then apply to the stored values as if the user had made the change.
    void SyncControls();

    // --- controls (member names are their object names) ---
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cdDefaultC = nullptr;
    QPushButton *cdDefaultW = nullptr;
    QGroupBox *gbCL = nullptr;
    QRadioButton *rdCLow = nullptr;
    QRadioButton *rdCMid = nullptr;
    QRadioButton *rdCHigh = nullptr;
    QSlider *tbCL = nullptr;
    QGroupBox *gbCT = nullptr;
    QRadioButton *rdCTN = nullptr;
    QRadioButton *rdCTM = nullptr;
    QRadioButton *rdCTW = nullptr;
    QSlider *tbCT = nullptr;
    QGroupBox *gbWL = nullptr;
    QRadioButton *rdWLow = nullptr;
    QRadioButton *rdWMid = nullptr;
    QRadioButton *rdWHigh = nullptr;
    QSlider *tbWL = nullptr;
    QGroupBox *gbWT = nullptr;
    QRadioButton *rdWTN = nullptr;
    QRadioButton *rdWTM = nullptr;
    QRadioButton *rdWTW = nullptr;
    QSlider *tbWT = nullptr;

    QLabel *Label3 = nullptr;
    QCheckBox *ckSameDir = nullptr;
    QCheckBox *ckAuto = nullptr;
    QCheckBox *ckOverW = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *edOutDir = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *edCPT = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *edDLen = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *edLogMax = nullptr;
    QLabel *Label7 = nullptr;
    QSlider *tbBuffDipth = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label9 = nullptr;
    QSlider *tbArasa = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QSlider *tbWinTime = nullptr;
    QLabel *Label16 = nullptr;
    QLabel *Label17 = nullptr;
    QPushButton *cdClose = nullptr;

public slots:
    void rdCLowClick();
    void rdCMidClick();
    void rdCHighClick();
    void rdCTNClick();
    void rdCTMClick();
    void rdCTWClick();
    void rdWLowClick();
    void rdWMidClick();
    void rdWHighClick();
    void rdWTNClick();
    void rdWTMClick();
    void rdWTWClick();
    void tbCLChange();
    void tbCTChange();
    void tbWLChange();
    void tbWTChange();
    void cdDefaultCClick();
    void cdDefaultWClick();
    void ckSameDirClick();
    void ckAutoClick();
    void ckOverWClick();
    void edOutDirChange();
    void edDLenChange();
    void edLogMaxChange();
    void edCPTChange();
    void tbBuffDipthChange();
    void tbArasaChange();
    void tbWinTimeChange();
    void cdCloseClick();
    // Runs each time the dialog is shown or becomes the active window, so it
    // always shows the current settings, also after they changed elsewhere.
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // One sensitivity group: three preset buttons over a track bar, mirroring a
    // preset field of the settings and the track values remembered per preset.
    struct PresetGroup {
        int32_t Settings::*preset = nullptr;
        PresetSlots Settings::*values = nullptr;
        QGroupBox *box = nullptr;
        std::array<QRadioButton *, 3> buttons{};
        QSlider *track = nullptr;
    };
    // The groups in groups_, in the order SyncControls sets them.
    enum GroupIndex { kCL, kCT, kWL, kWT };

    // TForm3View.cpp
    void BuildSensitivityArea();
    void BuildOutputArea();
    void BuildNumberArea();
    void BuildTrackArea();
    void ConnectHandlers();
    void ConnectSensitivityHandlers();

    // TForm3.cpp
    void SelectPreset(GroupIndex index, int32_t number);
    void StoreTrackValue(GroupIndex index);
    void SyncPresetGroup(const PresetGroup &group);
    // "Default Set" for the given groups: their presets and track values as a
    // missing settings file gives them, then every control shows the settings.
    void RestoreDefaults(std::initializer_list<GroupIndex> indices);

    Settings &settings_;
    QWidget *edOutFile_;
    std::array<PresetGroup, 4> groups_{}; // gbCL, gbCT, gbWL, gbWT
};
