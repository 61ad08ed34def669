#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace ravelin {

// The language of every word both programs show. Japanese is the source and the default.
enum class Language { Japanese, English };

// The process-wide choice, made once at start-up (before any window or output).
void SetLanguage(Language language);
Language CurrentLanguage();

// "ja" or "en", as --lang and RAVELIN_LANG spell them; nullopt for anything else.
std::optional<Language> LanguageFromName(std::string_view name);
const char* LanguageName(Language language);

// The language to use: the command line's option, else RAVELIN_LANG, else the choice the
// user made and the program remembered, else Japanese. The locale alone never decides: a
// Japanese teaching program on an English desktop stays Japanese until asked.
Language ChooseLanguage(std::optional<Language> option, std::optional<Language> remembered = {});

// One word in both languages; Text() is the one of the current language.
struct Word {
    const char* ja;
    const char* en;

    const char* Text() const { return CurrentLanguage() == Language::English ? en : ja; }
};

// The word's text with %1 .. %9 replaced by the arguments, in one pass (an argument's own
// "%2" stays as it is), so that each language puts them where its grammar wants them.
std::string Fill(const Word& word, std::initializer_list<std::string_view> args);

} // namespace ravelin
