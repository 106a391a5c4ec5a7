// The settings record and RizivozeR.ini: defaults, round trip, the load rules
// and the repairs of values that are out of range or not numbers.
#include "settings/Settings.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString iniPath() const { return dir_.filePath(kSettingsFileName); }

    void writeIni(const QByteArray &text) {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(text), text.size());
    }

    QString readIni() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    Settings load() { return LoadSettings(dir_.path()).settings; }

    QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaults) {
    const LoadedSettings loaded = LoadSettings(dir_.path());
    const Settings &s = loaded.settings;
    EXPECT_EQ(s, Settings::Defaults());
    EXPECT_FALSE(loaded.restoreFolder.has_value());
    EXPECT_EQ(s.rdCL, 1);
    EXPECT_EQ(s.rdCT, 1);
    EXPECT_EQ(s.rdWL, 3);
    EXPECT_EQ(s.rdWT, 1);
    EXPECT_EQ(s.rdCLV, (std::array<int32_t, 4>{0, 8, 13, 16}));
    EXPECT_EQ(s.rdWLV, (std::array<int32_t, 4>{0, 8, 13, 16}));
    EXPECT_EQ(s.rdCTV, (std::array<int32_t, 4>{0, 0, 5, 10}));
    EXPECT_EQ(s.rdWTV, (std::array<int32_t, 4>{0, 0, 5, 10}));
    EXPECT_EQ(s.BuffDipth, 8);
    EXPECT_EQ(s.Arasa, 16);
    EXPECT_EQ(s.WinTime, 3);
    EXPECT_TRUE(s.ckAuto && s.ckOverW && s.ckSameDir);
    EXPECT_EQ(s.outPath, QDir::tempPath() + "/");
    EXPECT_EQ(s.DumpTextLen, 50);
    EXPECT_EQ(s.LogMax, 100000);
    EXPECT_EQ(s.CheckPlayTime, 0);
}

TEST_F(SettingsFileTest, InRangeRecordSurvivesSaveAndLoad) {
    Settings s;
    s.rdCL = 2;
    s.rdCT = 3;
    s.rdWL = 1;
    s.rdWT = 2;
    s.rdCLV = {0, 0, 19, 7};
    s.rdCTV = {0, 15, 1, 2};
    s.rdWLV = {0, 3, 4, 5};
    s.rdWTV = {0, 6, 0, 14};
    s.BuffDipth = 2;
    s.Arasa = 32;
    s.WinTime = 0;
    s.ckAuto = false;
    s.ckOverW = true;
    s.ckSameDir = false;
    s.outPath = QString::fromUtf8(R"(/mnt/my music\音/ )").trimmed();
    s.DumpTextLen = 0;
    s.LogMax = 12000;
    s.CheckPlayTime = 10;
    ASSERT_TRUE(SaveSettings(dir_.path(), s, "/", dir_.path()));
    const LoadedSettings loaded = LoadSettings(dir_.path());
    EXPECT_EQ(loaded.settings, s);
    EXPECT_EQ(loaded.restoreFolder, dir_.path());
    EXPECT_EQ(loaded.drive, QStorageInfo(dir_.path()).rootPath());
}

TEST_F(SettingsFileTest, WritesEveryKeyInOrderIntoANewFile) {
    ASSERT_TRUE(SaveSettings(dir_.path(), Settings::Defaults(), "/", "/home"));
    const QString expected =
        "[Path]\nDrive=/\nFolder=/home\n[Settei]\nrdCL=1\nrdCT=1\nrdWL=3\nrdWT=1\n"
        "rdCLV1=8\nrdCLV2=13\nrdCLV3=16\nrdCTV1=0\nrdCTV2=5\nrdCTV3=10\n"
        "rdWTV1=0\nrdWTV2=5\nrdWTV3=10\nrdWLV1=8\nrdWLV2=13\nrdWLV3=16\n"
        "BuffDipth=8\nArasa=16\nWinTime=3\nckAuto=true\nckOverW=true\nckSameDir=true\n"
        "outPath=" +
        QDir::tempPath() + "/\nDumpTextLen=50\nLogMax=100000\nCheckPlayTime=0\n";
    EXPECT_EQ(readIni(), expected);
}

