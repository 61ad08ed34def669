#pragma once

#include "engine/Commands.h"
#include "engine/LagTables.h"
#include "engine/LowPassTables.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

// Every fact about the presets lives here, their captions aside (words/Words.h): the
// settings dialog, the document, the command-line tool and the benchmarks all read
// this table.
namespace ravelin {

// Filter presets: the position of the button in the settings dialog's filter group.
enum FilterPreset : int {
    kFilterNone = -1,
    kFilterPass = 0,
    kFilterDelay5,
    kFilterEcho5,
    kFilterMa5,
    kFilterLag1,
    kFilterLag2,
    kFilterDelay1023, // file run only from here on
    kFilterEcho1023,
    kFilterLpf4,
    kFilterLpf8,
    kFilterLpf20,
    kFilterUser3,
    kFilterCount
};

// Input presets: the position of the button in the dialog's input group.
enum InputPreset : int {
    kInputNone = -1,
    kInputImpulse = 0,
    kInputImpulse2,
    kInputTest,
    kInputFile, // file run only
    kInputCount
};

struct FilterPresetInfo {
    std::string_view name; // for the command line: --preset NAME
    // h[0], h[1], ... of the file run's filter, which is exactly this long. A
    // demonstration filter animates the same taps, padded with zeros to ten.
    // Empty for the user filter, whose taps come from the dialog (FilterTaps).
    std::span<const double> taps;
    bool demo; // the ten-tap animation can show it
};

struct InputPresetInfo {
    std::string_view name;
    // The demonstration's input from time 0 on; zero after the last value given.
    std::span<const double> samples;
    bool demo; // false: the input is a WAV file, for the file run only
};

namespace presetdata {
inline constexpr std::array<double, 1> kPass{1.0};
inline constexpr std::array<double, 6> kDelay5{0, 0, 0, 0, 0, 1.0};
inline constexpr std::array<double, 6> kEcho5{0.8, 0, 0, 0, 0, 0.2};
inline constexpr std::array<double, 5> kMovingAverage5{0.2, 0.2, 0.2, 0.2, 0.2};

// A pure delay of 1023 samples, and the same delayed echo over a direct 0.9.
constexpr std::array<double, 1024> LongDelay(double direct, double delayed)
{
    std::array<double, 1024> h{};
    h[0] = direct;
    h[1023] = delayed;
    return h;
}
inline constexpr std::array<double, 1024> kDelay1023 = LongDelay(0.0, 1.0);
inline constexpr std::array<double, 1024> kEcho1023 = LongDelay(0.9, 0.2);

inline constexpr std::array<double, 1> kImpulse{1.0};
inline constexpr std::array<double, 4> kImpulse2{1.0, 0, 0, 1.0};
inline constexpr std::array<double, 7> kTestSignal{1.0, -0.5, 0, 1.0, -0.5, 0, 0.25};
} // namespace presetdata

inline constexpr std::array<FilterPresetInfo, kFilterCount> kFilterPresets = {{
    {"pass", presetdata::kPass, true},
    {"delay5", presetdata::kDelay5, true},
    {"echo5", presetdata::kEcho5, true},
    {"ma5", presetdata::kMovingAverage5, true},
    {"lag1", kFirstOrderLag, true},
    {"lag2", kSecondOrderLag, true},
    {"delay1023", presetdata::kDelay1023, false},
    {"echo1023", presetdata::kEcho1023, false},
    {"lpf4", kLowPass4, false},
    {"lpf8", kLowPass8, false},
    {"lpf20", kLowPass20, false},
    {"user3", {}, false},
}};

inline constexpr std::array<InputPresetInfo, kInputCount> kInputPresets = {{
    {"impulse", presetdata::kImpulse, true},
    {"impulse2", presetdata::kImpulse2, true},
    {"test", presetdata::kTestSignal, true},
    {"file", {}, false},
}};

constexpr bool IsDemoFilter(int preset)
{
    return preset >= 0 && preset < kFilterCount && kFilterPresets[preset].demo;
}

constexpr bool IsDemoInput(int preset)
{
    return preset >= 0 && preset < kInputCount && kInputPresets[preset].demo;
}

// The settings dialog groups the demonstration presets first and the file-only ones
// after them, each in a frame of its own.
constexpr int CountDemo(const auto& table)
{
    int n = 0;
    while (n < static_cast<int>(table.size()) && table[n].demo)
        ++n;
    return n;
}
inline constexpr int kDemoFilterCount = CountDemo(kFilterPresets);
inline constexpr int kDemoInputCount = CountDemo(kInputPresets);

namespace presetdata {
constexpr bool Consistent()
{
    for (int i = 0; i < kFilterCount; ++i) {
        const FilterPresetInfo& p = kFilterPresets[i];
        if (p.demo != (i < kDemoFilterCount) ||
            (p.demo && p.taps.size() > std::size_t{kDemoTaps}) ||
            (p.taps.empty() != (i == kFilterUser3)))
            return false;
    }
    for (int i = 0; i < kInputCount; ++i) {
        const InputPresetInfo& p = kInputPresets[i];
        if (p.demo != (i < kDemoInputCount) || p.demo != !p.samples.empty() ||
            p.samples.size() > std::size_t{kDemoSteps - 1}) // times 0 .. 18
            return false;
    }
    return kDemoInputCount == kInputFile;
}
// The animation has ten taps and twenty steps: what it shows must fit.
static_assert(Consistent(), "demonstration presets first, fitting the animation");
} // namespace presetdata

// The user three-tap filter: tap[k] samples of delay weighted by coef[k], each within
// the ranges the settings dialog and the command line accept.
struct UserTaps {
    std::array<int, 3> tap{0, 1, 2};
    std::array<double, 3> coef{0.5 / 1, 0.5 / 2, 0.5 / 3};
};
inline constexpr int kUserTapMin = 0;
inline constexpr int kUserTapMax = 8192;
inline constexpr double kUserCoefMin = -2.0;
inline constexpr double kUserCoefMax = 2.0;

// The taps of the file run's filter for preset: the table's, or for the user filter
// as long as its highest tap with a non-zero coefficient (a single zero tap when
// there is none), a later entry naming the same tap winning. Empty for an unknown
// preset.
std::vector<double> FilterTaps(int preset, const UserTaps& user = {});

// The preset a command-line word names: its number or its name; -1 when none.
int FindFilterPreset(std::string_view word);
int FindInputPreset(std::string_view word);

} // namespace ravelin
