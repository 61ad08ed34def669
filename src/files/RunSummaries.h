#pragma once

#include "engine/WaveSummary.h"
#include "engine/WelchAverage.h"
#include "files/FileRun.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ravelin {

// What the waveform views show of a file run, made while the run streams: the input's
// and the output's summaries, the output marked exactly where the run clamped. Only a
// run that ended Done leaves them complete.
class RunSummaries final : public IRunObserver {
  public:
    void OnRunStart(const WavHeader& header, std::uint64_t totalSamples) override;
    void OnRunBlock(std::uint64_t first, const std::int32_t* in, const std::int32_t* out,
                    std::size_t n, const std::uint32_t* clamped, std::size_t clampedCount) override;

    int SampleRate() const { return m_sampleRate; }
    int Bits() const { return m_bits; }
    // The samples the run announced; Input().Size() tells how many it got through.
    std::uint64_t Total() const { return m_total; }
    const WaveSummary& Input() const { return m_input; }
    const WaveSummary& Output() const { return m_output; }
    // The outputs the run clamped, the same count as its completion text gives.
    std::uint64_t Clipped() const { return m_output.MarkedCount(); }

  private:
    WaveSummary m_input;
    WaveSummary m_output;
    int m_sampleRate = 0;
    int m_bits = 0;
    std::uint64_t m_total = 0;
};

// The averaged magnitude spectra of a file run's input and output, made while the run
// streams. A long run is sampled: the first kPieceSamples of each block, so that the
// spectra cost a small share of the run whatever its length.
class RunSpectra final : public IRunObserver {
  public:
    // Runs up to this many samples are taken whole.
    static constexpr std::uint64_t kWholeSamples = std::uint64_t{1} << 20;
    static constexpr std::size_t kPieceSamples = 8192;

    void OnRunStart(const WavHeader& header, std::uint64_t totalSamples) override;
    void OnRunBlock(std::uint64_t first, const std::int32_t* in, const std::int32_t* out,
                    std::size_t n, const std::uint32_t* clamped, std::size_t clampedCount) override;

    // In dB per bin (see SpectrumAccumulator::ResultDb); empty before a run.
    std::vector<double> InputDb() const;
    std::vector<double> OutputDb() const;

  private:
    std::unique_ptr<SpectrumAccumulator> m_input;
    std::unique_ptr<SpectrumAccumulator> m_output;
    bool m_sampled = false;
};

} // namespace ravelin
