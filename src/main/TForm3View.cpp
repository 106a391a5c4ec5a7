// Builds the settings dialog's controls. Every control gets its range and its
// starting position (the default setting) before any handler is connected, so
// building the dialog changes no setting and the first SyncControls moves the
// controls from the defaults, as the coupling rules expect.
#include "main/TForm3.h"
#include "ui/Controls.h"
#include "ui/ProgramFont.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>

namespace {

constexpr int kLeftX = 8;     // left column (detection, output options)
constexpr int kRightX = 244;  // right column (removal, track bars)
constexpr int kColumnW = 221; // width of either column
constexpr int kTrackH = 24;   // a track bar with its tick marks
constexpr int kEditX = 195;   // number edits, right of their labels
constexpr int kLowerY = 176;  // top of the output and number area

template <typename T> T *Named(T *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A horizontal track bar over a setting's range with a tick at every step,
// marks below.
QSlider *MakeTrack(QWidget *parent, const char *name, SettingRange range, int start,
                   const QRect &geometry) {
    auto *track = Named(new QSlider(Qt::Horizontal, parent), name);
    track->setRange(range.min, range.max);
    track->setValue(start);
    track->setTickPosition(QSlider::TicksBelow);
    track->setTickInterval(1);
    track->setSingleStep(1);
    track->setPageStep(1);
    track->setGeometry(geometry);
    // The style draws tick marks in a shade of the window colour, too faint to
    // count steps by; a darker window role (the bar paints no background of
    // its own) makes them readable.
    QPalette palette = track->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Window).darker(150));
    track->setPalette(palette);
    return track;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text,
                        const QRect &geometry) {
    auto *button = Named(new QPushButton(text, parent), name);
    // Enter in an edit must not press a button: "Default Set" would throw
    // away the user's sensitivities.
    button->setAutoDefault(false);
    button->setGeometry(geometry);
    return button;
}

QCheckBox *MakeCheck(QWidget *parent, const char *name, const QString &text, int y) {
    auto *check = Named(new QCheckBox(text, parent), name);
    check->setChecked(true); // the default of every output flag
    check->setGeometry(kLeftX + 8, y, kColumnW - 8, 18);
    return check;
}

// A mark under the end of a track bar, at x as designed for a one-character
// mark; a wider one (a translation's word) ends where that mark would end.
QLabel *MakeEndMark(QWidget *parent, const char *name, const QString &text, int x, int y) {
    constexpr int kMarkWidth = 14;
    QLabel *label = MakeLabel(parent, name, text, x, y);
    label->move(std::min(x, x + kMarkWidth - label->width()), y);
    return label;
}

QLineEdit *MakeEdit(QWidget *parent, const char *name, const QRect &geometry) {
    auto *edit = Named(new QLineEdit(parent), name);
    edit->setGeometry(geometry);
    return edit;
}

const char *const kLevel = QT_TRANSLATE_NOOP("TForm3", "レベル感度");
const char *const kTime = QT_TRANSLATE_NOOP("TForm3", "時間感度");
const std::array<const char *, 3> kLevelCaptions{QT_TRANSLATE_NOOP("TForm3", "LOW"),
                                                 QT_TRANSLATE_NOOP("TForm3", "MID"),
                                                 QT_TRANSLATE_NOOP("TForm3", "HIGH")};
const std::array<const char *, 3> kTimeCaptions{QT_TRANSLATE_NOOP("TForm3", "狭"),
                                                QT_TRANSLATE_NOOP("TForm3", "中"),
                                                QT_TRANSLATE_NOOP("TForm3", "広")};

// Where one sensitivity group stands and what it is called.
struct PresetGroupPlan {
    const char *boxName;
    // What a screen reader calls the group and its track bar: the caption
    // alone is the same in both columns.
    const char *accessibleName;
    bool level; // level sensitivity (LOW, MID, HIGH), else time (狭, 中, 広)
    std::array<const char *, 3> buttonNames;
    const char *trackName;
    int x;
    int y;
    int32_t Settings::*preset;
    PresetSlots Settings::*values;
};

