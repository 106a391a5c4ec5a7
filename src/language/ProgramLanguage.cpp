#include "language/ProgramLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

// Where the build puts the compiled translations among the resources.
const QString kCatalogueFolder = QStringLiteral(":/translations");
const QString kCataloguePrefix = QStringLiteral("norvatel_");
const QString kCatalogueSuffix = QStringLiteral(".qm");

QString CataloguePath(const QString &language) {
    return kCatalogueFolder + QLatin1Char('/') + kCataloguePrefix + language + kCatalogueSuffix;
}

// The one translation installed, for as long as the program runs.
std::unique_ptr<QTranslator> &InstalledTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QStringList AvailableLanguages() {
    QStringList languages{kJapanese};
    const QStringList catalogues =
        QDir(kCatalogueFolder).entryList({kCataloguePrefix + QLatin1Char('*') + kCatalogueSuffix});
    for (const QString &file : catalogues)
        languages << file.mid(kCataloguePrefix.size()).chopped(kCatalogueSuffix.size());
    languages.sort();
    return languages;
}

QString LanguageForLocale(const QStringList &uiLanguages) {
    // "ja", "ja-JP", "ja_JP.UTF-8"; "C", "C.UTF-8", "POSIX".
    const QString first = uiLanguages.value(0);
    const QString language = first.section(QLatin1Char('.'), 0, 0)
                                 .section(QLatin1Char('@'), 0, 0)
                                 .section(QLatin1Char('_'), 0, 0)
                                 .section(QLatin1Char('-'), 0, 0);
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX"))
        return kJapanese;
    return AvailableLanguages().contains(language) ? language : kEnglish;
}

QString SystemLanguage() {
    return LanguageForLocale(QLocale::system().uiLanguages());
}

bool UseLanguage(const QString &language) {
    std::unique_ptr<QTranslator> &installed = InstalledTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == kJapanese)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!AvailableLanguages().contains(language) || !translator->load(CataloguePath(language)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = std::move(translator);
    return true;
}
