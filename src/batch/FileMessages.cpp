#include "batch/FileMessages.h"

#include "filesystem/FileSystem.h"

const char *const kOpenFailedMessage =
    QT_TRANSLATE_NOOP("Messages", "ファイルのオープンに失敗しました。");

namespace {

const char *const kOverwriteQuestion =
    QT_TRANSLATE_NOOP("Messages", "書き込みファイルが既に存在します。オーバーライトしますか？");

AtomicFile TellIfClosed(AtomicFile file, MessageSink &messages) {
    if (!file.isOpen())
        ShowOpenFailed(messages);
    return file;
}

} // namespace

void ShowOpenFailed(MessageSink &messages) {
    messages.ShowMsg(MessageText(kOpenFailedMessage));
}

FileHandle OpenForReadOrTell(const QString &path, MessageSink &messages) {
    FileHandle file = FileHandle::OpenRead(path);
    if (!file.isOpen())
        ShowOpenFailed(messages);
    return file;
}

bool ReadWaveHeaderOrTell(WaveFile &wave, const QString &path, MessageSink &messages) {
    const FileHandle file = OpenForReadOrTell(path, messages);
    return file.isOpen() && wave.ReadWaveHeader(file);
}

int32_t ReadSamplesOrTell(const WaveFile &wave, int32_t start, int32_t count, const QString &path,
                          int16_t *dest, MessageSink &messages) {
    const SamplesRead read = wave.ReadSamples(start, count, path, dest);
    if (read.failure != FileError::None)
        ShowOpenFailed(messages);
    return read.values;
}

std::vector<int16_t> ReadFrameWindowOrTell(const WaveFile *wave, const QString &path,
                                           int64_t firstFrame, int32_t frames,
                                           int32_t channelCount, MessageSink &messages) {
    FrameWindow window = ReadFrameWindow(wave, path, firstFrame, frames, channelCount);
    if (window.failure != FileError::None)
        ShowOpenFailed(messages);
    return std::move(window.values);
}

AtomicFile CreateOutputFileAsking(const QString &path, bool confirm, MessageSink &messages,
                                  const ProtectedFiles &kept) {
    if (confirm && FileSystem::EntryExists(path) &&
        messages.ShowMsg(MessageText(kOverwriteQuestion), true) == MsgAnswer::No)
        return AtomicFile();
    return TellIfClosed(CreateOutputFile(path, kept), messages);
}

AtomicFile CreateChosenFileOrTell(const QString &path, const ProtectedFiles &kept,
                                  MessageSink &messages) {
    return TellIfClosed(CreateChosenFile(path, kept), messages);
}

AtomicFile CreateWorkFileOrTell(const QString &path, const ProtectedFiles &kept,
                                MessageSink &messages) {
    return TellIfClosed(CreateWorkFile(path, kept), messages);
}
