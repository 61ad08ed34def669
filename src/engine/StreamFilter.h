#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ravelin {

// Direct-form FIR filter over a circular delay line, one sample at a time.
// The coefficients are kept apart from the delay line: SetLength clears both,
// SetCoef changes only a coefficient, Process changes only the delay line.
class CStreamFilter {
  public:
    CStreamFilter();
    virtual ~CStreamFilter();

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
    // followed by that conversion, with the same state afterwards. Returns how many
    // outputs were clamped; *firstClamped (when given and any were) receives the index
    // of the first of them. in and out may be the same array.
    std::size_t ProcessSamples(const std::int32_t* in, std::int32_t* out, std::size_t n,
                               std::int32_t lo, std::int32_t hi,
                               std::size_t* firstClamped = nullptr);

    int Length() const { return m_length; }
    double Coef(int i) const { return (i >= 0 && i < m_length) ? m_coef[i] : 0.0; }

    // Instruction sets the block operation can use, narrowest first.
    enum class Simd { Baseline, Avx2, Avx512 };
    // The widest one this processor and system support (Baseline off x86-64).
    static Simd BestSimd();
    // Caps the instruction set of this filter's block operation (no cap by default);
    // for comparisons and benchmarks, as every choice gives the same results.
    void LimitSimd(Simd level) { m_simdLimit = level; }
    // What ProcessBlock uses: the cap, narrowed to what the processor supports.
    Simd ActiveSimd() const;

    // Threads of the block operation. 0 (the default): one for short blocks and for
    // long ones as many as the processor has, at most kMaxThreads. n >= 1: every
    // block is split among min(n, block length, kMaxThreads) threads. The results
    // are the same in every case.
    static constexpr int kMaxThreads = 8;
    void SetThreads(int n) { m_threads = n < 0 ? 0 : n; }
    int Threads() const { return m_threads; }

  private:
    struct BlockWork;

    void Release();
    bool PrepareTaps();

    std::unique_ptr<double[]> m_coef;
    std::unique_ptr<double[]> m_delay;
    int m_length = 0;
    int m_pos = 0; // slot of the next input sample; moves backwards

    // Working memory of ProcessBlock; created on first use, kept for the next block.
    std::unique_ptr<BlockWork> m_block;
    bool m_tapsChanged = true; // the block operation's tap lists must be rebuilt
    int m_threads = 0;
    Simd m_simdLimit = Simd::Avx512;
};

} // namespace ravelin
