// The per-file passes: stream a file block by block through the click engine,
// counting and logging clicks (detection) or writing the repaired copy (removal).

#include "ProgramVersion.h"
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

// Cuts the output back to its header plus the values written so far, puts
// the carried chunks that follow the data behind them and rewrites the header
// to say so, so a partial output stays a valid file.
bool FinishPartialOutput(FileHandle &out, const WaveFile &wave, const CarriedChunks &carried,
                         int64_t headerBytes, int32_t valuesWritten) {
    const int64_t dataBytes = int64_t{valuesWritten} * kValueBytes;
    const std::vector<uint8_t> trailer = TrailerBytes(carried, dataBytes);
    return ::ftruncate(out.fd(), off_t(headerBytes + dataBytes)) == 0 &&
           (trailer.empty() || (out.seek(headerBytes + dataBytes) &&
                                out.write(trailer.data(), int64_t(trailer.size())))) &&
           out.seek(0) && wave.WriteWaveHeader(out, dataBytes, carried);
}

// The line a repair adds to a broadcast wave's coding history, in the form
// EBU R 98 gives such lines. The engine takes 16-bit stereo PCM only.
QByteArray RepairHistoryLine(const WaveHeader &header) {
    return QByteArrayLiteral("A=PCM,F=") + QByteArray::number(header.sampleRate()) +
           ",W=16,M=stereo,T=" + kProgramName + ' ' + kProgramVersion + " click removal";
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

// The removal loop. valuesWritten is how many values the output holds when
// it ends, early or not.
RunStatus BatchRunner::RemoveBlocks(FileHandle &in, FileHandle &out, PassBlocks &blocks,
                                    int32_t &valuesWritten) {
    const int32_t sampleCount = wave_.sampleCount;
    int32_t &pos = valuesWritten;
    pos = 0;
    while (pos < sampleCount) {
        const int32_t n =
            blocks.Clean(in, wave_, pos, thresholds_, clickCounter_, this);
        if (n < 0) {
            port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kReadFailedSuffix));
            return Status::InputFileOpenError;
        }
        if (!blocks.Store(out, n))
            return WriteFailure(errno);
        pos += n;
        // The output is synced before it takes its name; writing it out to
        // the disk while the blocks are cleaned, instead of all in that sync,
        // lets the disk and the engine work at the same time.
        constexpr int32_t kWritebackValues = 16 * kBlockValues; // every 4 MiB
        if (pos % kWritebackValues == 0)
            out.startWriteback();
        ShowProgress(0, 0, pos);
        ShowClickCount();
        if (PumpAndTestStop())
            return Status::Abort;
    }
    const std::vector<uint8_t> trailer = TrailerBytes(carried_, int64_t{pos} * kValueBytes);
    if (!trailer.empty() && !out.write(trailer.data(), int64_t(trailer.size())))
        return WriteFailure(errno);
    ShowProgress(0, 0, sampleCount);
    return Status::OK;
}

bool BatchRunner::ReadCarriedChunksOrTell(const FileHandle &in) {
    carried_ = CarriedChunks{};
    if (!request_.keepChunks)
        return true;
    std::optional<CarriedChunks> read = ReadCarriedChunks(in, wave_);
    if (!read) {
        port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kReadFailedSuffix));
        return false;
    }
    carried_ = std::move(*read);
    AppendCodingHistory(carried_, RepairHistoryLine(wave_.header));
    return true;
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

bool BatchRunner::OutputIsFinished() const {
    // An output naming a file of the run (this input, say) is never taken for
    // a finished one; its pass refuses it as before.
    if (kept_.Guards(file_.outputPath))
        return false;
    WaveFile input, output;
    // A part cut short has a shorter data chunk; one killed before its
    // header was made true has a data chunk reaching past its end and is no
    // wave file at all.
    return input.ReadWaveHeader(FileHandle::OpenRead(file_.inputPath)) &&
           output.ReadWaveHeader(FileHandle::OpenRead(file_.outputPath)) &&
           output.dataBytes == input.dataBytes;
}

RunStatus BatchRunner::RemovePass() {
    OpenOutput open;
    RunStatus status = OpenRemovePass(kept_, open);
    if (status != Status::OK)
        return status;
    status = WriteRemoveBlocks(open);
    return CommitOutput(open, status, kept_);
}

RunStatus BatchRunner::OpenRemovePass(ProtectedFiles &kept, OpenOutput &open) {
    if (!StartPass(true))
        return Status::NotWaveFile;
    open.in = OpenForReadOrTell(file_.inputPath, port_);
    if (!open.in.isOpen() || !wave_.ReadWaveHeader(open.in)) {
        port_.ShowMsg(DisplayFileName(file_.inputName) + MessageText(kCannotProcessSuffix));
        return Status::WaveFileFormatError;
    }
    if (!ReadCarriedChunksOrTell(open.in))
        return Status::InputFileOpenError;
    // An empty folder setting is not taken as the current folder.
    if (last_.outputFolder.isEmpty()) {
        port_.ShowMsg(MessageText(kNoOutputFolder));
        return Status::WriteFileOpenError;
    }
    // An output naming any file of the run (this input too, whoever set the
    // run up) is refused, never deleted.
    kept.Add(file_.inputPath);
    open.out = CreateOutputFileAsking(file_.outputPath, settings_.ckOverW, port_, kept);
    if (!open.out.isOpen())
        return Status::WriteFileOpenError;
    // The header first declares every value; a pass that ends early rewrites it.
    // An output that cannot even take its header is not left behind: an empty
    // or headless .wav would only trouble the next program that opens it.
    if (!HasDriveSpace(file_.inputPath, last_.outputFolder)) {
        open.out.abandon();
        port_.ShowMsg(MessageText(kNoDriveSpaceMessage));
        return Status::NoDriveSpace;
    }
    if (!wave_.WriteWaveHeader(open.out.file(), int64_t{wave_.sampleCount} * kValueBytes,
                               carried_)) {
        const int error = errno;
        open.out.abandon();
        return WriteFailure(error);
    }
    return Status::OK;
}

RunStatus BatchRunner::WriteRemoveBlocks(OpenOutput &open) {
    ShowProgress(0, wave_.sampleCount, 0);
    thresholds_ = SetRemoveThresholds(settings_);
    PassBlocks blocks;
    AtomicFile &out = open.out;
    const int64_t headerBytes = out.file().size();
    int32_t valuesWritten = 0;
    const RunStatus status = RemoveBlocks(open.in, out.file(), blocks, valuesWritten);
    // A pass that ended early leaves its part only when the request keeps
    // parts, and only with a header made true; otherwise nothing is left.
    if (status != Status::OK) {
        if (!request_.keepPartialOutput) {
            out.abandon();
            return status;
        }
        if (!FinishPartialOutput(out.file(), wave_, carried_, headerBytes, valuesWritten)) {
            const int error = errno;
            out.abandon();
            return status == Status::Abort ? WriteFailure(error) : status;
        }
    }
    return status;
}

RunStatus BatchRunner::CommitOutput(OpenOutput &open, RunStatus status, ProtectedFiles &kept) {
    if (!open.out.isOpen())
        return status;
    if (open.out.commit()) {
        kept.AddMade(file_.outputPath);
        file_.outputLeft = file_.outputPath;
        return status;
    }
    return WriteFailure(open.out.error());
}
