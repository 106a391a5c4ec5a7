#pragma once
// The language the programs speak, named by its ISO 639 code: "ja", the
// language their texts are written in, or one whose translation the build
// compiled into the program from translations/norvatel_CODE.ts ("en").

#include <QString>
#include <QStringList>

inline const QString kJapanese = QStringLiteral("ja");
inline const QString kEnglish = QStringLiteral("en");

// "ja" and the codes of the translations compiled in, sorted.
QStringList AvailableLanguages();

// The language for a user's preferred languages, as QLocale::uiLanguages
// lists them, the first preferred: Japanese for Japanese and for the C and
// POSIX locales (scripts and machines without a language); a language the
// program has a translation for; English for any other.
QString LanguageForLocale(const QStringList &uiLanguages);

// LanguageForLocale of the user's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
QString SystemLanguage();

// Makes the application's texts, from here on, those of language (one of
// AvailableLanguages): installs its translation, or takes it away again for
// Japanese. False when there is no such translation (the texts then stay
// Japanese). Needs the QCoreApplication.
bool UseLanguage(const QString &language);
