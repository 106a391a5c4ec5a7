#pragma once
// The one settings record of the program and its INI file "RizivozeR.ini".
// Fields carry the names of their INI keys. The main window owns the record;
// only the settings dialog changes it; everything else reads it when it needs a value.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

struct Settings {
    // Sensitivity presets (1..3) and, per preset, the remembered track value.
    // The arrays are indexed 1..3 by preset number; slot 0 is unused.
    int32_t rdCL = 0;
    int32_t rdCT = 0;
    int32_t rdWL = 0;
    int32_t rdWT = 0;
    std::array<int32_t, 4> rdCLV{};
    std::array<int32_t, 4> rdCTV{};
    std::array<int32_t, 4> rdWLV{};
    std::array<int32_t, 4> rdWTV{};
    int32_t BuffDipth = 0;  // preview playback buffer chain depth, 2..16
    int32_t Arasa = 0;      // waveform drawing coarseness, 1..32
    int32_t WinTime = 0;    // index into kDisplayTimeFrames, 0..5
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

// Waveform display time by WinTime, in frames (10, 20, 50, 100, 200, 500 ms at
// 44,100 frames per second). The settings dialog and the wave window share it.
inline constexpr std::array<int32_t, 6> kDisplayTimeFrames{441, 882, 2205, 4410, 8820, 22050};

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