// Detection on the left, removal on the right; level above time. In the
// order of TForm3's groups.
// clang-format off
constexpr std::array<PresetGroupPlan, 4> kPresetGroupPlans{{
    {"gbCL", QT_TRANSLATE_NOOP("TForm3", "検出時のレベル感度"), true,
     {"rdCLow", "rdCMid", "rdCHigh"}, "tbCL", kLeftX, 34, &Settings::rdCL, &Settings::rdCLV},
    {"gbCT", QT_TRANSLATE_NOOP("TForm3", "検出時の時間感度"), false,
     {"rdCTN", "rdCTM", "rdCTW"}, "tbCT", kLeftX, 102, &Settings::rdCT, &Settings::rdCTV},
    {"gbWL", QT_TRANSLATE_NOOP("TForm3", "除去時のレベル感度"), true,
     {"rdWLow", "rdWMid", "rdWHigh"}, "tbWL", kRightX, 34, &Settings::rdWL, &Settings::rdWLV},
    {"gbWT", QT_TRANSLATE_NOOP("TForm3", "除去時の時間感度"), false,
     {"rdWTN", "rdWTM", "rdWTW"}, "tbWT", kRightX, 102, &Settings::rdWT, &Settings::rdWTV},
}};
// clang-format on

} // namespace

TForm3::TForm3(Settings &settings, QWidget *edOutFile, QWidget *parent)
    : QDialog(parent), settings_(settings), edOutFile_(edOutFile) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setFont(ProgramFont(12));
    setFixedSize(473, 370);
    BuildSensitivityArea();
    BuildOutputArea();
    BuildNumberArea();
    BuildTrackArea();
    // Tab reads the sensitivity area column by column, as its two headings
    // divide it: the removal column's "Default Set" after the detection groups.
    setTabOrder(tbCT, cdDefaultW);
    ConnectHandlers();
}

void TForm3::BuildSensitivityArea() {
    Label1 = MakeLabel(this, "Label1", tr("検出時感度"), kLeftX, 6, 19);
    Label2 = MakeLabel(this, "Label2", tr("除去時感度"), kRightX, 6, 19);
    const QString defaultSet = tr("Default Set");
    cdDefaultC = MakeButton(this, "cdDefaultC", defaultSet, {kLeftX + kColumnW - 84, 6, 84, 24});
    cdDefaultW = MakeButton(this, "cdDefaultW", defaultSet, {kRightX + kColumnW - 84, 6, 84, 24});
    // Keys without a mnemonic in the caption: C for detection and D for
    // removal, as the main window's run buttons.
    cdDefaultC->setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
    cdDefaultW->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
    cdDefaultC->setAccessibleDescription(tr("検出時感度を初期値に戻す"));
    cdDefaultW->setAccessibleDescription(tr("除去時感度を初期値に戻す"));

    const Settings d = Settings::Defaults();
    for (size_t i = 0; i < groups_.size(); ++i) {
        const PresetGroupPlan &plan = kPresetGroupPlans[i];
        PresetGroup &group = groups_[i];
        group.preset = plan.preset;
        group.values = plan.values;
        // The default preset checked and its track value set.
        const int32_t preset = d.*group.preset;
        group.box = Named(new QGroupBox(tr(plan.level ? kLevel : kTime), this), plan.boxName);
        group.box->setGeometry(plan.x, plan.y, kColumnW, 66);
        for (int b = 0; b < 3; ++b) {
            const QString caption = tr((plan.level ? kLevelCaptions : kTimeCaptions)[size_t(b)]);
            auto *button = Named(new QRadioButton(caption, group.box), plan.buttonNames[size_t(b)]);
            button->setGeometry(10 + 70 * b, 18, 64, 18);
            button->setChecked(b + kPresetRange.min == preset);
            group.buttons[size_t(b)] = button;
        }
        group.track =
            MakeTrack(group.box, plan.trackName, plan.level ? kLevelTrackRange : kTimeTrackRange,
                      (d.*group.values)[size_t(preset)], {6, 38, kColumnW - 12, kTrackH});
        group.box->setAccessibleName(tr(plan.accessibleName));
        group.track->setAccessibleName(tr(plan.accessibleName));
    }
    const auto &[cl, ct, wl, wt] = groups_;
    gbCL = cl.box, rdCLow = cl.buttons[0], rdCMid = cl.buttons[1], rdCHigh = cl.buttons[2];
    gbCT = ct.box, rdCTN = ct.buttons[0], rdCTM = ct.buttons[1], rdCTW = ct.buttons[2];
    gbWL = wl.box, rdWLow = wl.buttons[0], rdWMid = wl.buttons[1], rdWHigh = wl.buttons[2];
    gbWT = wt.box, rdWTN = wt.buttons[0], rdWTM = wt.buttons[1], rdWTW = wt.buttons[2];
    tbCL = cl.track, tbCT = ct.track, tbWL = wl.track, tbWT = wt.track;
}

