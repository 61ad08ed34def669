#include "files/RunSummaries.h"

namespace ravelin {

void RunSummaries::OnRunStart(const WavHeader& header, std::uint64_t totalSamples)
{
    m_sampleRate = header.SampleRate();
    m_bits = header.BitsPerSample();
    m_total = totalSamples;
    for (WaveSummary* summary : {&m_input, &m_output}) {
        summary->Clear();
        summary->Reserve(totalSamples);
    }
}

void RunSummaries::OnRunBlock(std::uint64_t first, const std::int32_t* in, const std::int32_t* out,
                              std::size_t n, const std::uint32_t* clamped, std::size_t clampedCount)
{
    m_input.Append(in, n);
    m_output.Append(out, n);
    for (std::size_t i = 0; i < clampedCount; ++i)
        m_output.Mark(first + clamped[i]);
}

} // namespace ravelin
