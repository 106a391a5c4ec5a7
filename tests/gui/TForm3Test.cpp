// The settings dialog: controls, live writes into Settings, the preset slots,
// the buffer depth / display time coupling and the number edit rules.
#include "main/TForm3.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <memory>

namespace {

class TForm3Test : public ::testing::Test {
protected:
    // Builds the dialog over the current settings_ and shows its controls the
    // settings, as becoming the active window does.
    void open() {
        form_ = std::make_unique<TForm3>(settings_, &outFile_);
        form_->FormActivate();
    }

    Settings settings_ = Settings::Defaults();
    QLineEdit outFile_;
    std::unique_ptr<TForm3> form_;
};

TEST_F(TForm3Test, BuildingAndShowingDefaultsChangesNoSetting) {
    form_ = std::make_unique<TForm3>(settings_, &outFile_);
    EXPECT_EQ(settings_, Settings::Defaults());
    form_->FormActivate();
    EXPECT_EQ(settings_, Settings::Defaults());
    EXPECT_TRUE(form_->rdCLow->isChecked());
    EXPECT_TRUE(form_->rdWHigh->isChecked());
    EXPECT_EQ(form_->tbWL->value(), 16);
    EXPECT_EQ(form_->edLogMax->text(), "100");
    EXPECT_EQ(form_->edOutDir->text(), settings_.outPath);
}

TEST_F(TForm3Test, WindowIsAFixedNonModalDialogOnTop) {
    open();
    EXPECT_EQ(form_->windowTitle(), QString::fromUtf8("設定"));
    EXPECT_EQ(form_->size(), QSize(473, 370));
    EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
    EXPECT_TRUE(form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(form_->isModal());
}

struct TrackCase {
    const char *name;
    int minimum;
    int maximum;
};

TEST_F(TForm3Test, TrackBarsHaveTheirRangesAndATickAtEveryStep) {
    open();
    for (const TrackCase &c :
         {TrackCase{"tbCL", 0, 19}, TrackCase{"tbCT", 0, 15}, TrackCase{"tbWL", 0, 19},
          TrackCase{"tbWT", 0, 15}, TrackCase{"tbBuffDipth", 2, 16}, TrackCase{"tbArasa", 1, 32},
          TrackCase{"tbWinTime", 0, 5}}) {
        const auto *track = form_->findChild<QSlider *>(c.name);
        ASSERT_NE(track, nullptr) << c.name;
        EXPECT_EQ(track->minimum(), c.minimum) << c.name;
        EXPECT_EQ(track->maximum(), c.maximum) << c.name;
        EXPECT_EQ(track->orientation(), Qt::Horizontal) << c.name;
        EXPECT_EQ(track->tickPosition(), QSlider::TicksBelow) << c.name;
        EXPECT_EQ(track->tickInterval(), 1) << c.name;
    }
}

TEST_F(TForm3Test, ControlsCarryTheirNamesAndCaptions) {
    open();
    const std::pair<const char *, const char *> captions[] = {
        {"Label1", "検出時感度"},
        {"Label2", "除去時感度"},
        {"Label3", "出力ファイル設定"},
        {"Label4", "出力ファイルパス"},
        {"Label5", "ノイズデータのダンプテキスト長"},
        {"Label6", "ログの最大行数（千行）"},
        {"Label7", "再生バッファの深さ"},
        {"Label8", "修正再生時間(秒）"},
        {"Label9", "波形表示粗さ"},
        {"Label10", "浅"},
        {"Label11", "深"},
        {"Label12", "荒"},
        {"Label13", "精"},
        {"Label14", "無"},
        {"Label15", "波形表示時間"},
        {"Label16", "10ms"},
        {"Label17", "500ｍＳ"}};
    for (const auto &[name, text] : captions) {
        const auto *label = form_->findChild<QLabel *>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), QString::fromUtf8(text)) << name;
    }
    EXPECT_EQ(form_->Label1->font().pixelSize(), 19);
    EXPECT_EQ(form_->Label2->font().pixelSize(), 19);
    EXPECT_EQ(form_->Label3->font().pixelSize(), 13);
    EXPECT_EQ(form_->findChild<QGroupBox *>("gbCT")->title(), QString::fromUtf8("時間感度"));
    EXPECT_EQ(form_->findChild<QRadioButton *>("rdWTW")->text(), QString::fromUtf8("広"));
    EXPECT_EQ(form_->findChild<QPushButton *>("cdDefaultW")->text(), "Default Set");
    EXPECT_EQ(form_->findChild<QPushButton *>("cdClose")->text(), QString::fromUtf8("閉じる"));
    EXPECT_EQ(form_->findChild<QCheckBox *>("ckOverW")->text(), QString::fromUtf8("上書き確認"));
}

