// The preview's temporary file: written whole with the current file's format,
// or refused and reported, never left half-written.

#include "batch/FileMessages.h"
#include "batch/WritePreviewFile.h"
#include "support/ScriptedMessages.h"
#include "support/TestWav.h"
#include "filesystem/PathBytes.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kOpenFailed = QString::fromUtf8("ファイルのオープンに失敗しました。");

class WritePreviewFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        input = dir.filePath("take1.wav");
        testwav::WriteFile(input.toStdString(), testwav::MakeWav({1, 2, 3, 4, 5, 6}));
        ASSERT_TRUE(ReadWaveHeaderOrTell(wave, input, messages));
        target = dir.filePath("dozavarav.wav");
    }

    QTemporaryDir dir;
    ScriptedMessages messages;
    ProtectedFiles kept;
    WaveFile wave;
    QString input, target;
    const std::vector<int16_t> block{-32768, 32767, -1, 1, 300, -300};
};

TEST_F(WritePreviewFileTest, ReplacesItsOwnPreviewWithoutAskingAndReadsBackWhole) {
    const std::vector<int16_t> longer(20, 7);
    ASSERT_TRUE(WritePreviewFile(longer.data(), 10, target, wave, kept, messages));
    ASSERT_TRUE(WritePreviewFile(block.data(), 3, target, wave, kept, messages));
    EXPECT_TRUE(messages.questions.isEmpty());
    EXPECT_TRUE(messages.notices.isEmpty());
    EXPECT_EQ(testwav::ReadFile(target.toStdString()), testwav::MakeWav(block));
}

TEST_F(WritePreviewFileTest, TheHeaderIsThePlain44BytesWhateverTheInputsFormatChunk) {
    testwav::Layout layout;
    layout.fmtSize = 18; // with an extra size, as many recorders write
    layout.chunksBeforeData = {{"LIST", "recorder"}};
    testwav::WriteFile(input.toStdString(), testwav::MakeWav({1, 2, 3, 4, 5, 6}, layout));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, input, messages));
    ASSERT_TRUE(WritePreviewFile(block.data(), 3, target, wave, kept, messages));
    EXPECT_EQ(testwav::ReadFile(target.toStdString()), testwav::MakeWav(block));
}

// Only the very file it wrote: a user's own file of the name, a link there
// (to an input or to its own preview) or a run's file is never replaced.
TEST_F(WritePreviewFileTest, NeverReplacesAFileItDidNotWriteOrARunsFile) {
    const std::string original = testwav::ReadFile(input.toStdString());
    const QString mine = dir.filePath("mine.wav");
    ASSERT_TRUE(WritePreviewFile(block.data(), 3, mine, wave, kept, messages));
    testwav::WriteFile(target.toStdString(), "a recording of the user's own");
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, target, wave, kept, messages));
    EXPECT_EQ(testwav::ReadFile(target.toStdString()), "a recording of the user's own");
    for (const QString &to : {input, mine}) {
        QFile::remove(target);
        ASSERT_TRUE(QFile::link(to, target));
        EXPECT_FALSE(WritePreviewFile(block.data(), 3, target, wave, kept, messages));
        EXPECT_TRUE(QFileInfo(target).isSymLink());
    }
    kept.BeginRun();
    kept.Add(input);
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, input, wave, kept, messages));
    EXPECT_EQ(messages.notices, QStringList(4, kOpenFailed));
    EXPECT_EQ(testwav::ReadFile(input.toStdString()), original);
}

TEST_F(WritePreviewFileTest, AFailedWriteLeavesNoFileAndSaysWhichByItsReadableName) {
    const WaveFile noHeader; // nothing read: no header can be written
    // A folder named in Shift-JIS bytes, as Windows archives leave them.
    const QString folder = dir.path() + PathFromBytes("/\x98\x5e\x89\xb9");
    ASSERT_EQ(::mkdir(PathToBytes(folder).constData(), 0755), 0);
    const QString inFolder = folder + "/dozavarav.wav";
    EXPECT_FALSE(WritePreviewFile(block.data(), 3, inFolder, noHeader, kept, messages));
    EXPECT_NE(::access(PathToBytes(inFolder).constData(), F_OK), 0);
    EXPECT_EQ(messages.notices, QStringList({dir.path() + QString::fromUtf8("/録音/dozavarav.wav") +
                                             QString::fromUtf8("の書き込みに失敗しました。")}));
}

} // namespace
