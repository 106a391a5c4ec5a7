// The profile file reader-writer: name matching, in-place edits, kept lines,
// unescaped values and failed writes.
#include "settings/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

IniFile FromText(const char *text) {
    IniFile ini;
    ini.setText(QString::fromUtf8(text));
    return ini;
}

TEST(IniFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    const IniFile ini = FromText("[settei]\nRDCL = 2\n[PATH]\nfolder=/x\n");
    EXPECT_EQ(ini.value("Settei", "rdCL"), QString("2"));
    EXPECT_EQ(ini.value("Path", "Folder"), QString("/x"));
    EXPECT_EQ(ini.value("Path", "Drive"), std::nullopt);
    EXPECT_EQ(ini.value("Other", "Folder"), std::nullopt);
}

TEST(IniFileTest, KeyIsLookedUpOnlyInItsOwnSection) {
    const IniFile ini = FromText("[A]\nk=1\n[B]\nj=2\n");
    EXPECT_EQ(ini.value("B", "k"), std::nullopt);
    EXPECT_EQ(ini.value("A", "j"), std::nullopt);
}

TEST(IniFileTest, CommentLinesAreNotKeys) {
    const IniFile ini = FromText("[A]\n;k=1\nk=2\n");
    EXPECT_EQ(ini.value("A", "k"), QString("2"));
}

TEST(IniFileTest, ExistingKeyIsReplacedInPlaceKeepingOtherLines) {
    IniFile ini = FromText("; mine\n[Settei]\nother=x\nRDCL=1\ntail=y\n\n[Z]\nz=1\n");
    ini.setValue("Settei", "rdCL", "3");
    EXPECT_EQ(ini.text(), QString("; mine\n[Settei]\nother=x\nrdCL=3\ntail=y\n\n[Z]\nz=1\n"));
}

TEST(IniFileTest, NewKeyGoesToTheEndOfItsSectionBeforeBlankLines) {
    IniFile ini = FromText("[A]\na=1\n\n[B]\nb=1\n");
    ini.setValue("a", "new", "v");
    ini.setValue("b", "new", "w");
    EXPECT_EQ(ini.text(), QString("[A]\na=1\nnew=v\n\n[B]\nb=1\nnew=w\n"));
}

TEST(IniFileTest, NewSectionGoesToTheEnd) {
    IniFile ini = FromText("[A]\na=1\n");
    ini.setValue("Path", "Drive", "/");
    EXPECT_EQ(ini.text(), QString("[A]\na=1\n[Path]\nDrive=/\n"));
}

TEST(IniFileTest, ValuesAreStoredAsTyped) {
    IniFile ini;
    const QString path = QString::fromUtf8(R"(C:\My Music\音 "x"=y;z/)");
    ini.setValue("Settei", "outPath", path);
    EXPECT_EQ(ini.text(), "[Settei]\noutPath=" + path + "\n");
    IniFile reread;
    reread.setText(ini.text());
    EXPECT_EQ(reread.value("Settei", "outPath"), path);
}

TEST(IniFileTest, ALineBreakCannotInjectAnotherKey) {
    IniFile ini;
    ini.setValue("Settei", "outPath", "/tmp/\nLogMax=5");
    EXPECT_EQ(ini.value("Settei", "outPath"), QString("/tmp/"));
    EXPECT_EQ(ini.value("Settei", "LogMax"), std::nullopt);
}

TEST(IniFileTest, CrLfFilesKeepTheirLineEnds) {
    IniFile ini = FromText("\xEF\xBB\xBF[A]\r\na=1\r\n");
    EXPECT_EQ(ini.value("A", "a"), QString("1"));
    ini.setValue("A", "b", "2");
    EXPECT_EQ(ini.text(), QString("[A]\r\na=1\r\nb=2\r\n"));
}

TEST(IniFileTest, SaveAndLoadAreUtf8) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("t.ini");
    IniFile ini;
    EXPECT_EQ(ini.load(path), IniFile::LoadResult::Missing);
    ini.setValue("Path", "Folder", QString::fromUtf8("/home/音楽"));
    ASSERT_TRUE(ini.save(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Path]\nFolder=/home/\xE9\x9F\xB3\xE6\xA5\xBD\n"));
    IniFile reread;
    EXPECT_EQ(reread.load(path), IniFile::LoadResult::Loaded);
    EXPECT_EQ(reread.value("path", "folder"), QString::fromUtf8("/home/音楽"));
}

// Another program's section in CP932 and a stray byte that is no UTF-8 must
// reach the disk unchanged while the program's own keys are replaced and added.
TEST(IniFileTest, LinesInOtherEncodingsSurviveASaveByteForByte) {
    const QByteArray foreign("[\x8c\x9f\x8f\x6f]\r\n"
                             "\x96\xbc\x91\x4f=\x8c\x9f\x8f\x6f\r\n"
                             "; \xff\xfe broken \xc3(\r\n");
    const QByteArray before = foreign + "[Settei]\r\nRDCL=1\r\nnote=\xe9\x9f\xb3\x80\r\nlast=\xff";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("t.ini");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(before), before.size());
    out.close();

    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.value("settei", "rdcl"), QString("1"));
    ini.setValue("Settei", "RDCL", QString::fromUtf8("音"));
    ini.setValue("Settei", "LogMax", "5");
    ini.setValue("Path", "Drive", "/");
    ASSERT_TRUE(ini.save(path));

    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), foreign + "[Settei]\r\nRDCL=\xe9\x9f\xb3\r\nnote=\xe9\x9f\xb3\x80\r\n"
                                      "last=\xff\r\nLogMax=5\r\n[Path]\r\nDrive=/\r\n");
}

TEST(IniFileTest, UnchangedFileIsWrittenBackAsRead) {
    // Mixed line ends, a lone CR inside a line and no final line end.
    const QByteArray raw("[A]\r\na=1\nb=x\ry\r\n\xfe=\x81\x40");
    IniFile ini;
    ini.setBytes(raw);
    EXPECT_EQ(ini.bytes(), raw);
    ini.setValue("a", "A", "2");
    EXPECT_EQ(ini.bytes(), QByteArray("[A]\r\nA=2\nb=x\ry\r\n\xfe=\x81\x40"));
}

TEST(IniFileTest, SaveReportsAFileThatCannotBeWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A regular file where a folder should be: no user, root included, can write below it.
    QFile blocker(dir.filePath("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniFile ini;
    ini.setValue("A", "a", "1");
    EXPECT_FALSE(ini.save(dir.filePath("notafolder/t.ini")));
    EXPECT_FALSE(ini.save(dir.filePath("missing/t.ini")));
}

// The file is replaced as a whole: a link in its place is replaced, never
// written through, and the file keeps the permissions its owner gave it.
TEST(IniFileTest, SaveReplacesALinkAndKeepsPermissions) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString other = dir.filePath("other.wav"), ini = dir.filePath("t.ini");
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4);
    file.close();
    ASSERT_TRUE(QFile::link(other, ini));
    IniFile saved;
    saved.setValue("A", "a", "1");
    ASSERT_TRUE(saved.save(ini));
    EXPECT_FALSE(QFileInfo(ini).isSymLink());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "RIFF");
    file.close();

    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(ini, mode));
    ASSERT_TRUE(saved.save(ini));
    EXPECT_EQ(QFile::permissions(ini) & QFileDevice::Permissions(0xF0FF), mode); // owner, group, others
}

} // namespace