TEST_F(TForm3Test, EachPresetKeepsItsOwnTrackValue) {
    open();
    form_->rdCMid->click();
    EXPECT_EQ(settings_.rdCL, 2);
    EXPECT_EQ(form_->tbCL->value(), 13);
    form_->tbCL->setValue(17);
    form_->rdCLow->click();
    EXPECT_EQ(form_->tbCL->value(), 8);
    form_->rdCMid->click();
    EXPECT_EQ(form_->tbCL->value(), 17);
    EXPECT_EQ(settings_.rdCLV, (std::array<int32_t, 4>{0, 8, 17, 16}));

    form_->rdWTW->click();
    form_->tbWT->setValue(99); // clamped to the track bar's range
    EXPECT_EQ(settings_.rdWTV, (std::array<int32_t, 4>{0, 0, 5, 15}));
    EXPECT_EQ(settings_.rdWT, 3);
}

// Each preset button selects its own preset and shows that preset's slot; the
// group's track bar then writes that slot and nothing else.
TEST_F(TForm3Test, EveryPresetButtonAndTrackBarReachesItsOwnSetting) {
    struct Group {
        std::array<const char *, 3> buttons;
        const char *track;
        int32_t Settings::*preset;
        PresetSlots Settings::*values;
    };
    const Group groups[] = {
        {{"rdCLow", "rdCMid", "rdCHigh"}, "tbCL", &Settings::rdCL, &Settings::rdCLV},
        {{"rdCTN", "rdCTM", "rdCTW"}, "tbCT", &Settings::rdCT, &Settings::rdCTV},
        {{"rdWLow", "rdWMid", "rdWHigh"}, "tbWL", &Settings::rdWL, &Settings::rdWLV},
        {{"rdWTN", "rdWTM", "rdWTW"}, "tbWT", &Settings::rdWT, &Settings::rdWTV},
    };
    for (int g = 0; g < 4; ++g) // a different value in every slot of the dialog
        settings_.*groups[g].values = {0, 3 * g + 1, 3 * g + 2, 3 * g + 3};
    open();
    for (const Group &g : groups) {
        auto *track = form_->findChild<QSlider *>(g.track);
        for (int32_t preset = 1; preset <= 3; ++preset) {
            Settings expected = settings_;
            form_->findChild<QRadioButton *>(g.buttons[size_t(preset - 1)])->click();
            expected.*g.preset = preset;
            EXPECT_EQ(track->value(), (expected.*g.values)[size_t(preset)]) << g.track << preset;
            track->setValue(14);
            (expected.*g.values)[size_t(preset)] = 14;
            EXPECT_EQ(settings_, expected) << g.track << preset;
        }
    }
}

TEST_F(TForm3Test, DefaultSetRestoresOneSideOnly) {
    settings_.rdCL = 3;
    settings_.rdCT = 2;
    settings_.rdCLV = {0, 1, 2, 3};
    settings_.rdCTV = {0, 4, 5, 6};
    settings_.rdWL = 2;
    settings_.rdWT = 3;
    settings_.rdWLV = {0, 7, 8, 9};
    settings_.rdWTV = {0, 10, 11, 12};
    open();
    form_->cdDefaultC->click();
    EXPECT_TRUE(form_->rdCLow->isChecked());
    EXPECT_TRUE(form_->rdCTN->isChecked());
    EXPECT_EQ(form_->tbCL->value(), 8);
    EXPECT_EQ(form_->tbCT->value(), 0);
    EXPECT_EQ(settings_.rdCLV, Settings::Defaults().rdCLV);
    EXPECT_EQ(settings_.rdCTV, Settings::Defaults().rdCTV);
    EXPECT_EQ(settings_.rdWLV, (std::array<int32_t, 4>{0, 7, 8, 9}));
    EXPECT_EQ(form_->tbWL->value(), 8);

    form_->cdDefaultW->click();
    EXPECT_TRUE(form_->rdWHigh->isChecked());
    EXPECT_TRUE(form_->rdWTN->isChecked());
    EXPECT_EQ(form_->tbWL->value(), 16);
    EXPECT_EQ(form_->tbWT->value(), 0);
    EXPECT_EQ(settings_.rdWL, 3);
    EXPECT_EQ(settings_.rdWT, 1);
    EXPECT_EQ(settings_.rdWTV, Settings::Defaults().rdWTV);
}

// Moving the display time pulls the buffer depth up to what it needs.
struct WinTimeCase {
    int depth;
    int winTime;
    int expectedDepth;
};

TEST_F(TForm3Test, ShortDisplayTimeDeepensTheBuffer) {
    open();
    for (const WinTimeCase &c :
         {WinTimeCase{3, 0, 10}, WinTimeCase{3, 1, 5}, WinTimeCase{3, 2, 3}, WinTimeCase{2, 2, 2},
          WinTimeCase{12, 0, 12}, WinTimeCase{2, 5, 2}}) {
        form_->tbWinTime->setValue(3);
        form_->tbBuffDipth->setValue(c.depth);
        form_->tbWinTime->setValue(c.winTime);
        EXPECT_EQ(settings_.BuffDipth, c.expectedDepth) << c.depth << " " << c.winTime;
        EXPECT_EQ(form_->tbBuffDipth->value(), c.expectedDepth);
        EXPECT_EQ(settings_.WinTime, c.winTime);
    }
}

