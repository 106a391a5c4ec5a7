// The numeric dump: its exact text around a click, near the start and the end
// of the data, in pieces, and read at the dumped file's own data offset.

#include "batch/ClickDump.h"
#include "support/ScriptedMessages.h"
#include "support/TestWav.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Frame f holds f on the left and -f - 1 on the right.
std::vector<int16_t> Ramp(int frames) {
    std::vector<int16_t> values;
    for (int f = 0; f < frames; ++f)
        values.insert(values.end(), {int16_t(f), int16_t(-f - 1)});
    return values;
}

class ClickDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        wav = dir.filePath(QStringLiteral("take1.wav"));
        out = dir.filePath(QStringLiteral("dump.txt"));
    }
    // The dump's data lines; the heading goes to heading.
    std::vector<std::string> Dump(int32_t position, int32_t length) {
        ClickDump dump{QStringLiteral("take1.wav"), position, length};
        EXPECT_TRUE(WriteClickDump(out, wav, dump, messages));
        const std::string text = testwav::ReadFile(out.toStdString());
        std::vector<std::string> lines;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        heading = lines.empty() ? "" : lines.front();
        if (!lines.empty())
            lines.erase(lines.begin());
        return lines;
    }
    static std::vector<std::string> Numbers(int from, int count, int zeros = 0) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back(std::to_string(from + i));
        lines.insert(lines.end(), size_t(zeros), "0");
        return lines;
    }
    QTemporaryDir dir;
    QString wav, out;
    ScriptedMessages messages;
    std::string heading;
};

TEST_F(ClickDumpTest, DumpsTheLeftChannelAroundTheClick) {
    testwav::WriteFile(wav.toStdString(), testwav::MakeWav(Ramp(8000)));
    EXPECT_EQ(Dump(7350, 50), Numbers(7325, 50));
    EXPECT_EQ(heading, "FileName:take1.wav Channel:Lch  NoisePosition:7350 DumpLength:50");
    EXPECT_EQ(Dump(7350, 51), Numbers(7325, 51));
    EXPECT_EQ(Dump(10, 50), Numbers(0, 50));
    // Past the end of the data, and across the pieces the dump is written in.
    EXPECT_EQ(Dump(7990, 40000), Numbers(0, 8000, 32000));
    EXPECT_EQ(Dump(7990, 0), std::vector<std::string>{});
    EXPECT_TRUE(messages.notices.isEmpty());
}

TEST_F(ClickDumpTest, ReadsAtTheDumpedFilesOwnDataOffset) {
    testwav::Layout withList;
    withList.chunksBeforeData = {{"LIST", std::string(26, 'x')}};
    testwav::WriteFile(wav.toStdString(), testwav::MakeWav(Ramp(100), withList));
    EXPECT_EQ(Dump(50, 4), Numbers(48, 4));
}

TEST_F(ClickDumpTest, AFileThatCannotBeReadDumpsZerosAndWhatCannotBeWrittenIsSaid) {
    EXPECT_EQ(Dump(60, 3), Numbers(0, 0, 3));
    EXPECT_EQ(messages.notices, QStringList{QStringLiteral("ファイルのオープンに失敗しました。")});
    messages.notices.clear();
    testwav::WriteFile(wav.toStdString(), testwav::MakeWav(Ramp(100)));
    const QString noFolder = dir.filePath(QStringLiteral("gone/dump.txt"));
    EXPECT_FALSE(WriteClickDump(noFolder, wav, ClickDump{"take1.wav", 50, 4}, messages));
    EXPECT_EQ(messages.notices.size(), 1);
    // The wave file itself is never replaced by its dump, nor any file the
    // run worked on, whatever name leads to it.
    EXPECT_FALSE(WriteClickDump(wav, wav, ClickDump{"take1.wav", 50, 4}, messages));
    EXPECT_EQ(testwav::ReadFile(wav.toStdString()), testwav::MakeWav(Ramp(100)));
    const QString log = dir.filePath(QStringLiteral("NoiseLog1.dat"));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    testwav::WriteFile(log.toStdString(), "log");
    ASSERT_TRUE(QFile::link(log, link));
    ProtectedFiles kept;
    kept.Add(log);
    EXPECT_FALSE(WriteClickDump(link, wav, ClickDump{"take1.wav", 50, 4}, messages, kept));
    EXPECT_EQ(testwav::ReadFile(log.toStdString()), "log");
}

} // namespace
