#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ravelin {

// Minimum, maximum and "any marked sample" over any range of a long signal, for
// drawing an overview one pixel column at a time. Built as the samples stream past,
// without keeping them: the finest entry covers kLeaf samples, each coarser level
// kFanOut entries of the one below, so a query touches a few dozen entries however
// long the range. The marks (the outputs a run clamped) are kept exactly, as runs of
// consecutive samples.
class WaveSummary {
  public:
    struct Range {
        std::int32_t lo = 0;
        std::int32_t hi = 0;
        bool marked = false;
        bool empty = true;
    };

    static constexpr std::size_t kLeaf = 64;
    static constexpr std::size_t kFanOut = 16;

    void Clear();
    // Room for this many samples in all, so that a long run does not grow by copies.
    void Reserve(std::uint64_t samples);
    // Adds the next n samples, each within the 16-bit range (others are clamped to it).
    void Append(const std::int32_t* samples, std::size_t n);
    // Marks sample i, which has been appended; marks come in increasing order (a mark
    // at or before the last one is ignored).
    void Mark(std::uint64_t i);

    std::uint64_t Size() const { return m_size; }
    std::uint64_t MarkedCount() const { return m_markedCount; }
    bool Marked(std::uint64_t i) const;
    // The first marked sample at or after i; Size() when there is none.
    std::uint64_t NextMarked(std::uint64_t i) const;

    // Over the entries of kLeaf samples that [begin, end) touches, cut to the
    // signal; empty when nothing is left. Sample-exact only through Marked.
    Range Query(std::uint64_t begin, std::uint64_t end) const;

    bool operator==(const WaveSummary& other) const;

  private:
    struct Node {
        std::int16_t lo;
        std::int16_t hi;
        bool marked;
        bool operator==(const Node&) const = default;
    };
    void Propagate(std::size_t leaf);
    static void Merge(Node& into, const Node& from);

    std::vector<std::vector<Node>> m_levels; // m_levels[0]: one node per kLeaf samples
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_marks; // [begin, end), in order
    std::uint64_t m_size = 0;
    std::uint64_t m_markedCount = 0;
};

} // namespace ravelin
