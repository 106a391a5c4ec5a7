#include "language/ProgramLanguage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

// Where the build puts the compiled translations among the resources.
const QString kEnglishCatalogue = QStringLiteral(":/translations/norvatel_en.qm");

// The one translation installed, for as long as the program runs.
std::unique_ptr<QTranslator> &InstalledTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

std::optional<ProgramLanguage> LanguageNamed(const QString &name) {
    if (name == QLatin1String("ja"))
        return ProgramLanguage::Japanese;
    if (name == QLatin1String("en"))
        return ProgramLanguage::English;
    return std::nullopt;
}

ProgramLanguage LanguageForLocale(const QStringList &uiLanguages) {
    if (uiLanguages.isEmpty())
        return ProgramLanguage::Japanese;
    // "ja", "ja-JP", "ja_JP.UTF-8"; "C", "C.UTF-8", "POSIX".
    const QString first = uiLanguages.first();
    const QString language = first.section(QLatin1Char('.'), 0, 0)
                                 .section(QLatin1Char('@'), 0, 0)
                                 .section(QLatin1Char('_'), 0, 0)
                                 .section(QLatin1Char('-'), 0, 0);
    if (language.isEmpty() || language == QLatin1String("ja") || language == QLatin1String("C") ||
        language == QLatin1String("POSIX"))
        return ProgramLanguage::Japanese;
    return ProgramLanguage::English;
}

ProgramLanguage SystemLanguage() {
    return LanguageForLocale(QLocale::system().uiLanguages());
}

bool UseLanguage(ProgramLanguage language) {
    std::unique_ptr<QTranslator> &installed = InstalledTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == ProgramLanguage::Japanese)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(kEnglishCatalogue) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = std::move(translator);
    return true;
}
