#pragma once

#include <cstddef>

namespace ravelin {

// The taps and the delay line of a CStreamFilter, lent to its block operations.
// Process writes slot pos and then moves pos back by one, so delay[pos] holds the
// input of N samples ago and delay[pos - 1] (circularly) the one after it.
struct FilterState {
    const double* coef = nullptr; // h[0, length)
    double* delay = nullptr;
    std::size_t length = 0; // N >= 1
    int* pos = nullptr;
};

// Whether a sum is clamped when it is truncated into [lo, hi], given below = lo - 1 and
// above = hi + 1: at or beyond either, or NaN.
inline bool IsClamped(double y, double below, double above)
{
    return !(y > below) || y >= above;
}

// Copies the N stream values before the next input, oldest first, into dst. The oldest
// is only kept as state: no output reads it.
inline void ReadHistory(const FilterState& s, double* dst)
{
    const std::size_t N = s.length;
    for (std::size_t i = 0, q = static_cast<std::size_t>(*s.pos); i < N; ++i) {
        dst[i] = s.delay[q];
        q = q == 0 ? N - 1 : q - 1;
    }
}

// Leaves the delay line as `consumed` calls of Process would have, given the N stream
// values before the next input, oldest first.
inline void WriteHistory(const FilterState& s, const double* src, std::size_t consumed)
{
    const std::size_t N = s.length;
    const auto p = static_cast<std::size_t>(*s.pos);
    *s.pos = static_cast<int>((p + N - consumed % N) % N);
    for (std::size_t i = 0, q = static_cast<std::size_t>(*s.pos); i < N; ++i) {
        s.delay[q] = src[i];
        q = q == 0 ? N - 1 : q - 1;
    }
}

} // namespace ravelin
