#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ravelin {

class DirectBlock;
class FftBlock;
class WorkerPool;
struct FilterState;

// What the FFT path of CStreamFilter::ProcessSamples did since the filter's SetLength.
struct FftStatistics {
    std::uint64_t samples = 0;   // outputs filtered through the FFT path
    std::uint64_t rechecked = 0; // of them, recomputed with the sequential sum
    double margin = 0.0;         // the margin of the latest block (0 before the first)
};

// Direct-form FIR filter over a circular delay line, one sample at a time.
// The coefficients are kept apart from the delay line: SetLength clears both,
// SetCoef changes only a coefficient, Process changes only the delay line.
class CStreamFilter {
  public:
    CStreamFilter();
    ~CStreamFilter();

    CStreamFilter(const CStreamFilter&) = delete;
    CStreamFilter& operator=(const CStreamFilter&) = delete;

    // Releases any buffers and allocates n taps, all coefficients and the delay line
    // set to 0.0. Returns 1 on success; 0 when n < 0 or the allocation fails, in which
    // case the filter is left empty (length 0).
    int SetLength(int n);

    // Stores h[i] = value when 0 <= i < length and returns 1; otherwise returns 0
    // and changes nothing.
    int SetCoef(int i, double value);

    // One sample in, one out: y = sum over k of h[k] * x[n - k], added in increasing k
    // from 0.0. On an empty filter returns 0.0 and touches no memory.
    double Process(double x);

    // Same as calling Process on in[0..n) in order, storing the results in out:
    // bit for bit the same sums, and the same state afterwards, so a signal can be
    // split into blocks anywhere. in and out may be the same array (otherwise they
    // must not overlap). Several outputs are computed side by side in vector lanes
    // and long blocks are shared among threads; neither changes a single bit.
    // Outputs that come out NaN are NaN here too, though not always with the same
    // payload bits. Allocates working memory on first use and when the filter grows;
    // if that fails it falls back to Process, sample by sample.
    void ProcessBlock(const double* in, double* out, std::size_t n);

    // Filters integer samples, each within [lo, hi], and stores each output sum
    // truncated toward zero and clamped to [lo, hi]: the same values as ProcessBlock
    // followed by that conversion (so as Process), with the same state afterwards.
    // Returns how many outputs were clamped; *firstClamped (when given and any were)
    // receives the index of the first of them; clampedFlags (when given, n bytes) gets
    // 1 at each clamped output and 0 elsewhere. in and out may be the same array.
    // Dense filters go through an FFT whose outputs near a jump of the conversion are
    // recomputed exactly (FftBlock.cpp); a one-tap filter by its one product; the others
    // through ProcessBlock.
    std::size_t ProcessSamples(const std::int32_t* in, std::int32_t* out, std::size_t n,
                               std::int32_t lo, std::int32_t hi,
                               std::size_t* firstClamped = nullptr,
                               std::uint8_t* clampedFlags = nullptr);

    // Tells the filter that ProcessSamples will follow, in blocks of at most n samples in
    // [lo, hi], so that what the automatic path needs for them (the FFT's plans, about a
    // millisecond of work) is made on another thread meanwhile. Optional: the first block
    // asks for it anyway, later. Returns the block length that suits the filter best, at
    // most n: on the FFT path whole segments, as many for each thread, so that no
    // transform is spent on a part of one; n itself where that would be far shorter.
    std::size_t Anticipate(std::size_t n, std::int32_t lo, std::int32_t hi);

    // How ProcessSamples filters: by the taps and the block length (the default), or
    // always one way, for comparisons, tests and benchmarks; the results are the same.
    // Fft still stands aside for Direct where its margin would not hold, and for a
    // one-tap filter.
    enum class SamplePath { Automatic, Direct, Fft };
    void ChooseSamplePath(SamplePath path) { m_samplePath = path; }
    // What the FFT path did since SetLength.
    FftStatistics FftStats() const;
    // Whether the FFT path's plans are being made on another thread, while the automatic
    // path filters directly (the first millisecond or so of a dense filter's first run).
    bool FftPlanning() const;
    // For tests only: multiplies the FFT path's margin (1 by default; 0 rechecks nothing,
    // which makes the results wrong near the jumps).
    void ScaleFftMargin(double factor);

    int Length() const { return m_length; }
    double Coef(int i) const { return (i >= 0 && i < m_length) ? m_coef[i] : 0.0; }

    // Instruction sets the block operation can use, narrowest first.
    enum class Simd { Baseline, Avx2, Avx512 };
    // The widest one this processor and system support (Baseline off x86-64).
    static Simd BestSimd();
    // Caps the instruction set of this filter's block operation and of the FFT path's
    // steps around its transforms (no cap by default); for comparisons, tests and
    // benchmarks, as every choice gives the same results.
    void LimitSimd(Simd level) { m_simdLimit = level; }
    // What ProcessBlock uses: the cap, narrowed to what the processor supports.
    Simd ActiveSimd() const;

    // Threads of ProcessBlock and ProcessSamples. 0 (the default): one for short blocks
    // and for long ones as many as the processor has, at most kMaxThreads. n >= 1: every
    // block is split among min(n, kMaxThreads) threads, fewer when it has fewer pieces
    // (samples of ProcessBlock, FFT segments of ProcessSamples). The results are the
    // same in every case.
    static constexpr int kMaxThreads = 8;
    void SetThreads(int n) { m_threads = n < 0 ? 0 : n; }

  private:
    void Release();
    bool EnsureWork();
    FilterState State();
    std::size_t ProcessSamplesDirect(const std::int32_t* in, std::int32_t* out, std::size_t n,
                                     std::int32_t lo, std::int32_t hi, std::size_t* firstClamped,
                                     std::uint8_t* clampedFlags);

    std::unique_ptr<double[]> m_coef;
    std::unique_ptr<double[]> m_delay;
    int m_length = 0;
    int m_pos = 0; // slot of the next input sample; moves backwards

    // Working memory of the block operations and their threads; created on first use,
    // kept for the next block.
    std::unique_ptr<DirectBlock> m_block;
    std::unique_ptr<FftBlock> m_fft;
    std::unique_ptr<WorkerPool> m_pool;
    bool m_tapsChanged = true; // the block operations must see the new coefficients
    int m_threads = 0;
    Simd m_simdLimit = Simd::Avx512;
    SamplePath m_samplePath = SamplePath::Automatic;
    double m_marginScale = 1.0;
};

} // namespace ravelin
