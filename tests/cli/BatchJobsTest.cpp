// --jobs: several files at once give the very bytes one file at a time gives.

#include "support/BatchProcess.h"
#include "support/ExternalTools.h"

#include <QDir>
#include <QMap>

namespace {

class BatchJobsTest : public BatchCommandTest {
protected:
    // Music-like files made by sox, each with its own number of clicks, so
    // the detail log's limit falls in the middle of the third file; one
    // file that is no wave file, so a file's message and failure row are
    // there too.
    void MakeFolder() {
        for (int i = 1; i <= 5; ++i) {
            const QString name = Path(QStringLiteral("m%1.wav").arg(i));
            ASSERT_EQ(RunTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", name, "synth",
                                      "2", "pluck", QString::number(110 * i), "pinknoise", "vol",
                                      "0.5"})
                          .exitCode,
                      0);
            {
                QFile f(name);
                ASSERT_TRUE(f.open(QIODevice::ReadWrite));
                for (int k = 0; k < 30 * i; ++k) {
                    f.seek(1000 + (qint64(k) * 9973 * 4) % (f.size() - 2000) / 4 * 4);
                    f.write(QByteArray::fromHex("007d0083")); // +32000, -32000
                }
            }
            // Tags of its own in a LIST chunk, for the runs that carry chunks over.
            const QString tagged = Path(QStringLiteral("t%1.wav").arg(i));
            ASSERT_EQ(RunTool("ffmpeg", {"-v", "error", "-i", name, "-c", "copy", "-metadata",
                                         QStringLiteral("title=take %1").arg(i), tagged})
                          .exitCode,
                      0);
            ASSERT_TRUE(QFile::remove(name) && QFile::rename(tagged, name));
        }
        QFile bad(Path("m3b.wav"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("not a wave file");
        files_ = {Path("m1.wav"), Path("m2.wav"), Path("m3.wav"), Path("m3b.wav"),
                  Path("m4.wav"), Path("m5.wav")};
        QFile ini(Path("logmax.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Settei]\nLogMax=200\n");
    }
    // Everything one run leaves: its exit status, standard output and error, logs,
    // export and outputs; then the folders are emptied for the next run.
    QMap<QString, QByteArray> RunAndTake(const QStringList &args) {
        QDir(dir_.path()).mkdir("out");
        QDir(dir_.path()).mkdir("logs");
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(NORVATEL_BATCH_EXE, args + QStringList{"--settings", Path("logmax.ini"),
                                                       "--out-dir", Path("out"), "--log-dir",
                                                       Path("logs"), "--export", Path("export.tsv")} +
                                        files_);
        EXPECT_TRUE(p.waitForFinished(60000));
        QMap<QString, QByteArray> left;
        left["exit"] = QByteArray::number(p.exitCode());
        left["stdout"] = p.readAllStandardOutput();
        left["stderr"] = p.readAllStandardError();
        left["export"] = Bytes("export.tsv");
        QFile::remove(Path("export.tsv"));
        for (const QString folder : {"out", "logs"}) {
            QDir d(Path(folder));
            for (const QString &name : d.entryList(QDir::Files | QDir::Hidden)) {
                left[folder + "/" + name] = Bytes(folder + "/" + name);
                if (folder == "logs" || !keepOutputs_)
                    d.remove(name);
            }
        }
        return left;
    }
    QStringList files_;
    bool keepOutputs_ = false; // the outputs stay for the next run to find
};

TEST_F(BatchJobsTest, EveryNumberOfJobsLeavesTheBytesOfOneFileAtATime) {
    ASSERT_TRUE(Have("sox") && Have("ffmpeg")) << "sox makes the files, ffmpeg tags them";
    MakeFolder();
    const QList<QStringList> runs{
        {"detect"}, {"remove"}, {"remove", "--format", "jsonl"}, {"remove", "--keep-chunks"}};
    for (const QStringList &run : runs) {
        const QMap<QString, QByteArray> inTurn = RunAndTake(run + QStringList{"--jobs", "1"});
        EXPECT_EQ(inTurn["exit"], "1"); // the file that is no wave file
        // The limit of 200 records cuts the detail log inside m3.wav (30 + 60 + 90 clicks).
        EXPECT_EQ(inTurn["logs/NoiseLog1.dat"].count("\r\n"), 201 * 7);
        EXPECT_EQ(inTurn.keys().filter("out/").size(), run[0] == "remove" ? 5 : 0);
        if (run.contains("--keep-chunks")) {
            EXPECT_TRUE(inTurn["out/m2_won.wav"].contains("take 2"));
        }
        for (const QString jobs : {"2", "0"}) {
            const QMap<QString, QByteArray> together = RunAndTake(run + QStringList{"--jobs", jobs});
            EXPECT_EQ(together.keys(), inTurn.keys()) << run.join(' ').toStdString();
            for (const QString &what : inTurn.keys())
                EXPECT_EQ(together[what], inTurn[what])
                    << run.join(' ').toStdString() << " --jobs " << jobs.toStdString() << ": "
                    << what.toStdString();
        }
    }
}

TEST_F(BatchJobsTest, QuestionsAboutOutputsComeInFileOrder) {
    // Over outputs already there each file asks whether to replace its own,
    // and the file that is no wave file says so between them: the questions
    // and messages come in the order of one file at a time.
    ASSERT_TRUE(Have("sox") && Have("ffmpeg")) << "sox makes the files, ffmpeg tags them";
    MakeFolder();
    keepOutputs_ = true;
    RunAndTake({"remove"});
    for (const QStringList &answer : {QStringList{}, QStringList{"--overwrite"}}) {
        const QMap<QString, QByteArray> inTurn = RunAndTake(QStringList{"remove", "--jobs", "1"} + answer);
        EXPECT_EQ(inTurn["stderr"].count(answer.isEmpty() ? "-> no" : "-> yes"), 5);
        const QMap<QString, QByteArray> together = RunAndTake(QStringList{"remove", "--jobs", "2"} + answer);
        EXPECT_EQ(together["stderr"].toStdString(), inTurn["stderr"].toStdString()) << answer.join(' ').toStdString();
        EXPECT_EQ(together["stdout"].toStdString(), inTurn["stdout"].toStdString()) << answer.join(' ').toStdString();
    }
}

TEST_F(BatchJobsTest, JobsIsANumberOfFiles) {
    for (const QString bad : {"-1", "two", ""}) {
        const Result r = Run({"detect", "--jobs", bad, Path("clicks.wav")});
        EXPECT_EQ(r.exitCode, 2) << bad.toStdString();
        EXPECT_TRUE(r.err.contains("--jobs")) << r.err.toStdString();
    }
}

} // namespace
