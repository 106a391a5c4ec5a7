#pragma once
// The fixture of the batch command's process tests: a temporary folder with a
// clean and a clicked file, and the command run over it as a process.

#include "support/TestWav.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

struct Result {
    int exitCode = -1;
    QStringList rows; // standard output, line by line
    QString err;
};

// A stereo tone with a few single-value clicks in the left channel.
inline std::vector<int16_t> Tone(int frames, std::vector<int> clickFrames = {}) {
    std::vector<int16_t> v(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const auto s = int16_t(std::lround(8000.0 * std::sin(f * 2.0 * M_PI / 100.0)));
        v[size_t(f) * 2] = s;
        v[size_t(f) * 2 + 1] = int16_t(-s);
    }
    for (int f : clickFrames)
        v[size_t(f) * 2] = 30000;
    return v;
}

inline testwav::Layout MonoLayout() {
    testwav::Layout l;
    l.channels = 1;
    return l;
}

class BatchCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        Write("clean.wav", Tone(20000));
        Write("clicks.wav", Tone(20000, {3000, 9000, 15000}));
    }
    QString Path(const QString &name) const { return dir_.filePath(name); }
    void Write(const QString &name, const std::vector<int16_t> &samples) {
        testwav::WriteFile(Path(name).toStdString(), testwav::MakeWav(samples));
    }
    QByteArray Bytes(const QString &name) const {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Result Run(const QStringList &args, const QString &program = NORVATEL_BATCH_EXE) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.rows = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
    // The command started by a shell script in the test's folder, which gets
    // the program as $0 and args as $1...: for what the script changes first
    // (closed streams, a umask, limits, another user).
    Result RunShell(const QString &script, const QStringList &args = {}) {
        return Run(QStringList{"-c", script, QStringLiteral(NORVATEL_BATCH_EXE)} + args, "/bin/sh");
    }
    QTemporaryDir dir_;
};

