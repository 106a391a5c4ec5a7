// A change made in the settings dialog reaches the settings file when the
// program closes, and is what the next start's runs work with.

#include "TForm1Fixture.h"
#include "main/TForm3.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
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

// A settings file in UTF-16 (as some editors save it) cannot be read: the
// window says so once, works with the defaults and leaves the file alone.
TEST_F(SettingsPersistTest, ASettingsFileThatIsNotTextIsReportedOnceAndLeftAlone) {
    const QString ini = QDir(start).filePath(QStringLiteral("RizivozeR.ini"));
    const QString text = QStringLiteral("[Settei]\r\nrdCL=2\r\n");
    QByteArray utf16("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    testwav::WriteFile(ini.toStdString(), utf16.toStdString());
    StartWithoutWritingSettings();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->settings, Settings::Defaults());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(ini)) << messages[0].toStdString();
    form->close();
    form.reset();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(ReadBytes(ini), utf16);
}

} // namespace
