#pragma once

#include <array>
#include <string_view>

namespace ravelin {

// Short names for scripts and the captions the settings dialog shows, by preset number.
struct PresetInfo {
    std::string_view name;
    std::string_view caption;
};

inline constexpr std::array<PresetInfo, 12> kFilterPresets = {{
    {"pass", "通過δ(t)"},
    {"delay5", "ディレイδ(t-5)"},
    {"echo5", "エコー0.8δ(t)+0.2δ(t-5)"},
    {"ma5", "移動平均５"},
    {"lag1", "一次遅れ要素"},
    {"lag2", "二次遅れ要素"},
    {"delay1023", "ディレイδ(t-1023) *"},
    {"echo1023", "エコー0.9δ(t)+0.2δ(t-1023) *"},
    {"lpf4", "低域通過フィルタ1/4"},
    {"lpf8", "低域通過フィルタ1/8"},
    {"lpf20", "低域通過フィルタ1/20"},
    {"user3", "ユーザ設定３タップ係数フィルタ"},
}};

inline constexpr std::array<PresetInfo, 4> kInputPresets = {{
    {"impulse", "単位インパルス関数"},
    {"impulse2", "２×単位インパルス関数"},
    {"test", "単純テスト信号"},
    {"file", "ファイルデータ *"},
}};

} // namespace ravelin
