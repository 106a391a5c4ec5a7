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

const QString kNotWaveSuffix = QStringLiteral("はWaveファイルではありません。");
const QString kCannotProcessSuffix = QStringLiteral("はこのプログラムで処理できません。");
const QString kReadFailedSuffix = QStringLiteral("の読み込みに失敗しました。");
const QString kNoDriveSpaceMessage = QStringLiteral("ドライブの空き容量が不足しています。");
const QString kNoOutputFolder = QStringLiteral("出力ファイルパスが設定されていません。");

// Cuts the output back to its header plus the values written so far and
// rewrites the header to say so, so a partial output stays a valid file.
bool FinishPartialOutput(FileHandle &out, const WaveFile &wave, int64_t headerBytes,
                         int32_t valuesWritten) {
    const int64_t dataBytes = int64_t{valuesWritten} * kValueBytes;
    return ::ftruncate(out.fd(), off_t(headerBytes + dataBytes)) == 0 && out.seek(0) &&
           wave.WriteWaveHeader(out, dataBytes);
}

// The per-block pump; a stop asked for from outside the window counts as Stop.
bool PumpAndTestStop(BatchRunner &runner) {
    runner.port.ProcessPendingEvents();
    if (runner.port.StopRequestedExternally())
        runner.stopRequested = true;
    return runner.stopRequested;
}

RunStatus DetectBlocks(BatchRunner &runner, FileHandle &in, PassBlocks &blocks) {
    const int32_t sampleCount = runner.wave.sampleCount;
    // Long files refresh the display about a hundred times in all.
    const int32_t interval = (sampleCount / kBlockValues) / 100;
    int32_t countdown = interval;
    int32_t pos = 0;
    runner.stopRequested = false;
    while (pos < sampleCount) {
        const int32_t n =
            blocks.Clean(in, runner.wave, pos, runner.thresholds, runner.clickCounter, &runner);
        if (n < 0) {
            runner.port.ShowMsg(DisplayFileName(runner.inputName) + kReadFailedSuffix);
            return Status::FileOpenError;
        }
        pos += n;
        if (countdown == 0) {
            runner.ShowProgress(0, 0, pos);
            runner.ShowClickCount();
            countdown = interval;
        } else {
            --countdown;
        }
        if (PumpAndTestStop(runner))
            return Status::Abort;
    }
    runner.ShowProgress(0, 0, sampleCount);
    return Status::OK;
}

// How a write to the output failed: a full volume (or file-size limit) ends
// the run; any other reason is this file's own trouble, named with the file.
RunStatus WriteFailure(BatchRunner &runner, int error) {
    if (error == 0 || FileSystem::IsNoSpaceError(error)) {
        runner.port.ShowMsg(kNoDriveSpaceMessage);
        return Status::NoDriveSpace;
    }
    runner.port.ShowMsg(DisplayFileName(runner.outputPath) + kWriteFailedSuffix +
                        QStringLiteral("\r\n") + FileSystem::ErrorText(error));
    return Status::WriteFileOpenError;
}

// The removal loop. Every way out before the end cuts the output to the values
// written and rewrites its header to say so; truthful is false when that failed.
RunStatus RemoveBlocks(BatchRunner &runner, FileHandle &in, FileHandle &out, int64_t headerBytes,
                       PassBlocks &blocks, bool &truthful) {
    const int32_t sampleCount = runner.wave.sampleCount;
    int32_t pos = 0;
    runner.stopRequested = false;
    while (pos < sampleCount) {
        const int32_t n =
            blocks.Clean(in, runner.wave, pos, runner.thresholds, runner.clickCounter, &runner);
        if (n < 0) {
            truthful = FinishPartialOutput(out, runner.wave, headerBytes, pos);
            runner.port.ShowMsg(DisplayFileName(runner.inputName) + kReadFailedSuffix);
            return Status::InputFileOpenError;
        }
        if (!blocks.Store(out, n)) {
            const int error = errno;
            truthful = FinishPartialOutput(out, runner.wave, headerBytes, pos);
            return WriteFailure(runner, error);
        }
        pos += n;
        runner.ShowProgress(0, 0, pos);
        runner.ShowClickCount();
        if (PumpAndTestStop(runner)) {
            truthful = FinishPartialOutput(out, runner.wave, headerBytes, pos);
            return truthful ? Status::Abort : WriteFailure(runner, errno);
        }
    }
    runner.ShowProgress(0, 0, sampleCount);
    return Status::OK;
}

} // namespace

