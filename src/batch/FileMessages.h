#pragma once
// What the user is told when a file cannot be opened or created, and the
// question asked before an output replaces a file. The file layer only says
// what went wrong; each function here does what its file-layer namesake does
// and, when that fails, shows the open notice.

#include "batch/MessageSink.h"
#include "filesystem/CreateFiles.h"
#include "wavefile/FrameWindow.h"
#include "wavefile/WaveFile.h"

#include <QString>
#include <cstdint>
#include <vector>

// "ファイルのオープンに失敗しました。": shown for any file that cannot be
// opened or created.
extern const char *const kOpenFailedMessage;

void ShowOpenFailed(MessageSink &messages);

// FileHandle::OpenRead; a closed handle after the notice.
FileHandle OpenForReadOrTell(const QString &path, MessageSink &messages);

// Opens path (the notice when it cannot) and reads its header into wave. A
// rejected file yields false with no message: the caller reports it.
bool ReadWaveHeaderOrTell(WaveFile &wave, const QString &path, MessageSink &messages);

// WaveFile::ReadSamples: the values read, 0 after the notice when path
// cannot be opened (dest is left alone then).
int32_t ReadSamplesOrTell(const WaveFile &wave, int32_t start, int32_t count, const QString &path,
                          int16_t *dest, MessageSink &messages);

// ReadFrameWindow's values; the notice when path cannot be opened.
std::vector<int16_t> ReadFrameWindowOrTell(const WaveFile *wave, const QString &path,
                                           int64_t firstFrame, int32_t frames,
                                           int32_t channelCount, MessageSink &messages);

// CreateOutputFile, asking first when the file exists and confirm is set
// (ckOverW): "書き込みファイルが既に存在します。オーバーライトしますか？". No
// gives a closed file with no notice; the question comes before the check
// of kept, so the user is asked as for any existing file.
AtomicFile CreateOutputFileAsking(const QString &path, bool confirm, MessageSink &messages,
                                  const ProtectedFiles &kept = {});

// CreateChosenFile and CreateWorkFile; a closed file after the notice.
AtomicFile CreateChosenFileOrTell(const QString &path, const ProtectedFiles &kept,
                                  MessageSink &messages);
AtomicFile CreateWorkFileOrTell(const QString &path, const ProtectedFiles &kept,
                                MessageSink &messages);
