// The per-file passes: stream a file block by block through the click engine,
// counting and logging clicks (detection) or writing the repaired copy (removal).

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "engine/Thresholds.h"
#include "filesystem/DriveSpace.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

#include <cerrno>
#include <unistd.h>

namespace {

constexpr int64_t kValueBytes = 2;

const QString kNotWaveSuffix =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "はWaveファイルではありません。"));
const QString kCannotProcessSuffix =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "はこのプログラムで処理できません。"));
const QString kReadFailedSuffix =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "の読み込みに失敗しました。"));
const QString kNoDriveSpaceMessage =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "ドライブの空き容量が不足しています。"));
const QString kNoOutputFolder =
    QStringLiteral(QT_TRANSLATE_NOOP("Messages", "出力ファイルパスが設定されていません。"));

// Cuts the output back to its header plus the values written so far and
// rewrites the header to say so, so a partial output stays a valid file.
bool FinishPartialOutput(FileHandle &out, const WaveFile &wave, int64_t headerBytes,
                         int32_t valuesWritten) {
    const int64_t dataBytes = int64_t{valuesWritten} * kValueBytes;
    return ::ftruncate(out.fd(), off_t(headerBytes + dataBytes)) == 0 && out.seek(0) &&
           wave.WriteWaveHeader(out, dataBytes);
}

} // namespace

bool BatchRunner::PumpAndTestStop() {
    port_.ProcessPendingEvents();
    return stop_.raised();
}

RunStatus BatchRunner::DetectBlocks(FileHandle &in, PassBlocks &blocks) {
    const int32_t sampleCount = wave_.sampleCount;
    // Long files refresh the display about a hundred times in all.
    const int32_t interval = (sampleCount / kBlockValues) / 100;
    int32_t countdown = interval;
    int32_t pos = 0;
    while (pos < sampleCount) {
        const int32_t n =
            blocks.Clean(in, wave_, pos, thresholds_, clickCounter_, this);
        if (n < 0) {
            port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kReadFailedSuffix));
            return Status::FileOpenError;
        }
        pos += n;
        if (countdown == 0) {
            ShowProgress(0, 0, pos);
            ShowClickCount();
            countdown = interval;
        } else {
            --countdown;
        }
        if (PumpAndTestStop())
            return Status::Abort;
    }
    ShowProgress(0, 0, sampleCount);
    return Status::OK;
}

// How a write to the output failed: a full volume (or file-size limit) ends
// the run; any other reason is this file's own trouble, named with the file.
RunStatus BatchRunner::WriteFailure(int error) {
    if (error == 0 || FileSystem::IsNoSpaceError(error)) {
        port_.ShowMsg(MessageText(kNoDriveSpaceMessage));
        return Status::NoDriveSpace;
    }
    port_.ShowMsg(DisplayFileName(file_.outputPath) + MessageText(kWriteFailedSuffix) +
                  QStringLiteral("\r\n") + FileSystem::ErrorText(error));
    return Status::WriteFileOpenError;
}

// The removal loop. Every way out before the end cuts the output to the values
// written and rewrites its header to say so; truthful is false when that failed.
RunStatus BatchRunner::RemoveBlocks(FileHandle &in, FileHandle &out, int64_t headerBytes,
                                    PassBlocks &blocks, bool &truthful) {
    const int32_t sampleCount = wave_.sampleCount;
    int32_t pos = 0;
    while (pos < sampleCount) {
        const int32_t n =
            blocks.Clean(in, wave_, pos, thresholds_, clickCounter_, this);
        if (n < 0) {
            truthful = FinishPartialOutput(out, wave_, headerBytes, pos);
            port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kReadFailedSuffix));
            return Status::InputFileOpenError;
        }
        if (!blocks.Store(out, n)) {
            const int error = errno;
            truthful = FinishPartialOutput(out, wave_, headerBytes, pos);
            return WriteFailure(error);
        }
        pos += n;
        ShowProgress(0, 0, pos);
        ShowClickCount();
        if (PumpAndTestStop()) {
            truthful = FinishPartialOutput(out, wave_, headerBytes, pos);
            return truthful ? Status::Abort : WriteFailure(errno);
        }
    }
    ShowProgress(0, 0, sampleCount);
    return Status::OK;
}

void BatchRunner::ShowProgress(int32_t min, int32_t max, int32_t position) {
    if (max != 0) {
        progressMax_ = max;
        port_.SetProgressRange(min, max, position);
        return;
    }
    const float rate = float(position) * 100.0f / float(progressMax_);
    port_.SetProgressPosition(position, QString::number(rate, 'f', 1) + QLatin1Char('%'));
}

void BatchRunner::ShowClickCount() {
    port_.ShowClickCountText(QString::number(clickCounter_));
}

bool BatchRunner::StartPass(bool removal) {
    port_.ShowPassLabel(removal);
    clickCounter_ = 0;
    ShowClickCount();
    if (HasWaveExtension(file_.inputPath))
        return true;
    port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kNotWaveSuffix));
    return false;
}

RunStatus BatchRunner::DetectPass() {
    if (!StartPass(false))
        return Status::NotWaveFile;
    // Header and samples come through one open file, so they are one file's.
    FileHandle in = OpenForReadOrTell(file_.inputPath, port_);
    if (!in.isOpen() || !wave_.ReadWaveHeader(in))
        return Status::WaveFileFormatError;
    PassBlocks blocks;
    ShowProgress(0, wave_.sampleCount, 0);
    thresholds_ = SetDetectThresholds(settings_);
    return DetectBlocks(in, blocks);
}

RunStatus BatchRunner::RemovePass() {
    if (!StartPass(true))
        return Status::NotWaveFile;
    FileHandle in = OpenForReadOrTell(file_.inputPath, port_);
    if (!in.isOpen() || !wave_.ReadWaveHeader(in)) {
        port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kCannotProcessSuffix));
        return Status::WaveFileFormatError;
    }
    // An empty folder setting is not taken as the current folder.
    if (last_.outputFolder.isEmpty()) {
        port_.ShowMsg(MessageText(kNoOutputFolder));
        return Status::WriteFileOpenError;
    }
    // An output naming any file of the run (this input too, whoever set the
    // run up) is refused, never deleted.
    kept_.Add(file_.inputPath);
    AtomicFile out = CreateOutputFileAsking(file_.outputPath, settings_.ckOverW, port_, kept_);
    if (!out.isOpen())
        return Status::WriteFileOpenError;
    // The header first declares every value; a pass that ends early rewrites it.
    // An output that cannot even take its header is not left behind: an empty
    // or headless .wav would only trouble the next program that opens it.
    if (!HasDriveSpace(file_.inputPath, last_.outputFolder)) {
        out.abandon();
        port_.ShowMsg(MessageText(kNoDriveSpaceMessage));
        return Status::NoDriveSpace;
    }
    if (!wave_.WriteWaveHeader(out.file(), int64_t{wave_.sampleCount} * kValueBytes)) {
        const int error = errno;
        out.abandon();
        return WriteFailure(error);
    }
    ShowProgress(0, wave_.sampleCount, 0);
    thresholds_ = SetRemoveThresholds(settings_);
    PassBlocks blocks;
    bool truthful = true;
    const RunStatus status =
        RemoveBlocks(in, out.file(), out.file().size(), blocks, truthful);
    // Finished, stopped or cut short with a truthful header: the output takes
    // its name and joins the run's files. One whose header could not be made
    // true is not left behind.
    if (!truthful) {
        out.abandon();
        return status;
    }
    if (out.commit()) {
        kept_.AddMade(file_.outputPath);
        return status;
    }
    return WriteFailure(out.error());
}
