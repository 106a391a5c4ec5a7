#pragma once
// The one settings record of the program and its INI file "RizivozeR.ini".
// Fields carry the names of their INI keys. The main window owns the record;
// only the settings dialog changes it; everything else reads it when it needs a value.

#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

// Times shown to the user count 44,100 frames a second, whatever a file's own
// sample rate: the click times of the logs, the waveform display times and the
// lengths of the previews.
inline constexpr int32_t kDisplayFramesPerSecond = 44100;

// Frames in ms milliseconds at the display rate.
constexpr int32_t DisplayFrames(int32_t ms) {
    return kDisplayFramesPerSecond * ms / 1000;
}

// Waveform display time by WinTime, in frames. The settings dialog and the
// wave window share it.
inline constexpr std::array<int32_t, 6> kDisplayTimeFrames{DisplayFrames(10),  DisplayFrames(20),
                                                           DisplayFrames(50),  DisplayFrames(100),
                                                           DisplayFrames(200), DisplayFrames(500)};

// The values a setting can hold: the settings dialog's controls offer exactly
// these, loading gives the default for a stored value outside them, and the
// code that indexes tables or sizes buffers by a setting keeps to them.
struct SettingRange {
    int32_t min;
    int32_t max;
    constexpr bool Contains(int32_t value) const { return value >= min && value <= max; }
    constexpr int32_t Clamp(int32_t value) const { return std::clamp(value, min, max); }
};
inline constexpr SettingRange kPresetRange{1, 3};      // rdCL, rdCT, rdWL, rdWT
inline constexpr SettingRange kLevelTrackRange{0, 19}; // each slot of rdCLV, rdWLV
inline constexpr SettingRange kTimeTrackRange{0, 15};  // each slot of rdCTV, rdWTV
inline constexpr SettingRange kBuffDipthRange{2, 16};
inline constexpr SettingRange kArasaRange{1, 32};
inline constexpr SettingRange kWinTimeRange{0, int32_t(kDisplayTimeFrames.size()) - 1};
// The coarsest Arasa that still draws: above it the waveform is not drawn at all.
inline constexpr int32_t kArasaMaxDrawn = 30;

// Per preset number, the track value remembered for it; slot 0 is unused.
using PresetSlots = std::array<int32_t, kPresetRange.max + 1>;

struct Settings {
    // Sensitivity presets and, per preset, the remembered track value.
    int32_t rdCL = 0;
    int32_t rdCT = 0;
    int32_t rdWL = 0;
    int32_t rdWT = 0;
    PresetSlots rdCLV{};
    PresetSlots rdCTV{};
    PresetSlots rdWLV{};
    PresetSlots rdWTV{};
    int32_t BuffDipth = 0;  // preview playback buffer chain depth
    int32_t Arasa = 0;      // waveform drawing coarseness
    int32_t WinTime = 0;    // index into kDisplayTimeFrames
    bool ckAuto = false;    // name outputs automatically
    bool ckOverW = false;   // ask before overwriting an output
    bool ckSameDir = false; // write outputs into the input folder
    QString outPath;        // output folder when ckSameDir is off, as typed
    int32_t DumpTextLen = 0;
    int32_t LogMax = 0; // detail log limit, in click records
    int32_t CheckPlayTime = 0; // repaired preview length, seconds

    // The record a missing settings file gives.
    static Settings Defaults();

    bool operator==(const Settings &) const = default;
};

inline constexpr const char *kSettingsFileName = "RizivozeR.ini";

struct LoadedSettings {
    Settings settings;
    // The folder to open the file browser at, when it and its volume still exist.
    std::optional<QString> restoreFolder;
    // The volume root to select with it (the root of the volume holding restoreFolder).
    QString drive;
    // False when a settings file is there but is no text the program can read
    // (UTF-16, binary, a device, a FIFO): the defaults are used, and the file
    // is the user's to mend, so it is not written at exit.
    bool fileUsable = true;
};

// What the program says, once at start, about a settings file it cannot use.
QString UnusableSettingsMessage(const QString &iniPath);

// Reads startFolder/RizivozeR.ini; a missing file, section or key gives defaults.
LoadedSettings LoadSettings(const QString &startFolder);
// The same for a settings file named by its path (the batch command's --settings).
LoadedSettings LoadSettingsFile(const QString &iniPath);

// Writes every key to startFolder/RizivozeR.ini, keeping lines it does not know.
// drive is the volume root shown by the drive box, folder the folder shown.
// Returns false when the file could not be written.
bool SaveSettings(const QString &startFolder, const Settings &settings, const QString &drive,
                  const QString &folder);
// The same for a settings file named by its path; missing folders on the way
// to it (the user's configuration folder on a first run) are made first.
bool SaveSettingsFile(const QString &iniPath, const Settings &settings, const QString &drive,
                      const QString &folder);

// Where a program started in startFolder keeps its settings: the start
// folder's RizivozeR.ini when there is one (anything of that name), so a file
// kept beside the recordings stays in use; otherwise RizivozeR.ini in
// UserSettingsFolder(). An empty startFolder is the current folder, and its
// file is then named relatively, whatever bytes the folder's name holds.
QString SettingsFileLocation(const QString &startFolder);
// $XDG_CONFIG_HOME/norvatel, or ~/.config/norvatel when XDG_CONFIG_HOME is
// unset, empty or not an absolute path.
QString UserSettingsFolder();

// "None" gives the default; a decimal 32-bit integer gives its value; any other
// text (empty, letters, out of range) gives the default as well.
int32_t IniTextToInt(const QString &text, int32_t defaultValue);
// False only for exactly "false"; any other text reads as true.
bool IniTextToBool(const QString &text);
QString BoolToIniText(bool value);
// At least one character, every one an ASCII digit.
bool IsAllDigits(const QString &text);
