// Start-up: the application, then the four windows in the order their
// dependencies need, then the event loop until the main window closes.

#include "main/TAboutBox.h"
#include "main/TForm1.h"
#include "main/TForm3.h"
#include "ui/ProgramFont.h"
#include "wavewindow/TForm2.h"

#include <QApplication>
#include <QMessageBox>
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

int RunProgram(QApplication &app) {
    // Every window is created now and lives until the end; they are shown and
    // hidden, never rebuilt.
    TForm1 form1;
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
    Application app(argc, argv);
    // The title names the program in the toolkit's own boxes; no display name is
    // set, so window captions stay exactly as each window sets them.
    QApplication::setApplicationName(QStringLiteral("Duruzuro10"));
    QApplication::setFont(ProgramFont(12));
    try {
        return RunProgram(app);
    } catch (const std::exception &error) {
        ShowFatalError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowFatalError(QStringLiteral("Unexpected error"));
    }
    return 1;
}
