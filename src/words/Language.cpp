#include "words/Language.h"

#include <atomic>
#include <cstdlib>

namespace ravelin {

namespace {

std::atomic<Language> g_language{Language::Japanese};

} // namespace

void SetLanguage(Language language)
{
    g_language.store(language, std::memory_order_relaxed);
}

Language CurrentLanguage()
{
    return g_language.load(std::memory_order_relaxed);
}

std::optional<Language> LanguageFromName(std::string_view name)
{
    if (name == "ja")
        return Language::Japanese;
    if (name == "en")
        return Language::English;
    return std::nullopt;
}

const char* LanguageName(Language language)
{
    return language == Language::English ? "en" : "ja";
}

Language ChooseLanguage(std::optional<Language> option, std::optional<Language> remembered)
{
    if (option)
        return *option;
    if (const char* env = std::getenv("RAVELIN_LANG")) {
        if (const auto fromEnv = LanguageFromName(env))
            return *fromEnv;
    }
    return remembered.value_or(Language::Japanese);
}

std::string Fill(const Word& word, std::initializer_list<std::string_view> args)
{
    const std::string_view text = word.Text();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out += args.begin()[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace ravelin
