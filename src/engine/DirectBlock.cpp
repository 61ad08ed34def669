#include "engine/DirectBlock.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cstdint>
#include <cstring>

namespace ravelin {

// How the direct block operation stays bit-exact
// ----------------------------------------------
// Process adds, for one output, the products delay * h[k] for k = 0 .. N-1 in that
// order to a sum that starts at +0.0. The block operation computes each output with
// exactly that sequence of roundings: vector lanes and threads only work on different
// outputs at the same time, and a sum is never split, reordered or fused.
//
// Taps whose coefficient is 0.0 or -0.0 are left out, which changes no bit as long as
// every input the output sees is finite and the rounding mode is to nearest:
//  - a finite input times a zero coefficient is +0.0 or -0.0;
//  - in round-to-nearest, a + b is -0.0 only when both a and b are -0.0 (exact
//    cancellation gives +0.0), so a sum that starts at +0.0 is never -0.0;
//  - s + (+-0.0) for s that is not -0.0 is s, bit for bit (+0.0 + -0.0 = +0.0;
//    a non-zero s, an infinity and a NaN come back unchanged).
// An infinity or NaN input makes its product with 0.0 a NaN, and round-downward makes
// +0.0 + -0.0 = -0.0, so a window that holds a non-finite input, and a block run under
// another rounding mode, adds every tap, zeros included.

namespace {

// Below this many taps a block is computed straight from the linear window; from it
// on the inputs are interleaved so that each tap costs aligned loads only.
constexpr int kDenseMinTaps = 16;
// Outputs per chunk of the linear kernel (at least; more for long filters).
constexpr std::size_t kLinearChunk = 16384;
// Output rows per lane and chunk of the dense kernel (at least; more for long filters).
constexpr std::size_t kDenseRows = 2048;
// Automatic threading: a block is shared only when it has at least this many
// multiply-adds, and each thread gets at least kMinThreadSamples outputs.
constexpr std::size_t kThreadWork = std::size_t{1} << 22;
constexpr std::size_t kMinThreadSamples = 4096;

std::size_t RoundUp(std::size_t n, std::size_t to)
{
    return (n + to - 1) / to * to;
}

// E is the stream this block sees: the N values before its first input (the oldest
// of them is only kept as state, no output reads it), then in[0, n). Copies
// E[from, from + count) into dst; the first N come from carry.
void CopyStream(double* dst, std::size_t from, std::size_t count, const double* carry,
                std::size_t N, const double* in)
{
    if (from < N) {
        const std::size_t c = std::min(count, N - from);
        std::memcpy(dst, carry + from, c * sizeof(double));
        dst += c;
        from += c;
        count -= c;
    }
    if (count > 0)
        std::memcpy(dst, in + (from - N), count * sizeof(double));
}

} // namespace

// One Filter call. Its outputs are cut into units, [u * unitLength, ...), each
// filtered from start to end by one thread; the threads take the next unit until none
// is left.
struct DirectBlock::Task {
    const fir::KernelSet* kernels = nullptr;
    const double* in = nullptr;
    double* out = nullptr;
    std::size_t n = 0;
    std::size_t N = 0;
    std::size_t chunk = 0; // outputs per pass of a kernel
    std::size_t unitLength = 0;
    std::size_t units = 0;
    bool dense = false;
    bool aliased = false;
    bool skipZeros = false;
    const int* backAll = nullptr;
    const double* coefAll = nullptr;
    const int* backNonZero = nullptr;
    const double* coefNonZero = nullptr;
    int countNonZero = 0;
    // The first snapshotUnits units start from a copy of the N stream values before
    // them (at u * N); the others read those straight from the input.
    const double* snapshots = nullptr;
    std::size_t snapshotUnits = 0;
    int workers = 1; // threads this block may use, the caller's included
    std::atomic<std::size_t> next{0};
};

// Filters unit u chunk after chunk.
void DirectBlock::RunUnit(const Task& t, std::size_t u, Worker& worker)
{
    const fir::KernelSet& k = *t.kernels;
    const std::size_t N = t.N;
    const std::size_t W = static_cast<std::size_t>(k.lanes);
    const std::size_t from = u * t.unitLength;
    const std::size_t to = std::min(t.n, from + t.unitLength);
    double* const window = worker.window.Data();

    // window holds E[c, c + N) while fromWindow; otherwise the input is read in place.
    bool fromWindow = u < t.snapshotUnits;
    const double* history = fromWindow ? t.snapshots + u * N : t.in + (from - N);
    if (fromWindow)
        std::memcpy(window, history, N * sizeof(double));

    // One past the stream index of the latest non-finite value seen; 0 if none.
    std::size_t badEnd = 0;
    if (const std::ptrdiff_t i = k.lastNonFinite(history, N); i >= 0)
        badEnd = from + static_cast<std::size_t>(i) + 1;

    for (std::size_t c = from; c < to;) {
        const std::size_t m = std::min(t.chunk, to - c);
        // Stream values E[c, c + N + m).
        const double* span = window;
        if (fromWindow)
            std::memcpy(window + N, t.in + c, m * sizeof(double));
        else
            span = t.in + (c - N);
        if (const std::ptrdiff_t i = k.lastNonFinite(span + N, m); i >= 0)
            badEnd = c + N + static_cast<std::size_t>(i) + 1;

        // The outputs see E[c + 1, c + N + m).
        const bool skip = t.skipZeros && badEnd <= c + 1;
        const int* back = skip ? t.backNonZero : t.backAll;
        const double* coef = skip ? t.coefNonZero : t.coefAll;
        const int count = skip ? t.countNonZero : static_cast<int>(N);
        const double* base = span + 1;

        if (t.dense) {
            const std::size_t L = RoundUp((m + W - 1) / W, static_cast<std::size_t>(k.rowTile));
            double* rows = worker.rows.Data();
            double* acc = worker.acc.Data();
            k.interleave(rows, base, N - 1 + m, L, L + N - 1);
            k.dense(rows, acc, L, back, coef, count, true);
            k.deinterleave(t.out + c, acc, L, m);
        } else {
            k.linear(base, t.out + c, m, back, coef, count);
        }

        c += m;
        // In place, the inputs before c are gone once their outputs are written, so the
        // next chunk's history is carried in the window.
        fromWindow = t.aliased || c < N;
        if (c < to && fromWindow)
            std::memmove(window, span + m, N * sizeof(double));
    }
}

bool DirectBlock::CountTaps(const FilterState& s)
{
    if (!m_tapsChanged)
        return true;
    const std::size_t N = s.length;
    if (!m_backAll.Reserve(N) || !m_backNonZero.Reserve(N) || !m_coefNonZero.Reserve(N))
        return false;
    int count = 0;
    for (std::size_t k = 0; k < N; ++k) {
        const int back = static_cast<int>(N - 1 - k);
        m_backAll.Data()[k] = back;
        if (s.coef[k] != 0.0) { // false for -0.0 too
            m_backNonZero.Data()[count] = back;
            m_coefNonZero.Data()[count] = s.coef[k];
            ++count;
        }
    }
    m_countNonZero = count;
    m_tapsChanged = false;
    return true;
}

bool DirectBlock::Filter(const FilterState& s, const fir::KernelSet& kernels, const double* in,
                         double* out, std::size_t n, int threadsAsked, WorkerPool& pool)
{
    if (!CountTaps(s))
        return false;
    const std::size_t N = s.length;
    const auto W = static_cast<std::size_t>(kernels.lanes);
    const auto J = static_cast<std::size_t>(kernels.rowTile);
    constexpr auto kMaxWorkers = static_cast<std::size_t>(WorkerPool::kMaxWorkers);

    Task t;
    t.kernels = &kernels;
    t.in = in;
    t.out = out;
    t.n = n;
    t.N = N;
    t.skipZeros = std::fegetround() == FE_TONEAREST;
    const int count = t.skipZeros ? m_countNonZero : static_cast<int>(N);
    t.dense = count >= kDenseMinTaps;
    const auto inAddr = reinterpret_cast<std::uintptr_t>(in);
    const auto outAddr = reinterpret_cast<std::uintptr_t>(out);
    t.aliased = inAddr < outAddr + n * sizeof(double) && outAddr < inAddr + n * sizeof(double);

    // Threads: as asked, or by the amount of work.
    std::size_t threads = 1;
    if (threadsAsked > 0) {
        threads = std::min({static_cast<std::size_t>(threadsAsked), n, kMaxWorkers});
    } else if (count > 0 && n >= kThreadWork / static_cast<std::size_t>(count) &&
               n >= 2 * kMinThreadSamples) {
        threads = std::min({static_cast<std::size_t>(WorkerPool::Processors()), kMaxWorkers,
                            n / kMinThreadSamples});
    }

    // Chunks (one pass of a kernel) and units (what one thread takes at a time).
    t.chunk = t.dense ? RoundUp(std::max(kDenseRows, N), J) * W : std::max(kLinearChunk, 2 * N);
    if (threads > 1 && !t.aliased) {
        // Several units per thread, so that the threads finish together.
        const std::size_t least = threadsAsked > 0 ? 1 : kMinThreadSamples;
        t.chunk = std::min(t.chunk, std::max(least, (n + 4 * threads - 1) / (4 * threads)));
    }
    t.unitLength = t.aliased ? (n + threads - 1) / threads : t.chunk;
    t.units = (n + t.unitLength - 1) / t.unitLength;
    t.snapshotUnits =
        t.aliased ? t.units : std::min(t.units, (N + t.unitLength - 1) / t.unitLength);
    t.workers = static_cast<int>(std::min(threads, t.units));
    const std::size_t rowsPerLane = RoundUp((t.chunk + W - 1) / W, J);

    bool allocated =
        m_carry.Reserve(N) && m_after.Reserve(N) && m_snapshots.Reserve(t.snapshotUnits * N);
    for (int i = 0; allocated && i < t.workers; ++i) {
        Worker& w = m_workers[i];
        allocated = w.window.Reserve(N + t.chunk) &&
                    (!t.dense ||
                     (w.rows.Reserve((rowsPerLane + N - 1) * W) && w.acc.Reserve(rowsPerLane * W)));
    }
    if (!allocated)
        return false;

    // Everything a unit needs from before it, and the next block's history, is copied
    // now: in place, the outputs overwrite it.
    double* const carry = m_carry.Data();
    ReadHistory(s, carry);
    for (std::size_t u = 0; u < t.snapshotUnits; ++u)
        CopyStream(m_snapshots.Data() + u * N, u * t.unitLength, N, carry, N, in);
    CopyStream(m_after.Data(), n, N, carry, N, in);

    t.backAll = m_backAll.Data();
    t.coefAll = s.coef;
    t.backNonZero = m_backNonZero.Data();
    t.coefNonZero = m_coefNonZero.Data();
    t.countNonZero = m_countNonZero;
    t.snapshots = m_snapshots.Data();
    auto body = [&](int worker) {
        for (;;) {
            const std::size_t u = t.next.fetch_add(1, std::memory_order_relaxed);
            if (u >= t.units)
                return;
            RunUnit(t, u, m_workers[worker]);
        }
    };
    pool.Run(t.workers, body);

    WriteHistory(s, m_after.Data(), n);
    return true;
}

} // namespace ravelin
