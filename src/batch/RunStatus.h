#pragma once
// The outcome of one file in a run, as a value: what its pass returned, or
// what the run made of it. text() is the word the result grid shows and the
// summary log keeps; callers that decide something ask the value, never its text.

#include <QString>
#include <cstdint>

class RunStatus {
public:
    enum class Kind : uint8_t {
        OK,
        Abort,
        NotWaveFile,
        WaveFileFormatError,
        FileOpenError,
        InputFileOpenError,
        WriteFileOpenError,
        NoDriveSpace,
        NoiseDetect,   // a detection run found clicks
        NoiseDeleteAt, // a removal run repaired clicks into its output
        NoNoiseAt,     // a removal run found none; its output is a plain copy
        PassNoNoise,   // a removal run skipped a file found clean before
        PassExistsAt,  // a removal run skipped a file whose output was finished before
    };

    // Implicit, so the outcomes read as Status::OK and the like.
    RunStatus(Kind kind = Kind::OK) : kind_(kind) {}
    // The removal run's row for a file written to outputName.
    static RunStatus NoiseDeleteAt(const QString &outputName);
    static RunStatus NoNoiseAt(const QString &outputName);
    static RunStatus PassExistsAt(const QString &outputName);

    Kind kind() const { return kind_; }
    // "OK", "Abort", ..., "Noise Delete at take1_won.wav", exactly as shown and
    // logged; the output name in it is its DisplayFileName.
    QString text() const;
    // True for the failure words, Abort included: the file was not fully handled.
    bool isFailure() const;

    bool operator==(const RunStatus &) const = default;

private:
    RunStatus(Kind kind, const QString &outputName) : kind_(kind), outputName_(outputName) {}

    Kind kind_;
    QString outputName_; // only for the kinds that name an output
};

// The outcomes without an output name, by the names the runs use.
namespace Status {
inline const RunStatus OK{RunStatus::Kind::OK};
inline const RunStatus Abort{RunStatus::Kind::Abort};
inline const RunStatus NotWaveFile{RunStatus::Kind::NotWaveFile};
inline const RunStatus WaveFileFormatError{RunStatus::Kind::WaveFileFormatError};
inline const RunStatus FileOpenError{RunStatus::Kind::FileOpenError};
inline const RunStatus InputFileOpenError{RunStatus::Kind::InputFileOpenError};
inline const RunStatus WriteFileOpenError{RunStatus::Kind::WriteFileOpenError};
inline const RunStatus NoDriveSpace{RunStatus::Kind::NoDriveSpace};
inline const RunStatus NoiseDetect{RunStatus::Kind::NoiseDetect};
inline const RunStatus PassNoNoise{RunStatus::Kind::PassNoNoise};
} // namespace Status
