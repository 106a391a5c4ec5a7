// A change made in the settings dialog reaches the settings file when the
// program closes, and is what the next start's runs work with.

#include "TForm1Fixture.h"
#include "main/TForm3.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

// A quiet sine with one small spike: too small for the default detection
// sensitivity (a jump of 3000 is needed), plain for level track 17 (111).
std::vector<int16_t> SineWithSmallSpike() {
    std::vector<int16_t> values = SineWithSpikes(20000);
    values[2 * 5000] = int16_t(values[2 * 5000] + 1500);
    return values;
}

class SettingsPersistTest : public TForm1Fixture {
protected:
    void Detect() {
        Refresh();
        Select({QStringLiteral("spike.wav")});
        form->cdCheck->click();
    }
};

TEST_F(SettingsPersistTest, DialogChangeIsSavedAtCloseAndUsedByTheNextRun) {
    WriteBytes(QStringLiteral("spike.wav"), testwav::MakeWav(SineWithSmallSpike()));
    StartIn();
    Detect();
    EXPECT_EQ(ReadCp932Lines(DataPath(QStringLiteral("NoiseLog0.dat"))),
              (QStringList{"1", "spike.wav", "0", "OK"}));

    // The user opens the settings from the menu, picks MID for detection and
    // moves its track bar to 17.
    auto dialog = std::make_unique<TForm3>(form->settings, form->edOutFile);
    form->settingsDialog = dialog.get();
    form->S1->trigger();
    ASSERT_TRUE(dialog->isVisible());
    dialog->rdCMid->click();
    dialog->tbCL->setValue(17);
    dialog->cdClose->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form->settings.rdCL, 2);
    EXPECT_EQ(form->settings.rdCLV[2], 17);
    form->close();
    dialog.reset(); // it edits the closing window's settings
    form.reset();

    const Settings saved = LoadSettings(start).settings;
    EXPECT_EQ(saved.rdCL, 2);
    EXPECT_EQ(saved.rdCLV, (std::array<int32_t, 4>{0, 8, 17, 16}));

    StartWithoutWritingSettings();
    EXPECT_EQ(form->settings, saved);
    Detect();
    EXPECT_EQ(ReadCp932Lines(DataPath(QStringLiteral("NoiseLog0.dat"))),
              (QStringList{"1", "spike.wav", "1", "Noise Detect"}));
}

} // namespace
