#pragma once

#include <array>

namespace ravelin {

// Unwindowed ideal low-pass responses with cut-off r times the Nyquist frequency:
// N = 2c + 1 taps, h[c] = r and h[c + k] = sin(pi r k) / (pi k) rounded to seven
// decimals. Stored as constants so that every build uses the same bits whatever
// its sin() does near a rounding boundary; tests/tools/LowPassTablesGen.cpp writes
// them and a test checks that it still gives the same file.
extern const std::array<double, 511> kLowPass4;  // r = 1/4,  c = 255
extern const std::array<double, 495> kLowPass8;  // r = 1/8,  c = 247
extern const std::array<double, 479> kLowPass20; // r = 1/20, c = 239

} // namespace ravelin