TEST_F(SettingsFileTest, SaveReplacesKeysInPlaceAndKeepsForeignLines) {
    writeIni("; written by hand\n[settei]\nLOGMAX=5000\nmyKey=keep me\n[Other]\nx=1\n");
    ASSERT_TRUE(SaveSettings(dir_.path(), Settings::Defaults(), "/", "/"));
    const QString text = readIni();
    EXPECT_TRUE(text.startsWith("; written by hand\n[settei]\nLogMax=100000\nmyKey=keep me\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("[Other]\nx=1\n"));
    EXPECT_EQ(text.count("LogMax", Qt::CaseInsensitive), 1);
}

TEST_F(SettingsFileTest, SaveReportsAnUnwritableFile) {
    QFile blocker(dir_.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(SaveSettings(dir_.filePath("file"), Settings::Defaults(), "/", "/"));
}

// Old editors save with CR alone, Windows ones with CR LF: both read as LF
// does, and a save keeps the file's own line ends.
TEST_F(SettingsFileTest, EveryKindOfLineEndReadsAlike) {
    for (const QByteArray eol : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(eol.toStdString());
        writeIni("[Settei]" + eol + "rdCL=3" + eol + "LogMax=7" + eol);
        EXPECT_EQ(load().rdCL, 3);
        EXPECT_EQ(load().LogMax, 7);
        ASSERT_TRUE(SaveSettings(dir_.path(), load(), "/", "/"));
        const QString rest = readIni().remove(QString::fromLatin1(eol));
        EXPECT_FALSE(rest.contains('\r') || rest.contains('\n')) << rest.toStdString();
        EXPECT_EQ(load().LogMax, 7);
    }
}

// A file that is no text (UTF-16, binary) or no file at all (a FIFO, a
// device) gives the defaults at once, is marked unusable and is never written.
TEST_F(SettingsFileTest, AFileThatIsNotTextIsLeftAlone) {
    static const char kUtf16[] = "\xFF\xFE[\0S\0e\0t\0t\0e\0i\0]\0";
    static const char kBinary[] = "[Settei]\nrdCL=3\n\0\x01\x02";
    for (const QByteArray &bytes : {QByteArray(kUtf16, sizeof kUtf16 - 1),
                                    QByteArray(kBinary, sizeof kBinary - 1)}) {
        writeIni(bytes);
        const LoadedSettings loaded = LoadSettings(dir_.path());
        EXPECT_FALSE(loaded.fileUsable);
        EXPECT_EQ(loaded.settings, Settings::Defaults());
        EXPECT_FALSE(SaveSettings(dir_.path(), Settings::Defaults(), "/", "/"));
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
    ASSERT_TRUE(QFile::remove(iniPath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(iniPath()).constData(), 0600), 0);
    EXPECT_FALSE(LoadSettings(dir_.path()).fileUsable); // returns: the open does not wait
    EXPECT_FALSE(LoadSettingsFile("/dev/zero").fileUsable);
    EXPECT_TRUE(LoadSettings(dir_.filePath("none")).fileUsable); // missing is fine
}

TEST_F(SettingsFileTest, CheckPlayTimeNeedsABuffDipthKey) {
    writeIni("[Settei]\nCheckPlayTime=5\n");
    EXPECT_EQ(load().CheckPlayTime, 0);
    writeIni("[Settei]\nCheckPlayTime=5\nBuffDipth=8\n");
    EXPECT_EQ(load().CheckPlayTime, 5);
    writeIni("[Settei]\nCheckPlayTime=5\nBuffDipth=None\n");
    EXPECT_EQ(load().CheckPlayTime, 0);
}

TEST_F(SettingsFileTest, FlagsAreFalseOnlyForLowerCaseFalse) {
    writeIni("[Settei]\nckAuto=FALSE\nckOverW=false\nckSameDir=0\n");
    const Settings s = load();
    EXPECT_TRUE(s.ckAuto);
    EXPECT_FALSE(s.ckOverW);
    EXPECT_TRUE(s.ckSameDir);
}

// One stored value each; what the named field loads as.
struct StoredValueCase {
    const char *name; // the case's name in the test list
    const char *line;
    int32_t Settings::*field;
    int32_t expected;
};

class StoredValueTest : public SettingsFileTest,
                        public ::testing::WithParamInterface<StoredValueCase> {};

TEST_P(StoredValueTest, LoadsAs) {
    const StoredValueCase &c = GetParam();
    writeIni(QByteArray("[Settei]\nBuffDipth=8\n") + c.line + "\n");
    EXPECT_EQ(load().*c.field, c.expected) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StoredValueTest,
    ::testing::Values(
        StoredValueCase{"CheckPlayTimeAtTop", "CheckPlayTime=11", &Settings::CheckPlayTime, 11},
        StoredValueCase{"CheckPlayTimeAboveRange", "CheckPlayTime=12", &Settings::CheckPlayTime, 0},
        StoredValueCase{"CheckPlayTimeNegative", "CheckPlayTime=-1", &Settings::CheckPlayTime, 0},
        StoredValueCase{"RdCLBelowRange", "rdCL=0", &Settings::rdCL, 1},
        StoredValueCase{"RdWLAboveRange", "rdWL=4", &Settings::rdWL, 3},
        StoredValueCase{"RdWTAtTop", "rdWT=3", &Settings::rdWT, 3},
        StoredValueCase{"BuffDipthBelowRange", "BuffDipth=1", &Settings::BuffDipth, 8},
        StoredValueCase{"BuffDipthAboveRange", "BuffDipth=17", &Settings::BuffDipth, 8},
        StoredValueCase{"ArasaZero", "Arasa=0", &Settings::Arasa, 16},
        StoredValueCase{"ArasaAtTop", "Arasa=32", &Settings::Arasa, 32},
        StoredValueCase{"WinTimeAboveRange", "WinTime=6", &Settings::WinTime, 3},
        StoredValueCase{"WinTimeNegative", "WinTime=-1", &Settings::WinTime, 3},
        StoredValueCase{"DumpTextLenNegative", "DumpTextLen=-5", &Settings::DumpTextLen, 50},
        StoredValueCase{"LogMaxNegative", "LogMax=-1", &Settings::LogMax, 100000},
        StoredValueCase{"LogMaxEmpty", "LogMax=", &Settings::LogMax, 100000},
        StoredValueCase{"LogMaxNotANumber", "LogMax=abc", &Settings::LogMax, 100000},
        StoredValueCase{"LogMaxAboveRange", "LogMax=2147483648", &Settings::LogMax, 100000},
        StoredValueCase{"LogMaxAtTop", "LogMax=2147483647", &Settings::LogMax, 2147483647},
        StoredValueCase{"LogMaxNone", "LogMax=None", &Settings::LogMax, 100000}),
    [](const ::testing::TestParamInfo<StoredValueCase> &info) {
        return std::string(info.param.name);
    });

TEST_F(SettingsFileTest, BadTrackValuesGiveTheirSlotsDefaults) {
    writeIni("[Settei]\nrdCLV1=20\nrdCLV2=19\nrdCTV3=16\nrdWLV1=-1\nrdWTV2=15\n");
    const Settings s = load();
    EXPECT_EQ(s.rdCLV, (std::array<int32_t, 4>{0, 8, 19, 16}));
    EXPECT_EQ(s.rdCTV, (std::array<int32_t, 4>{0, 0, 5, 10}));
    EXPECT_EQ(s.rdWLV, (std::array<int32_t, 4>{0, 8, 13, 16}));
    EXPECT_EQ(s.rdWTV, (std::array<int32_t, 4>{0, 0, 15, 10}));
}

TEST_F(SettingsFileTest, KeysAfterABadValueAreStillRead) {
    writeIni("[Settei]\nrdCL=x\nrdCT=3\nBuffDipth=1.5\nArasa=4\nckAuto=false\n");
    const Settings s = load();
    EXPECT_EQ(s.rdCL, 1);
    EXPECT_EQ(s.rdCT, 3);
    EXPECT_EQ(s.BuffDipth, 8);
    EXPECT_EQ(s.Arasa, 4);
    EXPECT_FALSE(s.ckAuto);
}

TEST_F(SettingsFileTest, FolderIsRestoredOnlyWhenItAndItsRootExist) {
    QDir(dir_.path()).mkdir("wav");
    const QString folder = dir_.filePath("wav");
    const QByteArray f = folder.toUtf8();
    writeIni("[Path]\nDrive=/\nFolder=" + f + "\n");
    LoadedSettings loaded = LoadSettings(dir_.path());
    EXPECT_EQ(loaded.restoreFolder, folder);
    EXPECT_EQ(loaded.drive, QStorageInfo(folder).rootPath());

    writeIni("[Path]\nDrive=None\nFolder=" + f + "\n");
    EXPECT_FALSE(LoadSettings(dir_.path()).restoreFolder.has_value());
    writeIni("[Path]\nDrive=/no/such/root\nFolder=" + f + "\n");
    EXPECT_FALSE(LoadSettings(dir_.path()).restoreFolder.has_value());
    writeIni("[Path]\nDrive=/\nFolder=" + f + "/gone\n");
    EXPECT_FALSE(LoadSettings(dir_.path()).restoreFolder.has_value());
    writeIni("[Path]\nDrive=\nFolder=\n");
    EXPECT_FALSE(LoadSettings(dir_.path()).restoreFolder.has_value());
}

TEST(IniTextTest, Conversions) {
    EXPECT_EQ(IniTextToInt("None", 7), 7);
    EXPECT_EQ(IniTextToInt("-12", 7), -12);
    EXPECT_EQ(IniTextToInt("none", 7), 7);
    EXPECT_EQ(IniTextToInt("12a", 7), 7);
    EXPECT_EQ(BoolToIniText(true), "true");
    EXPECT_EQ(BoolToIniText(false), "false");
    EXPECT_FALSE(IniTextToBool("false"));
    EXPECT_TRUE(IniTextToBool("None"));
    EXPECT_TRUE(IniTextToBool("False"));
}

TEST(IniTextTest, IsAllDigits) {
    for (const char *text : {"", "-1", " 5", "1.5", "5 ", "+3", "１"})
        EXPECT_FALSE(IsAllDigits(QString::fromUtf8(text))) << text;
    for (const char *text : {"0", "007", "2147483648"})
        EXPECT_TRUE(IsAllDigits(text)) << text;
}

} // namespace
