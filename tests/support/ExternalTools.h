#pragma once
// The programs users convert and inspect audio with (sox, ffmpeg, ffprobe),
// run by the tests as another reader of the files this program reads and writes.

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

struct RunResult {
    int exitCode = -1; // -1 when the program did not end normally within a minute
    QByteArray out, err;
};

inline RunResult RunTool(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    RunResult r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline bool Have(const char *tool) {
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

// The interleaved 16-bit values as ffmpeg decodes them.
inline std::vector<int16_t> DecodedByFfmpeg(const QString &path) {
    const RunResult r = RunTool("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<int16_t> values(size_t(r.out.size() / 2));
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = int16_t(uint8_t(r.out[int(2 * i)]) | uint8_t(r.out[int(2 * i + 1)]) << 8);
    return values;
}
