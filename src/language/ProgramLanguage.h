#pragma once
// The language the programs speak: Japanese, the language their texts are
// written in, or a translation compiled into the program (English).

#include <QString>
#include <QStringList>
#include <optional>

enum class ProgramLanguage { Japanese, English };

// The language a --language option names ("ja" or "en"); nothing for any other.
std::optional<ProgramLanguage> LanguageNamed(const QString &name);

// The language for a user's preferred languages, as QLocale::uiLanguages
// lists them, the first preferred: Japanese for Japanese and for the C and
// POSIX locales (scripts and machines without a language), English for any other.
ProgramLanguage LanguageForLocale(const QStringList &uiLanguages);

// LanguageForLocale of the user's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
ProgramLanguage SystemLanguage();

// Makes the application's texts, from here on, those of language: installs
// its translation, or takes it away again for Japanese. False when the
// translation cannot be loaded (the texts then stay Japanese). Needs the
// QCoreApplication.
bool UseLanguage(ProgramLanguage language);
