// File names as bytes: every byte sequence survives the trip through the
// program's path text and is shown as UTF-8, as CP932 or with "?"; files so
// named go through whole runs.

#include "filesystem/PathBytes.h"
#include "batch/BatchRunner.h"
#include "support/NameKinds.h"
#include "support/RunnerFixture.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char *what;
    QByteArray bytes;
    QString shown;
    QString logged;
};

const NameCase kNames[] = {
    {"ascii", "take1.wav", "take1.wav", "take1.wav"},
    {"utf-8 Japanese", "\xe3\x83\x86\xe3\x82\xa4\xe3\x82\xaf\xef\xbc\x92.wav",
     QString::fromUtf8("テイク２.wav"), QString::fromUtf8("テイク２.wav")},
    {"utf-8 outside the BMP", "\xf0\x9f\x8e\xb5.wav", QString::fromUtf8("🎵.wav"), "?.wav"},
    {"Shift-JIS", "\x83\x65\x83\x43\x83\x4e\x82\x51.wav", QString::fromUtf8("テイク２.wav"),
     QString::fromUtf8("テイク２.wav")},
    {"Shift-JIS half-width kana", "\xb1\xb2.wav", QString::fromUtf8("ｱｲ.wav"),
     QString::fromUtf8("ｱｲ.wav")},
    {"Latin-1", "caf\xe9.wav", "caf?.wav", "caf?.wav"},
    {"utf-8 with a stray byte", "\xe3\x83\x86\xff.wav", QString::fromUtf8("テ?.wav"),
     QString::fromUtf8("テ?.wav")},
    {"Shift-JIS lead byte at the end", "a\x83", "a?", "a?"},
    // Bytes that are not UTF-8 but happen to be valid CP932 read as CP932.
    {"overlong slash", "a\xc0\xaf.wav", QString::fromUtf8("aﾀｯ.wav"), QString::fromUtf8("aﾀｯ.wav")},
    {"encoded surrogate", "\xed\xa0\x80.wav", "???.wav", "???.wav"},
    {"past U+10FFFF", "\xf4\x90\x80\x80", "????", "????"},
    {"cut-off sequence", "\xe3\x83.wav", QString::fromUtf8("繝.wav"), QString::fromUtf8("繝.wav")},
};

} // namespace

TEST(PathBytesTest, NamesKeepTheirBytesAndAreShownAndLoggedReadably) {
    for (const NameCase &c : kNames) {
        SCOPED_TRACE(c.what);
        const QString path = PathFromBytes(c.bytes);
        EXPECT_EQ(PathToBytes(path), c.bytes);
        EXPECT_EQ(PathToBytes(QStringLiteral("/data/") + path), "/data/" + c.bytes);
        EXPECT_EQ(DisplayFileName(path), c.shown);
        EXPECT_EQ(LoggedFileName(path), c.logged);
        EXPECT_EQ(HasForeignBytes(path), c.bytes.toStdString() != path.toStdString());
    }
}

TEST(PathBytesTest, ValidUtf8ReadsAsItsText) {
    const QString text = QString::fromUtf8("録音/テイク２.wav");
    EXPECT_EQ(PathFromBytes(text.toUtf8()), text);
    EXPECT_EQ(PathToBytes(text), text.toUtf8());
}

// Files on disk named in each kind: detected, repaired into outputs that keep
// the input's bytes, logged readably, and found again in the log by the skip
// rule of a removal run.
class NamesOnDiskTest : public RunnerFixture {
protected:
    void TearDown() override { names::RemoveTree(dir.path()); }
};

TEST_F(NamesOnDiskTest, EveryKindOfNameIsDetectedRepairedAndSkippedWhenClean) {
    port.selectedNames = names::WriteAll(folder);
    Detect();
    QStringList expectedSummary;
    for (qsizetype i = 0; i < port.selectedNames.size(); ++i) {
        const names::Kind &k = names::kKinds[i / 2];
        const bool clicks = i % 2 == 0;
        const QString shown = k.shownStem + (clicks ? "_a.wav" : "_b.wav");
        expectedSummary << QString::number(i + 1) << shown << (clicks ? "2" : "0")
                        << (clicks ? "Noise Detect" : "OK");
        EXPECT_EQ(port.rows[size_t(i)].name, port.selectedNames[i]) << k.what;
    }
    EXPECT_EQ(ReadLogLines(folder + kSummaryLogName), expectedSummary);
    EXPECT_EQ(port.messages.back(), QString::fromUtf8("問題ファイル数：  3\r\n\r\n終了します。"));

    port.useDetectionChecked = true;
    Remove();
    for (qsizetype i = 0; i < port.selectedNames.size(); i += 2) {
        const names::Kind &k = names::kKinds[i / 2];
        SCOPED_TRACE(k.what);
        EXPECT_EQ(port.rows[size_t(i)].status, "Noise Delete at " + k.shownStem + "_a_won.wav");
        EXPECT_EQ(port.rows[size_t(i) + 1].status, "Pass No Noise");
        const std::string output = names::ReadNamed(folder, k.stem + "_a_won.wav");
        const std::vector<int16_t> values = testwav::SamplesAfter44(output);
        ASSERT_EQ(values.size(), 8000u);
        for (int index : names::kClickIndices)
            EXPECT_NE(values[size_t(index)], 20000);
        EXPECT_TRUE(names::ReadNamed(folder, k.stem + "_b_won.wav").empty());
    }
}
