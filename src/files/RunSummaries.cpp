#include "files/RunSummaries.h"

#include <algorithm>

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

void RunSpectra::OnRunStart(const WavHeader& header, std::uint64_t totalSamples)
{
    const double fullScale = header.BitsPerSample() == 8 ? 128.0 : 32768.0;
    m_input = std::make_unique<SpectrumAccumulator>(fullScale);
    m_output = std::make_unique<SpectrumAccumulator>(fullScale);
    m_sampled = totalSamples > kWholeSamples;
}

void RunSpectra::OnRunBlock(std::uint64_t, const std::int32_t* in, const std::int32_t* out,
                            std::size_t n, const std::uint32_t*, std::size_t)
{
    if (!m_input)
        return;
    const std::size_t take = m_sampled ? std::min(n, kPieceSamples) : n;
    m_input->Add(in, take);
    m_output->Add(out, take);
    if (m_sampled) {
        m_input->Gap();
        m_output->Gap();
    }
}

std::vector<double> RunSpectra::InputDb() const
{
    return m_input ? m_input->ResultDb() : std::vector<double>{};
}

std::vector<double> RunSpectra::OutputDb() const
{
    return m_output ? m_output->ResultDb() : std::vector<double>{};
}

} // namespace ravelin
