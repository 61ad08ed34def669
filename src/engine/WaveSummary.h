#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ravelin {

// Minimum, maximum and "any marked sample" over any range of a long signal, for
// drawing an overview one pixel column at a time: levels of blocks 32 times coarser
// each, so a query touches a few dozen entries however long the range.
class WaveSummary {
  public:
    struct Range {
        std::int16_t lo = 0;
        std::int16_t hi = 0;
        bool marked = false;
        bool empty = true;
    };

    static constexpr std::size_t kFanOut = 32;

    // The samples (and the marks, when not empty: one per sample) must outlive the
    // summary and stay unchanged.
    void Build(std::span<const std::int16_t> samples, const std::vector<bool>* marks = nullptr);

    std::size_t Size() const { return m_samples.size(); }

    // Over samples [begin, end), cut to the signal; empty when nothing is left.
    Range Query(std::size_t begin, std::size_t end) const;

  private:
    struct Node {
        std::int16_t lo;
        std::int16_t hi;
        bool marked;
    };
    void Take(Range& r, std::int16_t lo, std::int16_t hi, bool marked) const;

    std::span<const std::int16_t> m_samples;
    const std::vector<bool>* m_marks = nullptr;
    std::vector<std::vector<Node>> m_levels; // m_levels[0] has one node per kFanOut samples
};

// Marks the output samples that sit at a limit of the sample format (lo or hi) where
// the input sample at the same time was not that value: the filter's sum was clamped
// there, or landed on the limit exactly. Covers the shorter of the two signals.
std::vector<bool> FullScaleMarks(std::span<const std::int16_t> in,
                                 std::span<const std::int16_t> out, std::int16_t lo,
                                 std::int16_t hi);

} // namespace ravelin