void TForm3::BuildOutputArea() {
    Label3 = MakeLabel(this, "Label3", tr("出力ファイル設定"), kLeftX, kLowerY, 13);
    ckSameDir =
        MakeCheck(this, "ckSameDir", tr("Inputと同じフォルダに出力"), kLowerY + 18);
    ckAuto = MakeCheck(this, "ckAuto", tr("自動で出力ファイル名を設定"), kLowerY + 36);
    ckOverW = MakeCheck(this, "ckOverW", tr("上書き確認"), kLowerY + 54);
    Label4 = MakeLabel(this, "Label4", tr("出力ファイルパス"), kLeftX, kLowerY + 76);
    edOutDir = MakeEdit(this, "edOutDir", {kLeftX, kLowerY + 92, kColumnW, 22});
    edOutDir->setEnabled(false); // output goes to the input folder by default
    Label4->setBuddy(edOutDir);
}

void TForm3::BuildNumberArea() {
    constexpr int top = kLowerY + 120;
    constexpr int step = 24;
    Label8 = MakeLabel(this, "Label8", tr("修正再生時間(秒）"), kLeftX, top + 4);
    edCPT = MakeEdit(this, "edCPT", {kEditX, top, kLeftX + kColumnW - kEditX, 22});
    Label5 = MakeLabel(this, "Label5", tr("ノイズデータのダンプテキスト長"), kLeftX,
                       top + step + 4);
    edDLen = MakeEdit(this, "edDLen", {kEditX, top + step, kLeftX + kColumnW - kEditX, 22});
    Label6 = MakeLabel(this, "Label6", tr("ログの最大行数（千行）"), kLeftX,
                       top + 2 * step + 4);
    edLogMax = MakeEdit(this, "edLogMax", {kEditX, top + 2 * step, kLeftX + kColumnW - kEditX, 22});
    Label8->setBuddy(edCPT);
    Label5->setBuddy(edDLen);
    Label6->setBuddy(edLogMax);
}

