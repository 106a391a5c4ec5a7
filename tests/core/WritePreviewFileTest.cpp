// The preview's temporary file: written whole with the current file's format,
// or refused and reported, never left half-written.

#include "batch/WritePreviewFile.h"
#include "support/ScriptedMessages.h"
#include "support/TestWav.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kOpenFailed = QString::fromUtf8("ファイルのオープンに失敗しました。");

class WritePreviewFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        input = dir.filePath("take1.wav");
        testwav::WriteFile(input.toStdString(), testwav::MakeWav({1, 2, 3, 4, 5, 6}));
        ASSERT_TRUE(wave.ReadWaveHeader(input, messages));
        target = dir.filePath("dozavarav.wav");
    }

    QTemporaryDir dir;
    ScriptedMessages messages;
    WaveFile wave;
    QString input, target;
    const std::vector<int16_t> block{-32768, 32767, -1, 1, 300, -300};
};

TEST_F(WritePreviewFileTest, ReplacesAnOldPreviewWithoutAskingAndReadsBackWhole) {
    testwav::WriteFile(target.toStdString(), "an older preview, longer than the new one");
    ASSERT_TRUE(WritePreviewFile(block.data(), 3, target, wave, {input}, messages));
    EXPECT_TRUE(messages.questions.isEmpty());
    EXPECT_TRUE(messages.notices.isEmpty());
    EXPECT_EQ(testwav::ReadFile(target.toStdString()), testwav::MakeWav(block));
}

TEST_F(WritePreviewFileTest, NeverReplacesTheFileOnShowOrAnInput) {
    const std::string original = testwav::ReadFile(input.toStdString());
    // The file on show named like the temporary file, and an input reached
    // through a link of that name.
    const QString shown = dir.filePath("dozavarav.wav");
    QFile::copy(input, shown);
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, shown, wave, {input, shown}, messages));
    QFile::remove(shown);
    ASSERT_TRUE(QFile::link(input, target));
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, target, wave, {input}, messages));
    EXPECT_EQ(messages.notices, QStringList({kOpenFailed, kOpenFailed}));
    EXPECT_EQ(testwav::ReadFile(input.toStdString()), original);
}

TEST_F(WritePreviewFileTest, AFailedWriteLeavesNoFileAndSaysWhich) {
    const WaveFile noHeader; // nothing read: no header can be written
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, target, noHeader, {}, messages));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(messages.notices,
              QStringList({target + QString::fromUtf8("の書き込みに失敗しました。")}));
}

} // namespace
