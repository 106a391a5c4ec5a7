#pragma once
// The preview's temporary wave file: a repaired stretch of a few seconds that
// the wave player then plays from disk.

#include "batch/MessageSink.h"
#include "filesystem/ProtectedFiles.h"
#include "wavefile/WaveFile.h"

#include <QString>
#include <cstdint>

// Writes frames frames of 16-bit stereo values from block as a wave file at
// path, with the format of wave's current file in a plain 44-byte header
// (a 16-byte format chunk), through CreateWorkFileOrTell: an
// existing file at path is replaced without asking once the new one is
// complete, only when it is the very preview file this program wrote before
// (protectedFiles knows it, and learns of the new one) and none of the last
// run's files: otherwise the open notice and false. A file that cannot be
// written completely is reported by its readable name and leaves path as it
// was, so
// no partial file is ever played as if whole. True when the whole file was
// written.
bool WritePreviewFile(const int16_t *block, int32_t frames, const QString &path,
                      const WaveFile &wave, ProtectedFiles &protectedFiles,
                      MessageSink &messages);
