#pragma once

#include "engine/AlignedArray.h"
#include "engine/FilterState.h"
#include "engine/FirKernels.h"
#include "engine/StreamFilter.h"
#include "engine/WorkerPool.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

struct fftw_plan_s; // fftw3.h's plan, kept out of this header

namespace ravelin {

// FFTW's planner is not thread-safe: whoever makes or destroys a plan holds this.
std::mutex& FftwPlannerMutex();

// The FFT path of CStreamFilter::ProcessSamples for dense filters: every output by
// overlap-save FFT convolution (FFTW, double precision), then those that lie within a
// proven margin of a place where truncation or clamping jumps recomputed with the
// plain sequential sum, so that every output equals Process's truncated and clamped.
// Holds the plans, the taps' transform and the working memory from block to block.
class FftBlock {
  public:
    FftBlock() = default;
    FftBlock(const FftBlock&) = delete;
    FftBlock& operator=(const FftBlock&) = delete;
    ~FftBlock();

    // The coefficients changed: their transform is redone before the next block.
    void TapsChanged()
    {
        m_tapsChanged = m_sumsStale = true;
        ++m_tapsVersion;
    }

    // Whether this path beats the direct kernels on a block of n samples in [lo, hi] for
    // the taps of s, nonZeroTaps of which are not zero.
    bool Worthwhile(const FilterState& s, int nonZeroTaps, std::size_t n, std::int32_t lo,
                    std::int32_t hi);

    // Whether the plans for the taps of s are made. When they are neither made nor being
    // made, starts making them on a thread of their own (FFTW takes about a millisecond
    // for them, in which the caller can filter by other means) and returns false; when
    // no thread can be had, returns true and Filter makes them.
    bool PlansReady(const FilterState& s);
    // While the plans are made: readies the rest of what a first block of n samples
    // will take (working memory touched, the pool's helpers started), once per planning.
    void GetReady(const FilterState& s, std::size_t n, int threads, WorkerPool& pool);

    // The longest block of at most n samples that is whole segments for the taps of s,
    // as many for each of the threads it takes; n where that is under half of n.
    std::size_t BlockFor(const FilterState& s, std::size_t n, int threads) const;

    // Counts work the caller did by other means (multiply-adds) while the plans were
    // being made: past about what making them takes on a free processor, PlansReady waits
    // for them, letting their thread move to the caller's processor, as the one it was
    // given is evidently busy with other work.
    void WorkedWhilePlanning(std::size_t multiplyAdds) { m_workedWhilePlanning += multiplyAdds; }

    // Whether a thread is making plans now.
    bool Planning() const
    {
        return m_planner.joinable() && !m_planned.load(std::memory_order_acquire);
    }

    // ProcessSamples's work (see CStreamFilter), on the state s. Returns false, having
    // changed nothing, when it cannot vouch for the result or lacks resources: the
    // rounding mode is not to nearest, lo > hi, lo = 1 or hi = -1, an input or a value of
    // the delay line lies outside [-X, X] with X = max(|lo|, |hi|) (inputs outside
    // [lo, hi] too), the margin is 0.5 or more, memory is short or FFTW cannot plan. *clamped
    // receives the number of clamped outputs; clampedFlags, when given, 1 at each of them
    // and 0 elsewhere. threads: as CStreamFilter::SetThreads.
    // kernels: those of the instruction set to use.
    bool Filter(const FilterState& s, const fir::KernelSet& kernels, const std::int32_t* in,
                std::int32_t* out, std::size_t n, std::int32_t lo, std::int32_t hi,
                std::size_t* clamped, std::size_t* firstClamped, std::uint8_t* clampedFlags,
                int threads, WorkerPool& pool);

    // The margin for FFT size L, N taps with sum |h| = sumAbs and sqrt(sum h^2) = norm2,
    // and inputs of magnitude at most X (see FftBlock.cpp).
    static double Margin(std::size_t L, std::size_t N, double sumAbs, double norm2, double X);

    // For tests: multiplies the margin (1 by default; 0 rechecks nothing).
    void ScaleMargin(double factor) { m_marginScale = factor; }

    const FftStatistics& Statistics() const { return m_stats; }
    void ResetStatistics() { m_stats = FftStatistics{}; }

  private:
    struct Worker {
        AlignedArray<double> window;   // the L stream values a segment sees
        AlignedArray<double> real;     // its convolution
        AlignedArray<double> spectrum; // L / 2 + 1 complex values, interleaved
        AlignedArray<bool> flags;      // per stretch of outputs: some need a second look
        std::size_t clamped = 0;
        std::size_t firstClamped = 0; // valid when clamped > 0
        std::uint64_t rechecked = 0;
    };

    struct Plans {
        fftw_plan_s* forward = nullptr;
        fftw_plan_s* backward = nullptr;
    };

    bool Prepare(const FilterState& s, int workers);
    // The workers a block of n samples takes; its segments in *segments.
    static int Workers(std::size_t L, std::size_t N, std::size_t n, int threads,
                       std::size_t* segments);
    bool ReserveWorkers(std::size_t L, int workers);
    void UpdateSums(const FilterState& s);
    void DestroyPlans();
    // Waits for the planning thread and takes its plans in place of the current ones.
    void AdoptPlans();

    std::size_t m_size = 0;   // L, a power of two; 0 before the first plan
    std::size_t m_length = 0; // N, for which the taps' transform is made
    fftw_plan_s* m_forward = nullptr;
    fftw_plan_s* m_backward = nullptr;
    // The planning thread: plans of size m_plannedSize, made with arrays of its own, and
    // with them the transform of the m_plannedLength taps of version m_plannedVersion.
    std::thread m_planner;
    std::atomic<bool> m_planned{false};       // it has finished
    std::atomic<bool> m_plannerPlaced{false}; // its processors are set
    std::size_t m_plannedSize = 0;
    std::size_t m_plannedLength = 0;
    unsigned long m_plannedVersion = 0;
    Plans m_pending;
    AlignedArray<double> m_planReal; // the taps, padded with zeros
    AlignedArray<double> m_planSpectrum;
    AlignedArray<double> m_plannedTaps;
    unsigned long m_tapsVersion = 0; // counts TapsChanged
    bool m_ready = false;            // GetReady ran since the planning started
    std::size_t m_workedWhilePlanning = 0;
    AlignedArray<double> m_taps; // the taps' transform divided by L, interleaved complex
    double m_sumAbs = 0.0;       // of the taps, for the margin
    double m_norm2 = 0.0;
    bool m_sumsStale = true;
    bool m_tapsChanged = true;
    AlignedArray<double> m_history; // the N stream values before the block
    // Per segment the N - 1 stream values before its first input, then the N that end
    // the block.
    AlignedArray<double> m_edges;
    Worker m_workers[WorkerPool::kMaxWorkers];
    double m_marginScale = 1.0;
    FftStatistics m_stats;
};

} // namespace ravelin
