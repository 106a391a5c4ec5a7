#include "Settings.h"

#include "IniFile.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QStorageInfo>
#include <cerrno>
#include <sys/stat.h>

namespace {

const QString kNone = QStringLiteral("None");
const QString kPath = QStringLiteral("Path");
const QString kSettei = QStringLiteral("Settei");

QString SettingsFilePath(const QString &startFolder) {
    return QDir(startFolder).filePath(QString::fromLatin1(kSettingsFileName));
}

// Makes folder and the folders above it that are missing, private to the user
// as configuration folders are made.
bool MakeFolders(const QString &folder) {
    if (folder.isEmpty() || FileSystem::IsFolder(folder))
        return true;
    const QString parent = FolderPart(folder);
    if (parent.size() > 1 && !MakeFolders(parent.chopped(1)))
        return false;
    return ::mkdir(PathToBytes(folder).constData(), 0700) == 0 || errno == EEXIST;
}

// A key's text as the profile routines give it: the stored value, or "None"
// when the section or key is missing.
QString ReadText(const IniFile &ini, const QString &section, const QString &key) {
    return ini.value(section, key).value_or(kNone);
}

// Reads an integer key; a value outside its range gives the default, because
// later code indexes tables and sizes buffers by these numbers.
int32_t ReadInt(const IniFile &ini, const QString &key, int32_t def, SettingRange range) {
    const int32_t value = IniTextToInt(ReadText(ini, kSettei, key), def);
    return range.Contains(value) ? value : def;
}

void ReadPresets(const IniFile &ini, Settings &s, const Settings &d) {
    s.rdCL = ReadInt(ini, QStringLiteral("rdCL"), d.rdCL, kPresetRange);
    s.rdCT = ReadInt(ini, QStringLiteral("rdCT"), d.rdCT, kPresetRange);
    s.rdWL = ReadInt(ini, QStringLiteral("rdWL"), d.rdWL, kPresetRange);
    s.rdWT = ReadInt(ini, QStringLiteral("rdWT"), d.rdWT, kPresetRange);
}

// The key of one preset slot: rdCLV1 for slot 1 of rdCLV.
QString SlotKey(const char *name, int slot) {
    return QString::fromLatin1(name) + QString::number(slot);
}

// The preset slots of one track value array, keys name1..name3; range is the
// track bar's.
void ReadSlots(const IniFile &ini, const char *name, PresetSlots &values,
               const PresetSlots &defaults, SettingRange range) {
    for (int slot = kPresetRange.min; slot <= kPresetRange.max; ++slot) {
        values[slot] = ReadInt(ini, SlotKey(name, slot), defaults[slot], range);
    }
}

void ReadTrackValues(const IniFile &ini, Settings &s, const Settings &d) {
    ReadSlots(ini, "rdCLV", s.rdCLV, d.rdCLV, kLevelTrackRange);
    ReadSlots(ini, "rdCTV", s.rdCTV, d.rdCTV, kTimeTrackRange);
    ReadSlots(ini, "rdWLV", s.rdWLV, d.rdWLV, kLevelTrackRange);
    ReadSlots(ini, "rdWTV", s.rdWTV, d.rdWTV, kTimeTrackRange);
}

void ReadDisplayValues(const IniFile &ini, Settings &s, const Settings &d) {
    s.BuffDipth = ReadInt(ini, QStringLiteral("BuffDipth"), d.BuffDipth, kBuffDipthRange);
    s.Arasa = ReadInt(ini, QStringLiteral("Arasa"), d.Arasa, kArasaRange);
    s.WinTime = ReadInt(ini, QStringLiteral("WinTime"), d.WinTime, kWinTimeRange);
}

void ReadOutputOptions(const IniFile &ini, Settings &s, const Settings &d) {
    s.ckAuto = IniTextToBool(ReadText(ini, kSettei, QStringLiteral("ckAuto")));
    s.ckOverW = IniTextToBool(ReadText(ini, kSettei, QStringLiteral("ckOverW")));
    s.ckSameDir = IniTextToBool(ReadText(ini, kSettei, QStringLiteral("ckSameDir")));
    s.outPath = ini.value(kSettei, QStringLiteral("outPath")).value_or(d.outPath);
}

void ReadLimits(const IniFile &ini, Settings &s, const Settings &d) {
    constexpr SettingRange notNegative{0, INT32_MAX};
    s.DumpTextLen = ReadInt(ini, QStringLiteral("DumpTextLen"), d.DumpTextLen, notNegative);
    s.LogMax = ReadInt(ini, QStringLiteral("LogMax"), d.LogMax, notNegative);
    s.CheckPlayTime = ReadInt(ini, QStringLiteral("CheckPlayTime"), d.CheckPlayTime, notNegative);
    // A file from before repaired playback existed has no BuffDipth key; its
    // CheckPlayTime, if any, does not mean the playback length.
    if (ReadText(ini, kSettei, QStringLiteral("BuffDipth")) == kNone)
        s.CheckPlayTime = 0;
    if (s.CheckPlayTime > 11)
        s.CheckPlayTime = 0;
}

// The folder is restored only when it and the remembered volume root both
// still exist; the volume to select is then the one that holds the folder.
void ReadBrowserPlace(const IniFile &ini, LoadedSettings &out) {
    const QString drive = ReadText(ini, kPath, QStringLiteral("Drive"));
    const QString folder = ReadText(ini, kPath, QStringLiteral("Folder"));
    if (folder == kNone || drive == kNone || folder.isEmpty() || drive.isEmpty())
        return;
    if (!FileSystem::IsFolder(folder) || !FileSystem::IsFolder(drive))
        return;
    out.restoreFolder = folder;
    out.drive = QStorageInfo(folder).rootPath();
}

void WriteSlots(IniFile &ini, const char *name, const PresetSlots &values) {
    for (int slot = kPresetRange.min; slot <= kPresetRange.max; ++slot) {
        ini.setValue(kSettei, SlotKey(name, slot), QString::number(values[slot]));
    }
}

void WriteInt(IniFile &ini, const char *key, int32_t value) {
    ini.setValue(kSettei, QString::fromLatin1(key), QString::number(value));
}

void WriteBool(IniFile &ini, const char *key, bool value) {
    ini.setValue(kSettei, QString::fromLatin1(key), BoolToIniText(value));
}

// The keys in the order they are appended to a new file.
void WriteSettei(IniFile &ini, const Settings &s) {
    WriteInt(ini, "rdCL", s.rdCL);
    WriteInt(ini, "rdCT", s.rdCT);
    WriteInt(ini, "rdWL", s.rdWL);
    WriteInt(ini, "rdWT", s.rdWT);
    WriteSlots(ini, "rdCLV", s.rdCLV);
    WriteSlots(ini, "rdCTV", s.rdCTV);
    WriteSlots(ini, "rdWTV", s.rdWTV);
    WriteSlots(ini, "rdWLV", s.rdWLV);
    WriteInt(ini, "BuffDipth", s.BuffDipth);
    WriteInt(ini, "Arasa", s.Arasa);
    WriteInt(ini, "WinTime", s.WinTime);
    WriteBool(ini, "ckAuto", s.ckAuto);
    WriteBool(ini, "ckOverW", s.ckOverW);
    WriteBool(ini, "ckSameDir", s.ckSameDir);
    ini.setValue(kSettei, QStringLiteral("outPath"), s.outPath);
    WriteInt(ini, "DumpTextLen", s.DumpTextLen);
    WriteInt(ini, "LogMax", s.LogMax);
    WriteInt(ini, "CheckPlayTime", s.CheckPlayTime);
}

} // namespace

