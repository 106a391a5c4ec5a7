// The wave window's click list read from the detail log: matching by the
// logged name, the row limit, the messages, and logs that are cut, missing or
// not files at all.

#include "batch/ClickList.h"
#include "batch/LogLines.h"
#include "support/TestWav.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class ClickListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    // One 7-line record; name is given in CP932 bytes.
    static std::string Record(const std::string &name, int id, const char *end = "\r\n") {
        std::string r = name + end;
        for (const std::string &cell : {std::to_string(id), std::string("L"), std::to_string(id * 10),
                                       std::string("00H 00M 00S 000mS"), std::string("-5"),
                                       std::string("3")})
            r += cell + end;
        return r;
    }
    QTemporaryDir dir;
};

TEST_F(ClickListTest, ListsTheFilesWholeRecordsByTheirLoggedName) {
    const std::string log = Record("a.wav", 1) + Record("b.wav", 2, "\n") +
                            Record("x?y.wav", 3, "\r") + Record("a.wav", 4) +
                            // a name line of a.wav inside b's record is a cell, not a record
                            "b.wav\r\na.wav\r\n1\r\n2\r\n3\r\n4\r\n5\r\n" +
                            "a.wav\r\n5\r\nL\r\n"; // cut off by a full disk
    testwav::WriteFile(Path("log").toStdString(), log);

    const ClickList a = ReadClickList(Path("log"), QStringLiteral("a.wav"), 1000);
    ASSERT_EQ(a.rows.size(), 2u);
    EXPECT_EQ(a.rows[0], (QStringList{"1", "L", "10", "00H 00M 00S 000mS", "-5", "3"}));
    EXPECT_EQ(a.rows[1][0], QStringLiteral("4"));
    EXPECT_TRUE(a.message.isEmpty());
    // A tab cannot stand in a log line, so it was logged as "?"; the file is
    // still listed, and shares its records with a file really named so.
    EXPECT_EQ(ReadClickList(Path("log"), QStringLiteral("x\ty.wav"), 1000).rows.size(), 1u);
    EXPECT_EQ(ReadClickList(Path("log"), QStringLiteral("x?y.wav"), 1000).rows.size(), 1u);
    EXPECT_TRUE(ReadClickList(Path("log"), QStringLiteral("A.wav"), 1000).rows.empty());
}

TEST_F(ClickListTest, ListsAtMostTheFirst5001Records) {
    std::string log;
    for (int id = 1; id <= 6000; ++id)
        log += Record(id % 2 ? "a.wav" : "b.wav", id);
    for (int id = 6001; id <= 12000; ++id)
        log += Record("a.wav", id);
    testwav::WriteFile(Path("log").toStdString(), log);
    const ClickList list = ReadClickList(Path("log"), QStringLiteral("a.wav"), 1000);
    ASSERT_EQ(list.rows.size(), size_t(kMaxListedClicks));
    EXPECT_EQ(list.rows[0][0], QStringLiteral("1"));
    EXPECT_EQ(list.rows[2999][0], QStringLiteral("5999"));
    EXPECT_EQ(list.rows[5000][0], QStringLiteral("8001"));
}

TEST_F(ClickListTest, WithoutRowsTellsWhetherTheLogWasFull) {
    testwav::WriteFile(Path("log").toStdString(), Record("a.wav", 1) + Record("a.wav", 2));
    testwav::WriteFile(Path("empty").toStdString(), "");
    const QString wav = QStringLiteral("b.wav");
    // 14 lines: more than one record's worth means the run dropped records.
    EXPECT_EQ(ReadClickList(Path("log"), wav, 1).message, kLogOverLimit);
    EXPECT_EQ(ReadClickList(Path("log"), wav, 2).message, kNoDataToCheck);
    // 7 x LogMax does not wrap in 32 bits.
    EXPECT_EQ(ReadClickList(Path("log"), wav, INT32_MAX).message, kNoDataToCheck);
    EXPECT_EQ(ReadClickList(Path("empty"), wav, 0).message, kNoDataToCheck);
    EXPECT_EQ(ReadClickList(Path("missing"), wav, 0).message, kNoDataToCheck);
    EXPECT_EQ(ReadClickList(dir.path(), wav, 0).message, kNoDataToCheck);
    ASSERT_EQ(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(ReadClickList(Path("fifo"), wav, 0).message, kNoDataToCheck); // does not block
}

TEST(LogLineReaderTest, ALineEndSplitBetweenTwoPiecesEndsOneLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log"));
    testwav::WriteFile(path.toStdString(), std::string(65535, 'a') + "\r\nb\r\r\n");
    LogLineReader reader(path);
    QByteArray line;
    QList<qsizetype> lengths;
    while (reader.NextLine(line))
        lengths << line.size();
    EXPECT_EQ(lengths, (QList<qsizetype>{65535, 1, 0}));
    EXPECT_FALSE(reader.failed());
}

} // namespace
