#pragma once
// The three kinds of file names a folder may hold: UTF-8 (Japanese), Shift-JIS
// bytes as Windows archives leave them, and bytes that are neither. Each kind
// gets a file with clicks ("_a") and a clean one ("_b").

#include "support/TestWav.h"
#include "filesystem/PathBytes.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdio>
#include <ftw.h>
#include <sys/stat.h>
#include <vector>

namespace names {

struct Kind {
    const char *what;
    QByteArray stem;   // the name's bytes before "_a.wav" / "_b.wav"
    QString shownStem; // how the window and the logs show them
};

inline const Kind kKinds[] = {
    {"utf-8", "\xe9\x8c\xb2\xe9\x9f\xb3\xef\xbc\x91", QString::fromUtf8("録音１")},
    {"shift-jis", "\x83\x65\x83\x43\x83\x4e\x82\x51", QString::fromUtf8("テイク２")},
    // 0x80 and 0xFF start nothing in either encoding. (Latin-1 "caf\xe9_a"
    // would not do: 0xE9 0x5F is a CP932 character.)
    {"neither", "mix\x80\xff", QStringLiteral("mix??")},
};

// A folder name in Shift-JIS bytes: 録音.
inline const QByteArray kShiftJisFolder = "\x98\x5e\x89\xb9";

// Value indices of the clicks in an "_a" file.
inline const std::vector<int> kClickIndices = {1000, 3001};

// A quiet tone of 4000 frames, with +20000 at the given value indices.
inline std::string Wav(const std::vector<int> &spikes = {}) {
    std::vector<int16_t> values(8000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = int16_t(std::lround(300 * std::sin(double(i / 2) * 0.02)));
    for (int index : spikes)
        values[size_t(index)] = 20000;
    return testwav::MakeWav(values);
}

// Writes both files of every kind into folder; returns their names in the
// program's path text, "_a" before "_b", kind by kind.
inline QStringList WriteAll(const QString &folder) {
    QStringList written;
    for (const Kind &k : kKinds) {
        for (const char *suffix : {"_a.wav", "_b.wav"}) {
            const QByteArray name = k.stem + suffix;
            const bool clicks = suffix[1] == 'a';
            testwav::WriteFile((PathToBytes(folder) + '/' + name).toStdString(),
                               Wav(clicks ? kClickIndices : std::vector<int>{}));
            written << PathFromBytes(name);
        }
    }
    return written;
}

// Makes the sub-folder of parent named by kShiftJisFolder; returns its path.
inline QString MakeShiftJisFolder(const QString &parent) {
    const QString folder = parent + '/' + PathFromBytes(kShiftJisFolder);
    ::mkdir(PathToBytes(folder).constData(), 0777);
    return folder;
}

// The bytes of folder/name, or empty when there is no such file.
inline std::string ReadNamed(const QString &folder, const QByteArray &name) {
    return testwav::ReadFile((PathToBytes(folder) + '/' + name).toStdString());
}

inline int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
    return std::remove(path);
}

// Removes folder and everything in it. QTemporaryDir cannot: Qt loses the
// bytes of names that are not UTF-8 on the way to the system.
inline void RemoveTree(const QString &folder) {
    ::nftw(PathToBytes(folder).constData(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

} // namespace names
