#pragma once
// Wave file access: validating the input header (RIFF WAVE, PCM, 16 bits, two
// channels), the measurements of the current file, reading runs of samples,
// creating outputs, writing output headers and the free-space test.
//
// Positions: a value index counts 16-bit values of the interleaved stream from
// the first value of the data chunk (left values at even indices); a frame is
// one left and one right value.

#include "filesystem/AtomicFile.h"
#include "filesystem/FileHandle.h"
#include "batch/MessageSink.h"
#include "filesystem/ProtectedFiles.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// "ファイルのオープンに失敗しました。"
extern const char *const kOpenFailedMessage;

// The header of the current input as read, kept for writing the output header.
struct WaveHeader {
    std::array<uint8_t, 20> riff{};       // RIFF id, RIFF size, WAVE, fmt id, fmtSize
    std::vector<uint8_t> formatBody;       // fmtSize bytes, as read
    std::array<uint8_t, 8> dataHeader{};   // data id and data size, as read

    int32_t fmtSize() const;
    int32_t dataSize() const;
    void setDataSize(int32_t bytes);
    void setRiffSize(uint32_t bytes);
};

// What a RIFF WAVE file's chunks say, before any rule about which formats a
// reader takes: the runs take 16-bit stereo only, the wave player any PCM. One
// parser for both, so every file a run accepts can be played.
struct ParsedWave {
    WaveHeader header;
    int32_t fileSize = 0;
    int32_t dataOffset = 0; // byte offset of the first sample
    int32_t dataBytes = 0;  // data size from the data header

    uint16_t formatTag() const;
    uint16_t channels() const;
    uint16_t bitsPerSample() const;
};

// Reads the RIFF and WAVE ids (case ignored), a format chunk of at least 16
// bytes and a data chunk lying wholly inside the file, of at most 2^31 - 1
// bytes. Every size is checked against the file's length before it is used.
std::optional<ParsedWave> ParseWave(const FileHandle &file);

// Where a data chunk was found: the byte offset of its 8-byte header and the
// header's bytes.
struct DataChunkLocation {
    int64_t headerOffset = 0;
    std::array<uint8_t, 8> header{};
    int32_t size() const; // the declared size, signed 32-bit
};

// Finds the data chunk of a RIFF WAVE file whose format chunk body starts at
// byte 20 and is fmtSize bytes long: walks the chunks from the end of the format
// chunk (pad bytes after odd sizes, every step bounded by fileSize) and takes the
// first whose id reads "DATA" upper-cased; only when the walk finds none, falls
// back to a 4-byte-step search for "DATA" within 512 bytes.
std::optional<DataChunkLocation> FindDataChunk(const FileHandle &file, int64_t fileSize,
                                               int32_t fmtSize);

// The current file: the header and measurements set by the last successful
// ReadWaveHeader. Callers never use them after a false result.
class WaveFile {
public:
    WaveHeader header;
    int32_t fileSize = 0;
    int32_t dataOffset = 0;     // byte offset of the first sample
    int32_t dataBytes = 0;      // data size from the data header
    int32_t bytesPerSample = 0; // 2
    int32_t channelCount = 0;   // 2
    int32_t sampleCount = 0;    // 16-bit values, both channels counted

    // Validates the file and sets the fields above. An open failure shows the
    // open notice; a rejected file yields false with no message.
    bool ReadWaveHeader(const QString &path, MessageSink &messages);
    // The same on an open file, which a pass then reads its samples from: the
    // header and the samples are of one file even if the name is reused meanwhile.
    bool ReadWaveHeader(const FileHandle &file);

    // Reads count values from value index start of path (the file most recently
    // read by ReadWaveHeader) into dest, cut at the end of the data. Values past
    // the cut are left as they were. Returns the number of values read (0 or
    // more); shows the open notice and leaves dest alone when the open fails.
    int32_t ReadSamples(int32_t start, int32_t count, const QString &path, int16_t *dest,
                        MessageSink &messages) const;

    // Writes the output header at out's current position: the 20 RIFF bytes,
    // the format body and the data header, with the RIFF and data sizes
    // rewritten to describe dataBytesWritten bytes of samples (chunks that stood
    // between the format and the data are not written). False if the write failed.
    bool WriteWaveHeader(FileHandle &out, int64_t dataBytesWritten) const;
};

// The bytes WriteWaveHeader writes for header and dataBytesWritten bytes of
// samples; empty when header has no whole format chunk or the size does not fit.
std::vector<uint8_t> OutputHeaderBytes(const WaveHeader &header, int64_t dataBytesWritten);

// True when the text from the path's last "." on, cut to four characters and
// lower-cased, is ".wav".
bool HasWaveExtension(const QString &path);

// Opens for reading, others may read and write meanwhile. On failure shows
// kOpenFailedMessage and returns a closed handle.
FileHandle OpenForRead(const QString &path, MessageSink &messages);

// Creates the output file of a removal pass. If it exists and confirm is set,
// asks the overwrite question (No: closed file, no notice). An existing file is
// then deleted, so the disk needs no room for both, and the output is written
// under its temporary name until committed. A path that names one of kept (the
// run's inputs and the files it made, whatever the spelling or link) is never
// deleted or truncated: the open notice, closed file.
AtomicFile CreateOutputFile(const QString &path, bool confirm, MessageSink &messages,
                            const ProtectedFiles &kept = {});

// Creates a file the user picked in a save dialog (the export, the dump). A
// link is followed, as the user meant its target; a regular file is replaced
// when committed. A FIFO (with its reader waiting), a character device or
// this process's own standard output or error is written through, so nothing
// takes its place. One of kept,
// a folder, any other kind of file or a dangling link is refused with the
// open notice.
AtomicFile CreateChosenFile(const QString &path, const ProtectedFiles &kept,
                            MessageSink &messages);

// Creates a work file of the program's own (the preview's temporary file),
// replaced when committed; an entry at path (a link too) is replaced, never
// written through. A path that names one of kept, or an entry there that is
// not the very work file this program wrote (a user's file of that name), is
// refused with the open notice, as is one that cannot be created.
AtomicFile CreateWorkFile(const QString &path, const ProtectedFiles &kept, MessageSink &messages);

// True when the free space of the volume holding outputFolder, less the size of
// the input file, exceeds 1,000,000 bytes.
bool HasDriveSpace(const QString &inputPath, const QString &outputFolder);