Settings Settings::Defaults() {
    Settings s;
    s.rdCL = 1;
    s.rdCT = 1;
    s.rdWL = 3;
    s.rdWT = 1;
    s.rdCLV = {0, 8, 13, 16};
    s.rdCTV = {0, 0, 5, 10};
    s.rdWLV = {0, 8, 13, 16};
    s.rdWTV = {0, 0, 5, 10};
    s.BuffDipth = 8;
    s.Arasa = 16;
    s.WinTime = 3;
    s.ckAuto = true;
    s.ckOverW = true;
    s.ckSameDir = true;
    s.outPath = QDir::tempPath() + u'/';
    s.DumpTextLen = 50;
    s.LogMax = 100000;
    s.CheckPlayTime = 0;
    return s;
}

LoadedSettings LoadSettings(const QString &startFolder) {
    return LoadSettingsFile(SettingsFilePath(startFolder));
}

LoadedSettings LoadSettingsFile(const QString &iniPath) {
    IniFile ini;
    LoadedSettings out;
    // An unreadable file is treated like a missing one: every key gives its default.
    out.fileUsable = ini.load(iniPath) != IniFile::LoadResult::Failed;
    ReadBrowserPlace(ini, out);
    const Settings defaults = Settings::Defaults();
    Settings &s = out.settings;
    ReadPresets(ini, s, defaults);
    ReadTrackValues(ini, s, defaults);
    ReadDisplayValues(ini, s, defaults);
    ReadOutputOptions(ini, s, defaults);
    ReadLimits(ini, s, defaults);
    return out;
}

bool SaveSettings(const QString &startFolder, const Settings &settings, const QString &drive,
                  const QString &folder) {
    return SaveSettingsFile(SettingsFilePath(startFolder), settings, drive, folder);
}

bool SaveSettingsFile(const QString &path, const Settings &settings, const QString &drive,
                      const QString &folder) {
    const QString parent = FolderPart(path);
    if (parent.size() > 1 && !MakeFolders(parent.chopped(1)))
        return false;
    IniFile ini;
    // Writing over a file we could not read would lose the lines we keep for others.
    if (ini.load(path) == IniFile::LoadResult::Failed)
        return false;
    ini.setValue(kPath, QStringLiteral("Drive"), drive);
    ini.setValue(kPath, QStringLiteral("Folder"), folder);
    WriteSettei(ini, settings);
    return ini.save(path);
}

QString UserSettingsFolder() {
    QString base = PathFromBytes(qgetenv("XDG_CONFIG_HOME"));
    if (!base.startsWith(QLatin1Char('/'))) {
        const QByteArray home = qgetenv("HOME");
        base = (home.isEmpty() ? QDir::homePath() : PathFromBytes(home)) + QStringLiteral("/.config");
    }
    return AbsoluteCleanPath(base + QStringLiteral("/norvatel"), QStringLiteral("/"));
}

QString SettingsFileLocation(const QString &startFolder) {
    const QString name = QString::fromLatin1(kSettingsFileName);
    const QString here = startFolder.isEmpty() ? name : SettingsFilePath(startFolder);
    if (FileSystem::EntryExists(here))
        return here;
    return UserSettingsFolder() + QLatin1Char('/') + name;
}

QString UnusableSettingsMessage(const QString &iniPath) {
    // Shown to the user: a message of the program's, in its language.
    return iniPath +
           QCoreApplication::translate(
               "Messages", "\r\nは設定ファイルとして読み込めません。標準の設定を使います。");
}

int32_t IniTextToInt(const QString &text, int32_t defaultValue) {
    if (text == kNone)
        return defaultValue;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? static_cast<int32_t>(value) : defaultValue;
}

bool IniTextToBool(const QString &text) {
    return text != QStringLiteral("false");
}

QString BoolToIniText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool IsAllDigits(const QString &text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}
