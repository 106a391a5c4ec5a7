// Where the program starts: the files and folders named on its command line,
// the settings file kept in the start folder or the configuration folder, and
// the help page found in the start folder or the installed data folder.

#include "TForm1Fixture.h"
#include "main/StartPlace.h"

#include <QFile>
#include <QLabel>
#include <QSet>

namespace {

using Kind = StartRequest::Kind;

struct ArgsCase {
    QStringList args;
    Kind kind;
    QString folder;
    QStringList files;
};

// Folders of the table's imaginary file system; the current folder is /cur.
bool IsTableFolder(const QString &path) {
    static const QSet<QString> folders{"/", "/cur", "/cur/takes", "/rec", "/rec/side a"};
    return folders.contains(path);
}

TEST(StartArguments, FolderAndFilesToShow) {
    const std::vector<ArgsCase> cases = {
        {{}, Kind::Start, {}, {}},
        {{"/rec"}, Kind::Start, "/rec", {}},
        {{"takes/"}, Kind::Start, "/cur/takes", {}},
        {{"/rec/side a/t1.wav"}, Kind::Start, "/rec/side a", {"t1.wav"}},
        {{"t1.wav"}, Kind::Start, "/cur", {"t1.wav"}},
        {{"../rec/./a.wav", "/rec/b.wav"}, Kind::Start, "/rec", {"a.wav", "b.wav"}},
        // Files of other folders are not selected; the first file's folder is shown.
        {{"/rec/b.wav", "/cur/c.wav", "/rec/a.wav", "/rec/b.wav"}, Kind::Start, "/rec",
         {"b.wav", "a.wav"}},
        {{"/rec", "/rec/a.wav", "/rec/side a"}, Kind::Start, "/rec", {"a.wav"}},
        {{"/x.wav"}, Kind::Start, "/", {"x.wav"}},
        {{"--", "-odd.wav", "--help"}, Kind::Start, "/cur", {"-odd.wav", "--help"}},
        {{"-"}, Kind::Start, "/cur", {"-"}},
        {{"/rec/a.wav", "--help"}, Kind::Help, {}, {}},
        {{"-h"}, Kind::Help, {}, {}},
        {{"--version"}, Kind::Version, {}, {}},
        {{"--bogus", "--version"}, Kind::Version, {}, {}},
        {{"--bogus", "a.wav"}, Kind::UsageError, {}, {}},
        {{"-x"}, Kind::UsageError, {}, {}},
    };
    for (const ArgsCase &c : cases) {
        const StartRequest r = ParseStartArguments(c.args, QStringLiteral("/cur"), IsTableFolder);
        const std::string what = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.kind, c.kind) << what;
        EXPECT_EQ(r.folder, c.folder) << what;
        EXPECT_EQ(r.files, c.files) << what;
        if (c.kind == Kind::UsageError) {
            EXPECT_TRUE(r.error.startsWith(QLatin1Char('-'))) << what;
        }
    }
}

class StartPlaceTest : public TForm1Fixture {
protected:
    QString ConfigIni() const {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/norvatel/RizivozeR.ini");
    }
    void TearDown() override {
        QFile::remove(ConfigIni());
        TForm1Fixture::TearDown();
    }
};

TEST_F(StartPlaceTest, NamedFilesAreShownSelectedWithTheFocusOnTheFirst) {
    for (const char *name : {"a.wav", "b.wav", "c.wav"})
        WriteBytes(QString::fromLatin1(name), testwav::MakeWav({0, 0}));
    StartIn();
    ASSERT_TRUE(QDir::setCurrent(start)); // the restored folder is not where they are
    ASSERT_TRUE(form->ShowFolder(start));
    ASSERT_TRUE(form->ShowStartSelection(data, {"c.wav", "a.wav", "gone.wav"}));
    EXPECT_EQ(form->shownFolder(), QDir::cleanPath(data));
    QStringList selected;
    for (const QListWidgetItem *item : form->edFile->selectedItems())
        selected << item->text();
    selected.sort();
    EXPECT_EQ(selected, (QStringList{"a.wav", "c.wav"}));
    EXPECT_EQ(form->lbFNum->text(), QStringLiteral("2"));
    EXPECT_EQ(form->inputPath, DataPath(QStringLiteral("c.wav")));
    EXPECT_FALSE(form->ShowStartSelection(data + QStringLiteral("/gone"), {}));
    EXPECT_EQ(form->shownFolder(), QDir::cleanPath(data));
}

TEST_F(StartPlaceTest, SettingsFileInTheStartFolderIsReadAndSavedThere) {
    Settings s = Settings::Defaults();
    s.LogMax = 3000;
    StartIn(s);
    EXPECT_EQ(form->settings.LogMax, 3000);
    form->settings.LogMax = 4000;
    form->close();
    EXPECT_EQ(LoadSettings(start).settings.LogMax, 4000);
    EXPECT_FALSE(QFile::exists(ConfigIni()));
}

TEST_F(StartPlaceTest, WithoutOneTheConfigurationFolderKeepsTheSettings) {
    Settings s = Settings::Defaults();
    s.LogMax = 5000;
    ASSERT_TRUE(SaveSettingsFile(ConfigIni(), s, QStringLiteral("/"), data));
    StartWithoutWritingSettings();
    EXPECT_EQ(form->settingsFile, ConfigIni());
    EXPECT_EQ(form->settings.LogMax, 5000);
    EXPECT_EQ(form->shownFolder(), QDir::cleanPath(data)); // its remembered folder
    form->settings.LogMax = 6000;
    form->close();
    EXPECT_EQ(LoadSettingsFile(ConfigIni()).settings.LogMax, 6000);
    EXPECT_FALSE(QFile::exists(start + QStringLiteral("/RizivozeR.ini")));
}

TEST_F(StartPlaceTest, HelpPageIsTheStartFoldersElseTheInstalledOne) {
    const QString installed = tmp.filePath(QStringLiteral("share"));
    EXPECT_EQ(HelpPageLocation(start, installed), installed + QStringLiteral("/RizivozeR.html"));
    QFile page(start + QStringLiteral("/RizivozeR.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    EXPECT_EQ(HelpPageLocation(start, installed), page.fileName());
    // The build folder mirrors the installed layout: the tests' own data folder has it.
    EXPECT_TRUE(QFile::exists(InstalledDataFolder() + QStringLiteral("/RizivozeR.html")));
}

} // namespace
