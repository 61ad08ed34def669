#include "engine/WaveSummary.h"

#include <algorithm>

namespace ravelin {

void WaveSummary::Build(std::span<const std::int16_t> samples, const std::vector<bool>* marks)
{
    m_samples = samples;
    m_marks = marks && marks->size() == samples.size() ? marks : nullptr;
    m_levels.clear();
    std::vector<Node> level;
    level.reserve(samples.size() / kFanOut + 1);
    for (std::size_t start = 0; start < samples.size(); start += kFanOut) {
        const std::size_t end = std::min(samples.size(), start + kFanOut);
        Node node{samples[start], samples[start], false};
        for (std::size_t i = start; i < end; ++i) {
            node.lo = std::min(node.lo, samples[i]);
            node.hi = std::max(node.hi, samples[i]);
            if (m_marks && (*m_marks)[i])
                node.marked = true;
        }
        level.push_back(node);
    }
    while (level.size() > 1) {
        std::vector<Node> upper;
        upper.reserve(level.size() / kFanOut + 1);
        for (std::size_t start = 0; start < level.size(); start += kFanOut) {
            const std::size_t end = std::min(level.size(), start + kFanOut);
            Node node = level[start];
            for (std::size_t i = start + 1; i < end; ++i) {
                node.lo = std::min(node.lo, level[i].lo);
                node.hi = std::max(node.hi, level[i].hi);
                node.marked = node.marked || level[i].marked;
            }
            upper.push_back(node);
        }
        m_levels.push_back(std::move(level));
        level = std::move(upper);
    }
    if (!level.empty())
        m_levels.push_back(std::move(level));
}

void WaveSummary::Take(Range& r, std::int16_t lo, std::int16_t hi, bool marked) const
{
    if (r.empty) {
        r = {lo, hi, marked, false};
        return;
    }
    r.lo = std::min(r.lo, lo);
    r.hi = std::max(r.hi, hi);
    r.marked = r.marked || marked;
}

WaveSummary::Range WaveSummary::Query(std::size_t begin, std::size_t end) const
{
    Range r;
    end = std::min(end, m_samples.size());
    if (begin >= end)
        return r;
    // Single samples up to the first whole block, then whole blocks level by level:
    // at each level the ends move inwards to the next coarser boundary.
    const auto sample = [&](std::size_t i) {
        Take(r, m_samples[i], m_samples[i], m_marks && (*m_marks)[i]);
    };
    std::size_t size = 1;
    std::size_t level = 0; // level 0 of m_levels holds blocks of kFanOut samples
    for (;;) {
        const std::size_t next = size * kFanOut;
        const bool top = level == m_levels.size();
        while (begin < end && (top || begin % next != 0)) {
            if (size == 1)
                sample(begin);
            else {
                const Node& n = m_levels[level - 1][begin / size];
                Take(r, n.lo, n.hi, n.marked);
            }
            begin += size;
        }
        while (end > begin && end % next != 0 && end != m_samples.size()) {
            end -= size;
            if (size == 1)
                sample(end);
            else {
                const Node& n = m_levels[level - 1][end / size];
                Take(r, n.lo, n.hi, n.marked);
            }
        }
        if (begin >= end)
            return r;
        size = next;
        ++level;
    }
}

std::vector<bool> FullScaleMarks(std::span<const std::int16_t> in,
                                 std::span<const std::int16_t> out, std::int16_t lo,
                                 std::int16_t hi)
{
    const std::size_t n = std::min(in.size(), out.size());
    std::vector<bool> marks(out.size(), false);
    for (std::size_t i = 0; i < n; ++i)
        if ((out[i] == lo || out[i] == hi) && in[i] != out[i])
            marks[i] = true;
    return marks;
}

} // namespace ravelin
