// File names as bytes: every byte sequence survives the trip through the
// program's path text, and is shown as UTF-8, as CP932 or with "?".

#include "wavefile/PathBytes.h"
#include "batch/BatchRunner.h"

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
        // LOGGED
        EXPECT_EQ(HasForeignBytes(path), c.bytes.toStdString() != path.toStdString());
    }
}

TEST(PathBytesTest, ValidUtf8ReadsAsItsText) {
    const QString text = QString::fromUtf8("録音/テイク２.wav");
    EXPECT_EQ(PathFromBytes(text.toUtf8()), text);
    EXPECT_EQ(PathToBytes(text), text.toUtf8());
}
