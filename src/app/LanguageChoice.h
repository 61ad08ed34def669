#pragma once

#include "words/Language.h"

#include <QStringList>
#include <memory>
#include <optional>

class QTranslator;

namespace ravelin {

// The language the user chose in the program's menu, kept for the next start; nullopt
// when none was chosen yet.
std::optional<Language> RememberedLanguage();
void RememberLanguage(Language language);

// The value of --lang in arguments: nullopt when the option is not given; false in ok
// (and nullopt) when its value is neither "ja" nor "en".
std::optional<Language> LanguageOption(const QStringList& arguments, bool* ok);

// Makes language the program's: the words library's texts, and the translator of Qt's own
// dialogs and (for English) of the program's words, installed into the application.
// Returns the translator, owned by the caller; null when none could be loaded.
std::unique_ptr<QTranslator> InstallLanguage(Language language);

} // namespace ravelin
