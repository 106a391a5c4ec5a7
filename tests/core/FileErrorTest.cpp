// What the file layer says when it cannot open, create or read a file: the
// reason it returns, one case per kind of failure.

#include "filesystem/CreateFiles.h"
#include "support/TestWav.h"
#include "wavefile/FrameWindow.h"
#include "wavefile/WaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Op { Read, Samples, Window, Output, Chosen, Work };

struct Case {
    const char *what;
    Op op;
    const char *name; // in the test folder, or an absolute path
    FileError expected;
};

class FileErrorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProtectedFiles kept;
    WaveFile wave;

    void SetUp() override {
        testwav::WriteFile(Path("in.wav").toStdString(), testwav::MakeWav({1, 2, 3, 4}));
        testwav::WriteFile(Path("user.wav").toStdString(), "mine");
        ASSERT_TRUE(QDir(dir.path()).mkpath("folder/inside"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
        ASSERT_EQ(::symlink("nowhere", QFile::encodeName(Path("dangling")).constData()), 0);
        kept.Add(Path("in.wav"));
        ASSERT_TRUE(wave.ReadWaveHeader(FileHandle::OpenRead(Path("in.wav"))));
    }
    QString Path(const char *name) const {
        return name[0] == '/' ? QString::fromUtf8(name) : dir.filePath(QString::fromUtf8(name));
    }
    FileError Run(Op op, const QString &path) const {
        int16_t values[4] = {};
        switch (op) {
        case Op::Read:
            return FileHandle::OpenRead(path).failure();
        case Op::Samples:
            return wave.ReadSamples(0, 4, path, values).failure;
        case Op::Window:
            return ReadFrameWindow(&wave, path, 0, 2, 2).failure;
        case Op::Output:
            return CreateOutputFile(path, kept).failure();
        case Op::Chosen:
            return CreateChosenFile(path, kept).failure();
        case Op::Work:
            return CreateWorkFile(path, kept).failure();
        }
        return FileError::None;
    }
};

TEST_F(FileErrorTest, EachFailureSaysWhy) {
    const Case cases[] = {
        {"readable input", Op::Read, "in.wav", FileError::None},
        {"missing input", Op::Read, "gone.wav", FileError::Missing},
        {"input under a file", Op::Read, "in.wav/x.wav", FileError::Missing},
        {"folder as input", Op::Read, "folder", FileError::Folder},
        {"FIFO as input, never waited on", Op::Read, "fifo", FileError::NotRegular},
        {"samples of a vanished file", Op::Samples, "gone.wav", FileError::Missing},
        {"frames of a folder", Op::Window, "folder", FileError::Folder},
        {"output over an input", Op::Output, "in.wav", FileError::Protected},
        {"output over a folder", Op::Output, "folder", FileError::Folder},
        {"output in a missing folder", Op::Output, "none/out.wav", FileError::Missing},
        {"output where nobody may write", Op::Output, "/sys/norvatel-out.wav", FileError::Denied},
        {"chosen file over an input", Op::Chosen, "in.wav", FileError::Protected},
        {"chosen folder", Op::Chosen, "folder", FileError::Folder},
        {"chosen FIFO without a reader", Op::Chosen, "fifo", FileError::NoReader},
        {"chosen dangling link", Op::Chosen, "dangling", FileError::DanglingLink},
        {"chosen new file", Op::Chosen, "export.txt", FileError::None},
        {"work file over a user's file", Op::Work, "user.wav", FileError::Occupied},
        {"work file over an input", Op::Work, "in.wav", FileError::Protected},
        {"work file in a missing folder", Op::Work, "none/dozavarav.wav", FileError::Missing},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Run(c.op, Path(c.name)), c.expected);
    }
    // Nothing refused was touched.
    EXPECT_EQ(testwav::ReadFile(Path("user.wav").toStdString()), "mine");
    EXPECT_TRUE(QFileInfo(Path("folder/inside")).isDir());
    EXPECT_TRUE(wave.ReadWaveHeader(FileHandle::OpenRead(Path("in.wav"))));
}

} // namespace
