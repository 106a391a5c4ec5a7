// Which settings file the batch command reads: --settings, else the current
// folder's, else the one in the user's configuration folder; it writes none.

#include "support/TestWav.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Automatic naming off makes a removal without --name stop with exit 2 before
// it starts, so the exit code tells which file was read.
constexpr const char *kNamingOff = "[Settei]\nckAuto=false\n";
constexpr const char *kNamingOn = "[Settei]\nckAuto=true\n";

struct PlaceCase {
    const char *what;
    const char *inConfig; // nullptr: no file there
    const char *inCurrent;
    const char *named; // given with --settings
    int exitCode;
};

TEST(BatchSettingsPlace, CurrentFolderThenConfigurationFolderAndSettingsWins) {
    const std::vector<PlaceCase> cases = {
        {"configuration folder's", kNamingOff, nullptr, nullptr, 2},
        {"current folder's first", kNamingOff, kNamingOn, nullptr, 0},
        {"current folder's alone", nullptr, kNamingOff, nullptr, 2},
        {"--settings wins", kNamingOff, kNamingOff, kNamingOn, 0},
        {"none: defaults", nullptr, nullptr, nullptr, 0},
    };
    for (const PlaceCase &c : cases) {
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QString work = tmp.filePath(QStringLiteral("work"));
        const QString config = tmp.filePath(QStringLiteral("config"));
        ASSERT_TRUE(QDir().mkpath(work));
        testwav::WriteFile((work + "/take.wav").toStdString(), testwav::MakeWav({0, 0, 1, 1}));
        if (c.inConfig) {
            ASSERT_TRUE(QDir().mkpath(config + "/norvatel"));
            testwav::WriteFile((config + "/norvatel/RizivozeR.ini").toStdString(), c.inConfig);
        }
        if (c.inCurrent)
            testwav::WriteFile((work + "/RizivozeR.ini").toStdString(), c.inCurrent);
        QStringList args{QStringLiteral("remove")};
        if (c.named) {
            testwav::WriteFile(tmp.filePath("named.ini").toStdString(), c.named);
            args << QStringLiteral("--settings") << tmp.filePath("named.ini");
        }
        args << QStringLiteral("take.wav");

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work);
        p.start(QStringLiteral(NORVATEL_BATCH_EXE), args);
        ASSERT_TRUE(p.waitForFinished(60000)) << c.what;
        EXPECT_EQ(p.exitCode(), c.exitCode)
            << c.what << ": " << p.readAllStandardError().toStdString();
        EXPECT_EQ(QDir(config).exists(), c.inConfig != nullptr) << c.what << ": wrote settings";
    }
}

} // namespace