void BatchRunner::ShowProgress(int32_t min, int32_t max, int32_t position) {
    if (max != 0) {
        progressMax_ = max;
        port.SetProgressRange(min, max, position);
        return;
    }
    const float rate = float(position) * 100.0f / float(progressMax_);
    port.SetProgressPosition(position, QString::number(rate, 'f', 1) + QLatin1Char('%'));
}

void BatchRunner::ShowClickCount() {
    port.ShowClickCountText(QString::number(clickCounter));
}

RunStatus BatchRunner::DetectPass() {
    port.ShowPassLabel(false);
    clickCounter = 0;
    ShowClickCount();
    if (!HasWaveExtension(inputPath)) {
        port.ShowMsg(DisplayFileName(inputName) + kNotWaveSuffix);
        return Status::NotWaveFile;
    }
    // Header and samples come through one open file, so they are one file's.
    FileHandle in = OpenForReadOrTell(inputPath, port);
    if (!in.isOpen() || !wave.ReadWaveHeader(in))
        return Status::WaveFileFormatError;
    PassBlocks blocks;
    ShowProgress(0, wave.sampleCount, 0);
    thresholds = SetDetectThresholds(settings);
    return DetectBlocks(*this, in, blocks);
}

RunStatus BatchRunner::RemovePass() {
    port.ShowPassLabel(true);
    clickCounter = 0;
    ShowClickCount();
    if (!HasWaveExtension(inputPath)) {
        port.ShowMsg(DisplayFileName(inputName) + kNotWaveSuffix);
        return Status::NotWaveFile;
    }
    FileHandle in = OpenForReadOrTell(inputPath, port);
    if (!in.isOpen() || !wave.ReadWaveHeader(in)) {
        port.ShowMsg(DisplayFileName(inputName) + kCannotProcessSuffix);
        return Status::WaveFileFormatError;
    }
    // An empty folder setting is not taken as the current folder.
    if (outputFolder.isEmpty()) {
        port.ShowMsg(kNoOutputFolder);
        return Status::WriteFileOpenError;
    }
    // An output naming any file of the run (this input too, whoever set the
    // run up) is refused, never deleted.
    protectedFiles.Add(inputPath);
    AtomicFile out = CreateOutputFileAsking(outputPath, settings.ckOverW, port, protectedFiles);
    if (!out.isOpen())
        return Status::WriteFileOpenError;
    // The header first declares every value; a pass that ends early rewrites it.
    // An output that cannot even take its header is not left behind: an empty
    // or headless .wav would only trouble the next program that opens it.
    if (!HasDriveSpace(inputPath, outputFolder)) {
        out.abandon();
        port.ShowMsg(kNoDriveSpaceMessage);
        return Status::NoDriveSpace;
    }
    if (!wave.WriteWaveHeader(out.file(), int64_t{wave.sampleCount} * kValueBytes)) {
        const int error = errno;
        out.abandon();
        return WriteFailure(*this, error);
    }
    ShowProgress(0, wave.sampleCount, 0);
    thresholds = SetRemoveThresholds(settings);
    PassBlocks blocks;
    bool truthful = true;
    const RunStatus status =
        RemoveBlocks(*this, in, out.file(), out.file().size(), blocks, truthful);
    // Finished, stopped or cut short with a truthful header: the output takes
    // its name and joins the run's files. One whose header could not be made
    // true is not left behind.
    if (!truthful) {
        out.abandon();
        return status;
    }
    if (out.commit()) {
        protectedFiles.AddMade(outputPath);
        return status;
    }
    return WriteFailure(*this, out.error());
}
