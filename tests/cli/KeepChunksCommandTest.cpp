// norvatel-batch remove --keep-chunks over files ffmpeg tagged: another
// reader finds the tags and the coding history in the outputs, and their
// samples are those of a run without the option.

#include "support/ExternalTools.h"
#include "support/TestWav.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// The file's tags as ffprobe reads them (bext fields and coding history too).
QJsonObject TagsOf(const QString &path) {
    const RunResult r =
        RunTool("ffprobe", {"-v", "error", "-of", "json", "-show_entries", "format_tags", path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out).object()["format"].toObject()["tags"].toObject();
}

// A tone at 48 kHz with clicks the repair takes out.
std::vector<int16_t> ClickedTone() {
    std::vector<int16_t> v(2 * 48000);
    for (size_t f = 0; f < v.size() / 2; ++f)
        v[2 * f] = v[2 * f + 1] = int16_t(std::lround(6000 * std::sin(double(f) * 0.05)));
    v[2 * 10000] = v[2 * 30001 + 1] = 30000;
    return v;
}

// The same file with its chunk named id moved to stand first, before the format.
std::string WithChunkFirst(const std::string &file, const std::string &id) {
    std::string first, rest;
    for (const auto &[chunkId, body] : testwav::ChunksOf(file))
        (chunkId == id ? first : rest) += testwav::ChunkBytes(chunkId, body);
    return file.substr(0, 12) + first + rest;
}

const QString kHistory = "A=ANALOGUE,M=stereo,T=Studer A80\r\nA=PCM,F=48000,W=16,M=stereo\r\n";

class KeepChunksCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *tool : {"ffmpeg", "ffprobe"})
            if (!Have(tool))
                GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("in");
        testwav::Layout l;
        l.sampleRate = 48000;
        testwav::WriteFile(Path("clicks.wav").toStdString(), testwav::MakeWav(ClickedTone(), l));
    }
    QString Path(const QString &name) const { return dir_.filePath(name); }
    // ffmpeg's copy of the clicked tone into in/name, with its output options.
    void Tag(const QString &name, const QStringList &options) {
        const RunResult r = RunTool(
            "ffmpeg", QStringList{"-v", "error", "-i", Path("clicks.wav"), "-c:a", "pcm_s16le"} +
                          options + QStringList{Path("in/" + name)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    RunResult Remove(const QStringList &options, const QStringList &names) {
        QStringList args{"remove"};
        args << options;
        for (const QString &n : names)
            args << Path("in/" + n);
        return RunTool(NORVATEL_BATCH_EXE, args);
    }
    QTemporaryDir dir_;
};

TEST_F(KeepChunksCommandTest, OutputsKeepTagsAndCodingHistory) {
    Tag("list.wav", {"-metadata", "title=Take One", "-metadata", "artist=Ensemble"});
    const QStringList bext{"-write_bext", "1",
                           "-metadata",   "coding_history=" + kHistory,
                           "-metadata",   "description=Reel 7"};
    Tag("bext.wav", bext);
    testwav::WriteFile(
        Path("in/bextfirst.wav").toStdString(),
        WithChunkFirst(testwav::ReadFile(Path("in/bext.wav").toStdString()), "bext"));
    const QStringList names{"list.wav", "bext.wav", "bextfirst.wav"};
    QDir(dir_.path()).mkpath("kept");
    QDir(dir_.path()).mkpath("plain");
    const RunResult kept = Remove({"--keep-chunks", "--out-dir", Path("kept")}, names);
    ASSERT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    const RunResult plain = Remove({"--out-dir", Path("plain")}, names);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(kept.out.contains("Noise Delete at bextfirst_won.wav")) << kept.out.toStdString();

    const QString repair = QStringLiteral(
        "A=PCM,F=48000,W=16,M=stereo,T=Norvatel " NORVATEL_PROJECT_VERSION " click removal\r\n");
    const QJsonObject list = TagsOf(Path("kept/list_won.wav"));
    EXPECT_EQ(list["title"].toString(), "Take One");
    EXPECT_EQ(list["artist"].toString(), "Ensemble");
    for (const QString name : {"bext_won.wav", "bextfirst_won.wav"}) {
        SCOPED_TRACE(name.toStdString());
        const QJsonObject tags = TagsOf(Path("kept/" + name));
        EXPECT_EQ(tags["coding_history"].toString(), kHistory + repair);
        EXPECT_EQ(tags["comment"].toString(), "Reel 7"); // the bext description
    }
    for (const QString &name : names) {
        const QString output = QString(name).replace(".wav", "_won.wav");
        SCOPED_TRACE(output.toStdString());
        EXPECT_TRUE(TagsOf(Path("plain/" + output)).isEmpty());
        const std::vector<int16_t> samples = DecodedByFfmpeg(Path("plain/" + output));
        EXPECT_EQ(samples.size(), ClickedTone().size());
        EXPECT_EQ(DecodedByFfmpeg(Path("kept/" + output)), samples);
    }
}

TEST_F(KeepChunksCommandTest, IsAnOptionOfRemovalOnly) {
    Tag("list.wav", {});
    const RunResult r =
        RunTool(NORVATEL_BATCH_EXE, {"detect", "--keep-chunks", Path("in/list.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
}

} // namespace
