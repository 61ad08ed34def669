// Whether UTF-8 text holds kana, kanji, Japanese punctuation or full/half-width forms:
// for the tests of the words and of ravelin-cli's languages.
#pragma once

#include <cstddef>
#include <string>

namespace ravelin::test {

inline bool HasJapanese(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += 1 + extra;
        if ((cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0x3400 && cp <= 0x9FFF) ||
            (cp >= 0xFF00 && cp <= 0xFFEF))
            return true;
    }
    return false;
}

} // namespace ravelin::test
