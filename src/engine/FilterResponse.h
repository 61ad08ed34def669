#pragma once

#include "engine/RavelinDoc.h"

#include <cstddef>
#include <span>
#include <vector>

namespace ravelin {

// The impulse response of the file-mode filter that these settings choose: exactly
// the coefficients a file run would filter with (empty for no preset).
std::vector<double> FilePresetTaps(const SettingsValues& settings);

// H(f) = sum over n of h[n] e^(-j 2 pi f n), at `points` evenly spaced frequencies
// from 0 to 0.5 cycles per sample, both ends included.
struct FrequencyResponse {
    std::vector<double> frequency;   // cycles per sample
    std::vector<double> magnitudeDb; // 20 log10 |H|, never below kFloorDb
    std::vector<double> phase;       // radians, -pi .. pi
    // -d(phase)/d(omega) in samples; NaN where |H| is at the floor (no phase there).
    std::vector<double> groupDelay;
};

// |H| below 1e-15 (rounding noise of a double sum) is reported as this.
inline constexpr double kFloorDb = -300.0;

// points >= 2. Zero taps are skipped, so a long sparse filter (a delay, the user's
// three taps) costs only its nonzero taps per point; long dense filters go through an
// FFT instead, which agrees to rounding.
FrequencyResponse ComputeFrequencyResponse(std::span<const double> taps, int points);

// s[n] = h[0] + ... + h[n]: the output for a unit step at time 0, summed in order.
std::vector<double> StepResponse(std::span<const double> taps);

// Enough points to resolve the ripples of a filter this long, within a bound.
int ResponsePointsFor(std::size_t taps);

} // namespace ravelin
