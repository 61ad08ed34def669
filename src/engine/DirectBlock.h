#pragma once

#include "engine/AlignedArray.h"
#include "engine/FilterState.h"
#include "engine/FirKernels.h"
#include "engine/WorkerPool.h"

#include <cstddef>

namespace ravelin {

// The direct block operation behind CStreamFilter::ProcessBlock: each output its own
// sequential sum, several side by side in vector lanes, long blocks shared among
// threads. Holds the tap lists and the working memory from one block to the next.
class DirectBlock {
  public:
    // The coefficients changed: the tap lists are rebuilt before the next block.
    void TapsChanged() { m_tapsChanged = true; }

    // Taps with a non-zero coefficient, as of the last Filter or CountTaps.
    int NonZeroTaps() const { return m_countNonZero; }
    // Rebuilds the tap lists if the taps changed; false when memory is short.
    bool CountTaps(const FilterState& s);

    // Filters in[0, n) into out, bit for bit as Process would, and moves the delay line
    // on (see CStreamFilter::ProcessBlock). threads: as SetThreads. Returns false, having
    // changed nothing, when memory is short.
    bool Filter(const FilterState& s, const fir::KernelSet& kernels, const double* in, double* out,
                std::size_t n, int threads, WorkerPool& pool);

    // Scratch memory of n doubles for the caller, kept between calls (ProcessSamples's
    // conversions); null when memory is short. Filter does not touch it.
    double* Scratch(std::size_t n) { return m_scratch.Reserve(n) ? m_scratch.Data() : nullptr; }

  private:
    struct Task;
    struct Worker {
        AlignedArray<double> window; // N values before the chunk, then its inputs
        AlignedArray<double> rows;   // interleaved inputs of the dense kernel
        AlignedArray<double> acc;    // interleaved outputs of the dense kernel
    };

    static void RunUnit(const Task& task, std::size_t u, Worker& worker);

    AlignedArray<int> m_backAll;     // N - 1 - k for every tap k
    AlignedArray<int> m_backNonZero; // the same for taps with a non-zero coefficient
    AlignedArray<double> m_coefNonZero;
    int m_countNonZero = 0;
    bool m_tapsChanged = true;
    AlignedArray<double> m_carry;     // the N values before the block, oldest first
    AlignedArray<double> m_after;     // the N values before the next block
    AlignedArray<double> m_snapshots; // see Task
    Worker m_workers[WorkerPool::kMaxWorkers];
    AlignedArray<double> m_scratch;
};

} // namespace ravelin
