// The words in both languages: every Japanese text of the words library and the
// command-line tool stands in the catalogue with its English, and the language is
// chosen as the programs promise.
#include "support/Japanese.h"
#include "words/Language.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace ravelin {
namespace {

using test::HasJapanese;

// A C++ source as string literals (adjacent ones joined) and the punctuation between
// them; comments and character literals left out.
struct Token {
    bool literal;
    std::string text;
    int line;
};

std::vector<Token> Tokens(const std::string& src)
{
    std::vector<Token> tokens;
    int line = 1;
    for (std::size_t i = 0; i < src.size(); ++i) {
        const char c = src[i];
        if (c == '\n') {
            ++line;
        } else if (src.compare(i, 2, "//") == 0) {
            i = src.find('\n', i) - 1;
        } else if (src.compare(i, 2, "/*") == 0) {
            const std::size_t end = src.find("*/", i);
            for (; i < end; ++i)
                line += src[i] == '\n';
            ++i;
        } else if (c == '\'') {
            for (++i; src[i] != '\''; ++i)
                i += src[i] == '\\';
        } else if (c == '"') {
            std::string text;
            for (++i; src[i] != '"'; ++i) {
                if (src[i] == '\\')
                    text += src[i++];
                text += src[i];
            }
            if (!tokens.empty() && tokens.back().literal)
                tokens.back().text += text;
            else
                tokens.push_back({true, text, line});
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            tokens.push_back({false, std::string(1, c), line});
        }
    }
    return tokens;
}

TEST(WordsCatalogue, EveryJapaneseTextHasItsEnglish)
{
    namespace fs = std::filesystem;
    int japanese = 0;
    for (const char* folder : {"src/words", "src/cli"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(RAVELIN_SOURCE_DIR) / folder)) {
            std::ifstream in(entry.path());
            std::stringstream content;
            content << in.rdbuf();
            const std::vector<Token> t = Tokens(content.str());
            for (std::size_t i = 0; i < t.size(); ++i) {
                if (!t[i].literal || !HasJapanese(t[i].text))
                    continue;
                ++japanese;
                // {"Japanese", "English"}: a Word of the catalogue.
                const bool paired = i > 0 && t[i - 1].text == "{" && i + 3 < t.size() &&
                                    t[i + 1].text == "," && t[i + 2].literal &&
                                    t[i + 3].text == "}";
                ASSERT_TRUE(paired) << entry.path().string() << ":" << t[i].line << ": \""
                                    << t[i].text << "\" is not a {Japanese, English} word";
                const std::string& english = t[i + 2].text;
                EXPECT_FALSE(english.empty() || HasJapanese(english))
                    << entry.path().string() << ":" << t[i].line << ": \"" << t[i].text
                    << "\" has no English of its own: \"" << english << "\"";
                EXPECT_EQ(t[i].text.find("%1") != std::string::npos,
                          english.find("%1") != std::string::npos)
                    << entry.path().string() << ":" << t[i].line << ": the same arguments";
            }
        }
    }
    EXPECT_GT(japanese, 30) << "the scanner found the catalogue";
}

TEST(WordsCatalogue, FillPutsArgumentsWhereEachLanguageWantsThem)
{
    const Word line{"%1 の %2 行目: ", "Line %2 of %1: "};
    SetLanguage(Language::English);
    EXPECT_EQ(Fill(line, {"a%2.txt", "7"}), "Line 7 of a%2.txt: ");
    SetLanguage(Language::Japanese);
    EXPECT_EQ(Fill(line, {"a%2.txt", "7"}), "a%2.txt の 7 行目: ");
    EXPECT_EQ(Fill({"100%", "100%"}, {}), "100%");
}

TEST(Language, OptionThenEnvironmentThenRememberedThenJapanese)
{
    ::unsetenv("RAVELIN_LANG");
    EXPECT_EQ(ChooseLanguage(std::nullopt), Language::Japanese);
    EXPECT_EQ(ChooseLanguage(std::nullopt, Language::English), Language::English);
    ::setenv("RAVELIN_LANG", "ja", 1);
    EXPECT_EQ(ChooseLanguage(std::nullopt, Language::English), Language::Japanese);
    EXPECT_EQ(ChooseLanguage(Language::English, Language::Japanese), Language::English);
    ::setenv("RAVELIN_LANG", "en_US.UTF-8", 1); // not a language of ours: ignored
    EXPECT_EQ(ChooseLanguage(std::nullopt), Language::Japanese);
    ::setenv("LANG", "en_US.UTF-8", 1); // nor is the locale
    ::unsetenv("RAVELIN_LANG");
    EXPECT_EQ(ChooseLanguage(std::nullopt), Language::Japanese);
}

} // namespace
} // namespace ravelin
