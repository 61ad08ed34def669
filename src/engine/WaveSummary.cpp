#include "engine/WaveSummary.h"

#include <algorithm>

namespace ravelin {

void WaveSummary::Clear()
{
    m_levels.clear();
    m_marks.clear();
    m_size = 0;
    m_markedCount = 0;
}

void WaveSummary::Reserve(std::uint64_t samples)
{
    if (m_levels.empty())
        m_levels.emplace_back();
    m_levels[0].reserve(static_cast<std::size_t>((samples + kLeaf - 1) / kLeaf));
}

void WaveSummary::Merge(Node& into, const Node& from)
{
    into.lo = std::min(into.lo, from.lo);
    into.hi = std::max(into.hi, from.hi);
    into.marked = into.marked || from.marked;
}

void WaveSummary::Append(const std::int32_t* samples, std::size_t n)
{
    if (m_levels.empty())
        m_levels.emplace_back();
    while (n > 0) {
        const auto offset = static_cast<std::size_t>(m_size % kLeaf);
        const std::size_t take = std::min(n, kLeaf - offset);
        std::int32_t lo = samples[0], hi = samples[0];
        for (std::size_t i = 1; i < take; ++i) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
        }
        const Node node{static_cast<std::int16_t>(std::clamp(lo, -32768, 32767)),
                        static_cast<std::int16_t>(std::clamp(hi, -32768, 32767)), false};
        std::vector<Node>& leaves = m_levels[0];
        if (offset == 0)
            leaves.push_back(node);
        else
            Merge(leaves.back(), node);
        Propagate(leaves.size() - 1);
        m_size += take;
        samples += take;
        n -= take;
    }
}

// Carries entry `index` of the finest level up through the coarser ones, adding a
// level whenever the one below has outgrown a single entry.
void WaveSummary::Propagate(std::size_t index)
{
    for (std::size_t level = 1;; ++level) {
        const std::vector<Node>& below = m_levels[level - 1];
        if (below.size() <= 1 && level == m_levels.size())
            return;
        if (level == m_levels.size()) {
            std::vector<Node> upper;
            for (std::size_t i = 0; i < below.size(); ++i) {
                if (i % kFanOut == 0)
                    upper.push_back(below[i]);
                else
                    Merge(upper.back(), below[i]);
            }
            m_levels.push_back(std::move(upper));
        } else {
            const Node child = below[index];
            std::vector<Node>& upper = m_levels[level];
            if (index / kFanOut == upper.size())
                upper.push_back(child);
            else
                Merge(upper[index / kFanOut], child);
        }
        index /= kFanOut;
    }
}

void WaveSummary::Mark(std::uint64_t i)
{
    if (i >= m_size || (!m_marks.empty() && i < m_marks.back().second))
        return;
    if (!m_marks.empty() && m_marks.back().second == i)
        ++m_marks.back().second;
    else
        m_marks.emplace_back(i, i + 1);
    ++m_markedCount;
    std::uint64_t index = i / kLeaf;
    for (std::vector<Node>& level : m_levels) {
        level[static_cast<std::size_t>(index)].marked = true;
        index /= kFanOut;
    }
}

bool WaveSummary::Marked(std::uint64_t i) const
{
    return NextMarked(i) == i;
}

std::uint64_t WaveSummary::NextMarked(std::uint64_t i) const
{
    // The first run that ends after i holds i or lies wholly after it.
    const auto run =
        std::upper_bound(m_marks.begin(), m_marks.end(), i,
                         [](std::uint64_t value, const auto& r) { return value < r.second; });
    if (run == m_marks.end())
        return m_size;
    return std::max(i, run->first);
}

WaveSummary::Range WaveSummary::Query(std::uint64_t begin, std::uint64_t end) const
{
    Range r;
    end = std::min(end, m_size);
    if (begin >= end)
        return r;
    auto b = static_cast<std::size_t>(begin / kLeaf);
    auto e = static_cast<std::size_t>((end + kLeaf - 1) / kLeaf);
    const auto take = [&r](const Node& n) {
        if (r.empty) {
            r = {n.lo, n.hi, n.marked, false};
            return;
        }
        r.lo = std::min<std::int32_t>(r.lo, n.lo);
        r.hi = std::max<std::int32_t>(r.hi, n.hi);
        r.marked = r.marked || n.marked;
    };
    // At each level the ends move inwards to the next coarser boundary.
    for (std::size_t level = 0; b < e; ++level) {
        const std::vector<Node>& nodes = m_levels[level];
        if (level + 1 == m_levels.size()) {
            for (; b < e; ++b)
                take(nodes[b]);
            break;
        }
        for (; b < e && b % kFanOut != 0; ++b)
            take(nodes[b]);
        for (; e > b && e % kFanOut != 0; --e)
            take(nodes[e - 1]);
        b /= kFanOut;
        e /= kFanOut;
    }
    return r;
}

bool WaveSummary::operator==(const WaveSummary& other) const
{
    // An empty summary equals any other empty one, reserved or not.
    return m_size == other.m_size && (m_size == 0 || m_levels == other.m_levels) &&
           m_marks == other.m_marks;
}

} // namespace ravelin
