// The preset table, written out once: everything else reads it.
#include "engine/Presets.h"
#include "words/Words.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace ravelin {
namespace {

using Signal = std::vector<double>;

// The table's values and the captions as a string of "name|caption|demo" per entry.
template <typename Table, typename Captions>
std::vector<std::string> Rows(const Table& table, const Captions& captions)
{
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < table.size(); ++i)
        rows.push_back(std::string(table[i].name) + "|" + std::string(captions[i].Text()) +
                       (table[i].demo ? "|demo" : ""));
    return rows;
}

// Length, and the taps that are not zero.
std::pair<std::size_t, std::map<std::size_t, double>> Shape(const Signal& h)
{
    std::map<std::size_t, double> nonzero;
    for (std::size_t k = 0; k < h.size(); ++k)
        if (h[k] != 0.0)
            nonzero[k] = h[k];
    return {h.size(), nonzero};
}

TEST(PresetTable, MatchesTheWrittenValues)
{
    EXPECT_EQ(Rows(kFilterPresets, kFilterCaptions),
              (std::vector<std::string>{
                  "pass|通過δ(t)|demo", "delay5|ディレイδ(t-5)|demo",
                  "echo5|エコー0.8δ(t)+0.2δ(t-5)|demo", "ma5|移動平均５|demo",
                  "lag1|一次遅れ要素|demo", "lag2|二次遅れ要素|demo",
                  "delay1023|ディレイδ(t-1023) *", "echo1023|エコー0.9δ(t)+0.2δ(t-1023) *",
                  "lpf4|低域通過フィルタ1/4", "lpf8|低域通過フィルタ1/8",
                  "lpf20|低域通過フィルタ1/20", "user3|ユーザ設定３タップ係数フィルタ"}));
    EXPECT_EQ(Rows(kInputPresets, kInputCaptions),
              (std::vector<std::string>{"impulse|単位インパルス関数|demo",
                                        "impulse2|２×単位インパルス関数|demo",
                                        "test|単純テスト信号|demo", "file|ファイルデータ *"}));

    // The demonstration filters' and inputs' values meet the plain convolution in
    // DemoTest bit for bit; here the lengths the file run takes, and the long presets.
    const std::size_t demoLengths[] = {1, 6, 6, 5, 10, 10};
    for (int p = 0; p < 6; ++p)
        EXPECT_EQ(FilterTaps(p).size(), demoLengths[p]) << kFilterPresets[p].name;
    using Taps = std::pair<std::size_t, std::map<std::size_t, double>>;
    EXPECT_EQ(Shape(FilterTaps(kFilterDelay1023)), (Taps{1024, {{1023, 1.0}}}));
    EXPECT_EQ(Shape(FilterTaps(kFilterEcho1023)), (Taps{1024, {{0, 0.9}, {1023, 0.2}}}));
    // The low-pass tables have a generator and a test of their own.
    for (const auto& [preset, length, centre] : {std::tuple(kFilterLpf4, 511u, 0.25),
                                                 {kFilterLpf8, 495u, 0.125},
                                                 {kFilterLpf20, 479u, 0.05}}) {
        const Signal h = FilterTaps(preset);
        EXPECT_EQ(std::pair(h.size(), h[h.size() / 2]), std::pair(std::size_t{length}, centre));
    }

    EXPECT_TRUE(kInputPresets[kInputFile].samples.empty());

    const UserTaps user;
    EXPECT_EQ(std::tuple(user.tap, user.coef, kUserTapMin, kUserTapMax, kUserCoefMin, kUserCoefMax),
              std::tuple(std::array{0, 1, 2}, std::array{0.5, 0.25, 0.5 / 3}, 0, 8192, -2.0, 2.0));
}

TEST(PresetTable, LookupsAndUserTaps)
{
    EXPECT_EQ((std::vector{FindFilterPreset("lpf20"), FindFilterPreset("10"), FindFilterPreset("0"),
                           FindFilterPreset("12"), FindFilterPreset("-1"), FindFilterPreset(""),
                           FindFilterPreset("Pass"), FindFilterPreset("1x")}),
              (std::vector{10, 10, 0, -1, -1, -1, -1, -1}));
    EXPECT_EQ((std::vector{FindInputPreset("file"), FindInputPreset("2"), FindInputPreset("4")}),
              (std::vector{3, 2, -1}));
    EXPECT_EQ((std::vector{IsDemoFilter(5), IsDemoFilter(6), IsDemoFilter(-1), IsDemoInput(2),
                           IsDemoInput(3), IsDemoInput(4)}),
              (std::vector{true, false, false, true, false, false}));

    // As long as the highest tap with a coefficient; a later entry for a tap wins.
    EXPECT_EQ(FilterTaps(kFilterUser3, {{3, 0, 3}, {1.0, 0.5, -2.0}}), (Signal{0.5, 0, 0, -2.0}));
    EXPECT_EQ(FilterTaps(kFilterUser3, {{9, 2, 0}, {0.0, -0.0, 0.0}}), (Signal{0.0}));
    EXPECT_EQ(FilterTaps(kFilterUser3), (Signal{0.5, 0.25, 0.5 / 3}));
    EXPECT_TRUE(FilterTaps(kFilterCount).empty());
    EXPECT_TRUE(FilterTaps(kFilterNone).empty());
}

} // namespace
} // namespace ravelin
