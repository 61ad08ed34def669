#include "engine/Presets.h"

#include <charconv>

namespace ravelin {

std::vector<double> FilterTaps(int preset, const UserTaps& user)
{
    if (preset < 0 || preset >= kFilterCount)
        return {};
    if (preset != kFilterUser3) {
        const std::span<const double> taps = kFilterPresets[preset].taps;
        return {taps.begin(), taps.end()};
    }
    // A tap whose coefficient is exactly zero counts neither for the length nor for
    // the coefficients.
    int last = 0;
    for (int k = 0; k < 3; ++k)
        if (user.tap[k] > last && user.coef[k] != 0.0)
            last = user.tap[k];
    std::vector<double> h(static_cast<std::size_t>(last) + 1, 0.0);
    for (int k = 0; k < 3; ++k)
        if (user.coef[k] != 0.0 && user.tap[k] >= 0 && user.tap[k] <= last)
            h[static_cast<std::size_t>(user.tap[k])] = user.coef[k];
    return h;
}

namespace {

int Find(std::string_view word, const auto& table)
{
    int number = -1;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, number);
    if (!word.empty() && ec == std::errc() && ptr == end)
        return number >= 0 && number < static_cast<int>(table.size()) ? number : -1;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].name == word)
            return static_cast<int>(i);
    return -1;
}

} // namespace

int FindFilterPreset(std::string_view word)
{
    return Find(word, kFilterPresets);
}

int FindInputPreset(std::string_view word)
{
    return Find(word, kInputPresets);
}

} // namespace ravelin