void TForm3::BuildTrackArea() {
    const Settings d = Settings::Defaults();
    constexpr int step = 56; // label, track bar, end labels
    const int right = kRightX + kColumnW;
    int y = kLowerY;
    Label7 = MakeLabel(this, "Label7", tr("再生バッファの深さ"), kRightX, y);
    tbBuffDipth = MakeTrack(this, "tbBuffDipth", kBuffDipthRange, d.BuffDipth,
                            {kRightX, y + 14, kColumnW, kTrackH});
    Label10 = MakeLabel(this, "Label10", tr("浅"), kRightX + 2, y + 38);
    Label11 = MakeEndMark(this, "Label11", tr("深"), right - 14, y + 38);

    y += step;
    Label9 = MakeLabel(this, "Label9", tr("波形表示粗さ"), kRightX, y);
    tbArasa =
        MakeTrack(this, "tbArasa", kArasaRange, d.Arasa, {kRightX, y + 14, kColumnW, kTrackH});
    Label13 = MakeLabel(this, "Label13", tr("精"), kRightX + 2, y + 38);
    // Above 30 the waveform is not drawn at all: "荒" sits at 30, "無" at the end.
    Label12 = MakeEndMark(this, "Label12", tr("荒"), right - 34, y + 38);
    Label14 = MakeEndMark(this, "Label14", tr("無"), right - 14, y + 38);
    Label14->setStyleSheet(QStringLiteral("color: red;"));

    y += step;
    Label15 = MakeLabel(this, "Label15", tr("波形表示時間"), kRightX, y);
    tbWinTime = MakeTrack(this, "tbWinTime", kWinTimeRange, d.WinTime,
                          {kRightX, y + 14, kColumnW, kTrackH});
    Label16 = MakeLabel(this, "Label16", tr("10ms"), kRightX + 2, y + 38);
    Label17 = MakeLabel(this, "Label17", tr("500ｍＳ"), 0, y + 38);
    Label17->move(right - Label17->width(), y + 38);

    Label7->setBuddy(tbBuffDipth);
    Label9->setBuddy(tbArasa);
    Label15->setBuddy(tbWinTime);

    cdClose = MakeButton(this, "cdClose", tr("閉じる"), {right - 80, 342, 80, 24});
    cdClose->setShortcut(QKeySequence(Qt::Key_Escape));
}

void TForm3::ConnectSensitivityHandlers() {
    // A preset button acts when it becomes checked; the button losing its
    // check in the same group does nothing.
    const auto onCheck = [this](QRadioButton *button, void (TForm3::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                (this->*handler)();
        });
    };
    using Handler = void (TForm3::*)();
    const std::array<std::array<Handler, 3>, 4> presetHandlers{{
        {&TForm3::rdCLowClick, &TForm3::rdCMidClick, &TForm3::rdCHighClick},
        {&TForm3::rdCTNClick, &TForm3::rdCTMClick, &TForm3::rdCTWClick},
        {&TForm3::rdWLowClick, &TForm3::rdWMidClick, &TForm3::rdWHighClick},
        {&TForm3::rdWTNClick, &TForm3::rdWTMClick, &TForm3::rdWTWClick},
    }};
    const std::array<Handler, 4> trackHandlers{&TForm3::tbCLChange, &TForm3::tbCTChange,
                                               &TForm3::tbWLChange, &TForm3::tbWTChange};
    for (size_t i = 0; i < groups_.size(); ++i) {
        for (size_t b = 0; b < 3; ++b)
            onCheck(groups_[i].buttons[b], presetHandlers[i][b]);
        connect(groups_[i].track, &QSlider::valueChanged, this, trackHandlers[i]);
    }
    connect(cdDefaultC, &QPushButton::clicked, this, &TForm3::cdDefaultCClick);
    connect(cdDefaultW, &QPushButton::clicked, this, &TForm3::cdDefaultWClick);
}

void TForm3::ConnectHandlers() {
    ConnectSensitivityHandlers();
    connect(ckSameDir, &QCheckBox::toggled, this, &TForm3::ckSameDirClick);
    connect(ckAuto, &QCheckBox::toggled, this, &TForm3::ckAutoClick);
    connect(ckOverW, &QCheckBox::toggled, this, &TForm3::ckOverWClick);
    connect(edOutDir, &QLineEdit::textChanged, this, &TForm3::edOutDirChange);
    connect(edDLen, &QLineEdit::textChanged, this, &TForm3::edDLenChange);
    connect(edLogMax, &QLineEdit::textChanged, this, &TForm3::edLogMaxChange);
    connect(edCPT, &QLineEdit::textChanged, this, &TForm3::edCPTChange);
    connect(tbBuffDipth, &QSlider::valueChanged, this, &TForm3::tbBuffDipthChange);
    connect(tbArasa, &QSlider::valueChanged, this, &TForm3::tbArasaChange);
    connect(tbWinTime, &QSlider::valueChanged, this, &TForm3::tbWinTimeChange);
    connect(cdClose, &QPushButton::clicked, this, &TForm3::cdCloseClick);
}
