#pragma once

#include <array>

namespace ravelin {

// Impulse responses of the lag elements, shared by the animation and the file run.
// Constants to twelve significant digits rather than computed, so that the taps the
// animation prints and the file run uses are the same bits on every build.
inline constexpr std::array<double, 10> kFirstOrderLag = {
    0.893853546824,  0.443874535094,  0.220421570855,   0.109458112725,   0.0543552901601,
    0.0269920382768, 0.0134038495276, 0.00665615468966, 0.00330534859865, 0.00164138753799,
};

inline constexpr std::array<double, 10> kSecondOrderLag = {
    0.773205939585,   0.646019966472,   0.349084795337,   0.132356675362,    0.0245018477994,
    -0.0121672575329, -0.0162079257203, -0.0105414474117, -0.00481064134581, -0.00141984176048,
};

} // namespace ravelin
