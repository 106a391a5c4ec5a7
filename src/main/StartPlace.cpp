#include "main/StartPlace.h"

#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "language/ProgramLanguage.h"

#include <QCoreApplication>

namespace {

const QString kHelpPageName = QStringLiteral("RizivozeR.html");

// A cleaned absolute path's folder, without the trailing separator except for the root.
QString FolderOf(const QString &path) {
    const QString folder = FolderPart(path);
    return folder.size() > 1 ? folder.chopped(1) : folder;
}

} // namespace

StartRequest ParseStartArguments(const QStringList &args, const QString &currentFolder,
                                 const std::function<bool(const QString &)> &isFolder) {
    StartRequest request;
    bool help = false, version = false, options = true;
    QStringList paths;
    const QString languageOption = QStringLiteral("--language");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (options && (arg == languageOption || arg.startsWith(languageOption + QLatin1Char('=')))) {
            const QString value = arg == languageOption ? args.value(++i)
                                                          : arg.mid(languageOption.size() + 1);
            if (AvailableLanguages().contains(value))
                request.language = value;
            else if (request.error.isEmpty())
                request.error = languageOption;
        } else if (options && arg == QLatin1String("--"))
            options = false;
        else if (options && (arg == QLatin1String("--help") || arg == QLatin1String("-h")))
            help = true;
        else if (options && arg == QLatin1String("--version"))
            version = true;
        else if (options && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            if (request.error.isEmpty())
                request.error = arg;
        } else
            paths << AbsoluteCleanPath(arg, currentFolder);
    }
    if (help || version || !request.error.isEmpty()) {
        request.kind = help      ? StartRequest::Kind::Help
                       : version ? StartRequest::Kind::Version
                                 : StartRequest::Kind::UsageError;
        return request;
    }
    if (paths.isEmpty())
        return request;
    request.folder = isFolder(paths.first()) ? paths.first() : FolderOf(paths.first());
    for (const QString &path : paths) {
        const QString name = NamePart(path);
        if (FolderOf(path) == request.folder && !isFolder(path) && !request.files.contains(name))
            request.files << name;
    }
    return request;
}

QString StartUsageText() {
    return QStringLiteral(
        "usage: norvatel [options] [FILE...|FOLDER]\n"
        "\n"
        "Finds and repairs click noise in 16-bit stereo PCM WAV files: the window.\n"
        "With FOLDER it starts with that folder shown; with FILEs it shows the first\n"
        "file's folder with those of the FILEs that are in it selected. Without\n"
        "arguments it opens at the folder it showed when it last closed.\n"
        "\n"
        "The settings are read at start and written at exit: RizivozeR.ini in the\n"
        "folder it was started from when there is one there, otherwise\n"
        "$XDG_CONFIG_HOME/norvatel/RizivozeR.ini (~/.config/norvatel/RizivozeR.ini).\n"
        "The help page is RizivozeR.html in the folder it was started from, otherwise\n"
        "the installed one.\n"
        "\n"
        "options:\n"
        "  --help      show this text and exit\n"
        "  --version   show the version and exit\n"
        "  --language LANG\n"
        "              speak LANG: ja (Japanese) or en (English); without it, the\n"
        "              locale's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG):\n"
        "              Japanese for ja and the C locale, English for any other\n"
        "  --          the arguments after it are files or folders\n"
        "The toolkit's own options (-platform, -style, ...) are taken as well.\n"
        "\n"
        "norvatel-batch runs the same detection and removal from a shell.\n");
}

QString HelpPageLocation(const QString &startFolder, const QString &installedFolder) {
    const QString here = startFolder + QLatin1Char('/') + kHelpPageName;
    if (FileSystem::EntryExists(here) || installedFolder.isEmpty())
        return here;
    return installedFolder + QLatin1Char('/') + kHelpPageName;
}

QString InstalledDataFolder() {
    return AbsoluteCleanPath(QStringLiteral(NORVATEL_DATA_FROM_BIN),
                             QCoreApplication::applicationDirPath());
}
