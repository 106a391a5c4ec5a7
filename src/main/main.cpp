// Start-up: the application, then the four windows in the order their
// dependencies need, then the event loop until the main window closes.

#include "ProgramVersion.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "language/ProgramLanguage.h"
#include "main/StartPlace.h"
#include "main/TAboutBox.h"
#include "main/TForm1.h"
#include "main/TForm3.h"
#include "ui/ProgramFont.h"
#include "wavewindow/TForm2.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace {

void ShowFatalError(const QString &text) {
    QMessageBox::critical(nullptr, QStringLiteral("Duruzuro10"), text);
}

// Qt cannot carry an exception through its event loop, so an error thrown in
// a handler is caught here, where every event passes: it is shown in an error
// box and ends the program, like one thrown during start-up.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            ShowFatalError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            ShowFatalError(QStringLiteral("Unexpected error"));
        }
        QCoreApplication::exit(1);
        return false;
    }
};

StartRequest ParseArguments(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << PathFromBytes(argv[i]);
    return ParseStartArguments(args, FileSystem::ResolvedFolder(QString()), FileSystem::IsFolder);
}

// --help and --version answer before the toolkit starts, so they need no display.
bool AnswerWithoutWindow(const StartRequest &request) {
    if (request.kind == StartRequest::Kind::Help)
        std::fputs(StartUsageText().toLocal8Bit().constData(), stdout);
    else if (request.kind == StartRequest::Kind::Version)
        std::printf("Norvatel %s\n", kProgramVersion);
    else
        return false;
    return true;
}

int RunProgram(QApplication &app, const StartRequest &request) {
    // Every window is created now and lives until the end; they are shown and
    // hidden, never rebuilt.
    TForm1 form1;
    if (!request.folder.isEmpty() && !form1.ShowStartSelection(request.folder, request.files))
        std::fprintf(stderr, "norvatel: cannot show the folder %s\n",
                     DisplayFileName(request.folder).toLocal8Bit().constData());
    TAboutBox aboutBox(&form1);
    TForm2 form2(form1);
    form1.aboutBox = &aboutBox;
    form1.waveWindow = &form2;
    TForm3 form3(form1.settings, form1.edOutFile);
    form1.settingsDialog = &form3;
    // Closing the main window ends the program even while another window is open.
    QObject::connect(&form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form1.show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv) {
    const StartRequest beforeToolkit = ParseArguments(argc, argv);
    if (AnswerWithoutWindow(beforeToolkit))
        return 0;
    // No toolkit option is called --language: a wrong one is told without a display.
    if (beforeToolkit.error == QLatin1String("--language")) {
        std::fprintf(stderr, "norvatel: --language takes one of: %s\ntry 'norvatel --help'\n",
                     AvailableLanguages().join(QStringLiteral(", ")).toLocal8Bit().constData());
        return 2;
    }
    Application app(argc, argv);
    // The toolkit has taken its own options out of argv by now.
    const StartRequest request = ParseArguments(argc, argv);
    if (request.kind == StartRequest::Kind::UsageError) {
        std::fprintf(stderr, "norvatel: unknown option %s\ntry 'norvatel --help'\n",
                     DisplayFileName(request.error).toLocal8Bit().constData());
        return 2;
    }
    // The title names the program in the toolkit's own boxes; no display name is
    // set, so window captions stay exactly as each window sets them.
    QApplication::setApplicationName(QStringLiteral("Duruzuro10"));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(NORVATEL_APP_ID));
    QApplication::setFont(ProgramFont(12));
    // Qt's own texts (the buttons of the boxes, the save dialog) stay Qt's
    // English: no translation of Qt is loaded, in any language.
    if (!UseLanguage(request.language.isEmpty() ? SystemLanguage() : request.language))
        std::fputs("norvatel: the translation is missing; the window speaks Japanese\n", stderr);
    try {
        return RunProgram(app, request);
    } catch (const std::exception &error) {
        ShowFatalError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowFatalError(QStringLiteral("Unexpected error"));
    }
    return 1;
}
