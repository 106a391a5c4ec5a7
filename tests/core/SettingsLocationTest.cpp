// Where the settings file is kept: the start folder's when it has one, the
// user's configuration folder otherwise; and a first save there makes the folder.
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Sets an environment variable for one test, restoring it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::optional<QByteArray> &value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

enum class InStart { Nothing, File, Folder };

struct LocationCase {
    const char *what;
    InStart inStart;
    std::optional<QByteArray> xdgConfigHome; // "@" stands for the test's own folder
    const char *expected; // under the test's folder; "start" is the start folder
};

class SettingsLocationTest : public ::testing::TestWithParam<LocationCase> {
protected:
    QTemporaryDir tmp;
};

TEST_P(SettingsLocationTest, PicksTheStartFolderOnlyWhenItHoldsTheFile) {
    const LocationCase &c = GetParam();
    ASSERT_TRUE(tmp.isValid());
    const QString start = tmp.filePath(QStringLiteral("start"));
    ASSERT_TRUE(QDir().mkpath(start));
    const QString here = start + QStringLiteral("/RizivozeR.ini");
    if (c.inStart == InStart::File) {
        QFile file(here);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    } else if (c.inStart == InStart::Folder) {
        ASSERT_TRUE(QDir().mkpath(here));
    }
    std::optional<QByteArray> xdg = c.xdgConfigHome;
    if (xdg && xdg->startsWith('@'))
        xdg = tmp.path().toLocal8Bit() + xdg->mid(1);
    const ScopedEnv home("HOME", tmp.filePath(QStringLiteral("home")).toLocal8Bit());
    const ScopedEnv config("XDG_CONFIG_HOME", xdg);

    EXPECT_EQ(SettingsFileLocation(start), tmp.filePath(QString::fromLatin1(c.expected)))
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLocationTest,
    ::testing::Values(
        LocationCase{"start folder's file", InStart::File, QByteArray("@/xdg"),
                     "start/RizivozeR.ini"},
        // Anything of that name is the user's file: told about, never bypassed.
        LocationCase{"a folder of that name", InStart::Folder, QByteArray("@/xdg"),
                     "start/RizivozeR.ini"},
        LocationCase{"none: XDG_CONFIG_HOME", InStart::Nothing, QByteArray("@/xdg/"),
                     "xdg/norvatel/RizivozeR.ini"},
        LocationCase{"none: unset", InStart::Nothing, std::nullopt,
                     "home/.config/norvatel/RizivozeR.ini"},
        LocationCase{"none: empty", InStart::Nothing, QByteArray(""),
                     "home/.config/norvatel/RizivozeR.ini"},
        LocationCase{"none: relative is ignored", InStart::Nothing, QByteArray("xdg"),
                     "home/.config/norvatel/RizivozeR.ini"}),
    [](const auto &info) { return "Case" + std::to_string(info.index); });

TEST(SettingsLocation, TheCurrentFolderIsNamedRelatively) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path()));
    const ScopedEnv config("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("xdg")).toLocal8Bit());
    const QString none = SettingsFileLocation(QString());
    QFile file(QStringLiteral("RizivozeR.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString here = SettingsFileLocation(QString());
    QDir::setCurrent(saved);
    EXPECT_EQ(none, tmp.filePath(QStringLiteral("xdg/norvatel/RizivozeR.ini")));
    EXPECT_EQ(here, QStringLiteral("RizivozeR.ini"));
}

TEST(SettingsLocation, FirstSaveMakesTheConfigurationFolderPrivate) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("a/b/norvatel/RizivozeR.ini"));
    Settings s = Settings::Defaults();
    s.LogMax = 7000;
    ASSERT_TRUE(SaveSettingsFile(path, s, QStringLiteral("/"), QStringLiteral("/")));
    EXPECT_EQ(LoadSettingsFile(path).settings, s);
    for (const char *folder : {"a", "a/b", "a/b/norvatel"})
        EXPECT_EQ(QFileInfo(tmp.filePath(QString::fromLatin1(folder))).permissions() & 0x0077,
                  QFileDevice::Permissions()) << folder;
    // A file where a folder must go fails the save instead of writing elsewhere.
    EXPECT_FALSE(SaveSettingsFile(tmp.filePath(QStringLiteral("a/b/norvatel/RizivozeR.ini/x.ini")),
                                  s, QStringLiteral("/"), QStringLiteral("/")));
}

} // namespace