TEST_F(TForm3Test, ShallowBufferLengthensAShortDisplayTime) {
    open();
    form_->tbWinTime->setValue(0);
    ASSERT_EQ(settings_.BuffDipth, 10);
    form_->tbBuffDipth->setValue(5);
    EXPECT_EQ(settings_.BuffDipth, 5);
    EXPECT_EQ(settings_.WinTime, 0);
    form_->tbBuffDipth->setValue(3);
    EXPECT_EQ(settings_.BuffDipth, 3);
    EXPECT_EQ(settings_.WinTime, 2);
    EXPECT_EQ(form_->tbWinTime->value(), 2);
}

TEST_F(TForm3Test, StoredShortDisplayTimeWithShallowBufferIsMendedOnShow) {
    settings_.WinTime = 0;
    settings_.BuffDipth = 3;
    open();
    EXPECT_EQ(settings_.BuffDipth, 10);
    EXPECT_EQ(settings_.WinTime, 0);
}

struct EditCase {
    const char *text;
    int32_t expected;
    const char *shown;
};

TEST_F(TForm3Test, PlayTimeEdit) {
    settings_.CheckPlayTime = 7;
    open();
    for (const EditCase &c :
         {EditCase{"11", 2, "2"}, EditCase{"10", 10, "10"},
          EditCase{"99999999999", 10, "99999999999"}, EditCase{"", 2, ""},
          EditCase{"007", 7, "007"}, EditCase{"-1", 2, "-1"}, EditCase{"0", 0, "0"}}) {
        form_->edCPT->setText(c.text);
        EXPECT_EQ(settings_.CheckPlayTime, c.expected) << c.text;
        EXPECT_EQ(form_->edCPT->text(), c.shown) << c.text;
    }
}

TEST_F(TForm3Test, LogMaxEditKeepsTheSettingForTextThatIsNoUsableNumber) {
    open();
    for (const EditCase &c :
         {EditCase{"12", 12000, ""}, EditCase{"ab", 12000, ""}, EditCase{"1 2", 12000, ""},
          EditCase{"2147483", 2147483000, ""}, EditCase{"2147484", 2147483000, ""},
          EditCase{"99999999999", 2147483000, ""}, EditCase{"0", 0, ""}}) {
        form_->edLogMax->setText(c.text);
        EXPECT_EQ(settings_.LogMax, c.expected) << c.text;
    }
}

TEST_F(TForm3Test, DumpLengthEdit) {
    open();
    for (const EditCase &c :
         {EditCase{"120", 120, ""}, EditCase{"", 120, ""}, EditCase{"1.5", 120, ""},
          EditCase{"4294967296", 120, ""}, EditCase{"0", 0, ""}}) {
        form_->edDLen->setText(c.text);
        EXPECT_EQ(settings_.DumpTextLen, c.expected) << c.text;
    }
}

TEST_F(TForm3Test, LogMaxIsShownInThousandsAndTakenBackAsShown) {
    settings_.LogMax = 12345;
    open();
    EXPECT_EQ(form_->edLogMax->text(), "12");
    EXPECT_EQ(settings_.LogMax, 12000);
}

TEST_F(TForm3Test, OutputFolderEditIsUsableOnlyWhenNotWritingBesideTheInput) {
    settings_.ckSameDir = false;
    open();
    EXPECT_TRUE(form_->edOutDir->isEnabled());
    form_->ckSameDir->click();
    EXPECT_TRUE(settings_.ckSameDir);
    EXPECT_FALSE(form_->edOutDir->isEnabled());

    settings_.ckSameDir = true;
    open();
    EXPECT_FALSE(form_->edOutDir->isEnabled());
}

TEST_F(TForm3Test, OutputFolderEditWritesTheTextAsTyped) {
    open();
    form_->edOutDir->setText(QString::fromUtf8("/mnt/my music/出力/"));
    EXPECT_EQ(settings_.outPath, QString::fromUtf8("/mnt/my music/出力/"));
}

TEST_F(TForm3Test, AutomaticNamingDisablesTheMainWindowsOutputName) {
    open();
    outFile_.setEnabled(false);
    form_->ckAuto->click();
    EXPECT_FALSE(settings_.ckAuto);
    EXPECT_TRUE(outFile_.isEnabled());
    form_->ckAuto->click();
    EXPECT_TRUE(settings_.ckAuto);
    EXPECT_FALSE(outFile_.isEnabled());
    form_->ckOverW->click();
    EXPECT_FALSE(settings_.ckOverW);
}

TEST_F(TForm3Test, ShowingResyncsAndCloseHides) {
    open();
    settings_.rdWL = 1; // changed elsewhere while the dialog was hidden
    settings_.Arasa = 31;
    form_->show();
    EXPECT_TRUE(form_->rdWLow->isChecked());
    EXPECT_EQ(form_->tbArasa->value(), 31);
    form_->cdClose->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(settings_.Arasa, 31);
}

} // namespace
