#pragma once
// Where the program starts: the folder and files named on its command line
// (a desktop's "open with" passes the chosen files), and where its help page
// is found. Plain functions of their inputs, so they are tested without a window.

#include <QString>
#include <QStringList>
#include <functional>

struct StartRequest {
    enum class Kind { Start, Help, Version, UsageError };
    Kind kind = Kind::Start;
    // The folder to show; empty when no path was given: the window then opens
    // where it always has (the remembered folder, or the start folder).
    QString folder;
    // Names (without folder) of the files in folder to select, in the order
    // given; the first is the one with the focus.
    QStringList files;
    QString error; // the unknown option, for UsageError
    // The --language option's value ("ja", "en"); empty without one (the
    // locale's language).
    QString language;
};

// args without the program's name. A FOLDER shows that folder; FILEs show the
// first file's folder with those of the files that lie in it selected.
// Relative paths are taken from currentFolder; "--" ends the options.
// --help or --version anywhere before "--" wins over everything else.
// "--language CODE" (or --language=CODE) chooses the language; a code not
// among AvailableLanguages is a usage error named "--language".
StartRequest ParseStartArguments(const QStringList &args, const QString &currentFolder,
                                 const std::function<bool(const QString &)> &isFolder);

QString StartUsageText();

// The help page: startFolder's RizivozeR.html when there is one, otherwise the
// one in installedFolder (the installed program's data folder).
QString HelpPageLocation(const QString &startFolder, const QString &installedFolder);
// The installed program's data folder, found from the folder of the running
// executable, so a relocated or staged install finds its own.
QString InstalledDataFolder();
