#include "engine/StreamFilter.h"

#include "engine/FirKernels.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace ravelin {

// How ProcessBlock stays bit-exact
// --------------------------------
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

constexpr std::size_t kAlignment = 64; // a cache line, and the widest vector

// An owned, cache-line aligned array that reports allocation failure instead of
// throwing. Grows only; the contents are not kept when it grows.
template <typename T> class AlignedArray {
  public:
    AlignedArray() = default;
    AlignedArray(const AlignedArray&) = delete;
    AlignedArray& operator=(const AlignedArray&) = delete;
    ~AlignedArray() { std::free(m_p); }

    bool Reserve(std::size_t n)
    {
        if (n <= m_capacity && m_p)
            return true;
        std::free(m_p);
        m_p = nullptr;
        m_capacity = 0;
        if (n > (SIZE_MAX - kAlignment) / sizeof(T))
            return false;
        const std::size_t bytes =
            (std::max<std::size_t>(n, 1) * sizeof(T) + kAlignment - 1) / kAlignment * kAlignment;
        m_p = static_cast<T*>(std::aligned_alloc(kAlignment, bytes));
        if (!m_p)
            return false;
        m_capacity = n;
        return true;
    }
    T* Data() const { return m_p; }

  private:
    T* m_p = nullptr;
    std::size_t m_capacity = 0;
};

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

const fir::KernelSet& KernelsFor(CStreamFilter::Simd level)
{
#if defined(RAVELIN_FIR_X86)
    switch (level) {
    case CStreamFilter::Simd::Avx512:
        return fir::kAvx512Kernels;
    case CStreamFilter::Simd::Avx2:
        return fir::kAvx2Kernels;
    case CStreamFilter::Simd::Baseline:
        break;
    }
#else
    (void)level;
#endif
    return fir::kBaselineKernels;
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

// Working memory of the block operation, kept between blocks, and its helper threads.
struct CStreamFilter::BlockWork {
    struct Worker {
        AlignedArray<double> window; // N values before the chunk, then its inputs
        AlignedArray<double> rows;   // interleaved inputs of the dense kernel
        AlignedArray<double> acc;    // interleaved outputs of the dense kernel
    };

    // One ProcessBlock call. Its outputs are cut into units, [u * unitLength, ...),
    // each filtered from start to end by one thread; the threads take the next unit
    // until none is left, so a thread that gets little processor time holds up at
    // most the unit it has taken.
    struct Task {
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
        int workers = 1;    // threads this block may use, the caller's included
        std::fenv_t fenv{}; // the caller's rounding mode, for the helpers
        std::atomic<std::size_t> next{0};
        int active = 0; // helpers working on it; guarded by the mutex
    };

    BlockWork() = default;
    BlockWork(const BlockWork&) = delete;
    BlockWork& operator=(const BlockWork&) = delete;
    ~BlockWork();

    static void RunUnit(const Task& task, std::size_t u, Worker& worker);
    static void RunUnits(Task& task, Worker& worker);
    void EnsureHelpers(int count);
    void HelperLoop(int index);
    void Run(Task& task);

    AlignedArray<int> backAll;     // N - 1 - k for every tap k
    AlignedArray<int> backNonZero; // the same for taps with a non-zero coefficient
    AlignedArray<double> coefNonZero;
    int countNonZero = 0;
    AlignedArray<double> carry;     // the N values before the block, oldest first
    AlignedArray<double> after;     // the N values before the next block
    AlignedArray<double> snapshots; // see Task
    Worker workers[kMaxThreads];

    // Helper threads, started on the first block that wants them, waiting for tasks.
    std::mutex mutex;
    std::condition_variable wake; // a task was posted, or the helpers must stop
    std::condition_variable idle; // a helper finished its part of a task
    Task* task = nullptr;
    unsigned long generation = 0;
    bool stopping = false;
    std::thread helpers[kMaxThreads - 1];
    int helperCount = 0;
};

CStreamFilter::BlockWork::~BlockWork()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (int i = 0; i < helperCount; ++i)
        helpers[i].join();
}

void CStreamFilter::BlockWork::EnsureHelpers(int count)
{
    for (; helperCount < count; ++helperCount) {
        try {
            helpers[helperCount] = std::thread(&BlockWork::HelperLoop, this, helperCount);
        } catch (...) {
            return; // no more threads to be had: the caller's thread does the rest
        }
    }
}

void CStreamFilter::BlockWork::HelperLoop(int index)
{
    unsigned long seen = 0;
    for (;;) {
        Task* t = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return stopping || (task && generation != seen); });
            if (stopping)
                return;
            seen = generation;
            if (index + 1 >= task->workers)
                continue;
            t = task;
            ++t->active;
        }
        std::fenv_t own;
        std::fegetenv(&own);
        std::fesetenv(&t->fenv);
        RunUnits(*t, workers[index + 1]);
        std::fesetenv(&own);
        // Notify under the lock: once it is released the caller may return and the
        // task is gone.
        std::lock_guard<std::mutex> lock(mutex);
        if (--t->active == 0)
            idle.notify_all();
    }
}

void CStreamFilter::BlockWork::RunUnits(Task& t, Worker& worker)
{
    for (;;) {
        const std::size_t u = t.next.fetch_add(1, std::memory_order_relaxed);
        if (u >= t.units)
            return;
        RunUnit(t, u, worker);
    }
}

void CStreamFilter::BlockWork::Run(Task& t)
{
    const bool shared = t.workers > 1 && helperCount > 0;
    if (shared) {
        std::lock_guard<std::mutex> lock(mutex);
        task = &t;
        ++generation;
    }
    if (shared)
        wake.notify_all();
    RunUnits(t, workers[0]);
    if (shared) {
        // From here on no helper joins; wait for those that did.
        std::unique_lock<std::mutex> lock(mutex);
        task = nullptr;
        idle.wait(lock, [&] { return t.active == 0; });
    }
}

// Filters unit u chunk after chunk.
void CStreamFilter::BlockWork::RunUnit(const Task& t, std::size_t u, Worker& worker)
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

CStreamFilter::CStreamFilter() = default;
CStreamFilter::~CStreamFilter() = default;

void CStreamFilter::Release()
{
    m_coef.reset();
    m_delay.reset();
    m_length = 0;
    m_pos = 0;
    m_tapsChanged = true;
}

int CStreamFilter::SetLength(int n)
{
    Release();
    if (n < 0)
        return 0;
    const auto size = static_cast<std::size_t>(n);
    std::unique_ptr<double[]> coef(new (std::nothrow) double[size]());
    std::unique_ptr<double[]> delay(new (std::nothrow) double[size]());
    if (n > 0 && (!coef || !delay))
        return 0;
    m_coef = std::move(coef);
    m_delay = std::move(delay);
    m_length = n;
    return 1;
}

int CStreamFilter::SetCoef(int i, double value)
{
    if (i < 0 || i >= m_length)
        return 0;
    m_coef[i] = value;
    m_tapsChanged = true;
    return 1;
}

double CStreamFilter::Process(double x)
{
    if (m_length < 1)
        return 0.0;
    m_delay[m_pos] = x;
    double sum = 0.0;
    int q = m_pos;
    for (int k = 0; k < m_length; ++k) {
        sum += m_delay[q] * m_coef[k];
        if (++q == m_length)
            q = 0;
    }
    if (--m_pos < 0)
        m_pos = m_length - 1;
    return sum;
}

CStreamFilter::Simd CStreamFilter::BestSimd()
{
#if defined(RAVELIN_FIR_X86)
    static const Simd best = [] {
        __builtin_cpu_init();
        // These also check that the system saves the wider registers.
        if (__builtin_cpu_supports("avx512f"))
            return Simd::Avx512;
        if (__builtin_cpu_supports("avx2"))
            return Simd::Avx2;
        return Simd::Baseline;
    }();
    return best;
#else
    return Simd::Baseline;
#endif
}

CStreamFilter::Simd CStreamFilter::ActiveSimd() const
{
    return std::min(m_simdLimit, BestSimd());
}

bool CStreamFilter::PrepareTaps()
{
    BlockWork& b = *m_block;
    if (!m_tapsChanged)
        return true;
    const auto N = static_cast<std::size_t>(m_length);
    if (!b.backAll.Reserve(N) || !b.backNonZero.Reserve(N) || !b.coefNonZero.Reserve(N))
        return false;
    int count = 0;
    for (int k = 0; k < m_length; ++k) {
        const int back = m_length - 1 - k;
        b.backAll.Data()[k] = back;
        if (m_coef[k] != 0.0) { // false for -0.0 too
            b.backNonZero.Data()[count] = back;
            b.coefNonZero.Data()[count] = m_coef[k];
            ++count;
        }
    }
    b.countNonZero = count;
    m_tapsChanged = false;
    return true;
}

void CStreamFilter::ProcessBlock(const double* in, double* out, std::size_t n)
{
    if (n == 0)
        return;
    if (m_length < 1) {
        std::fill(out, out + n, 0.0);
        return;
    }
    const auto N = static_cast<std::size_t>(m_length);
    const fir::KernelSet& kernels = KernelsFor(ActiveSimd());
    const auto W = static_cast<std::size_t>(kernels.lanes);
    const auto J = static_cast<std::size_t>(kernels.rowTile);

    if (!m_block)
        m_block.reset(new (std::nothrow) BlockWork);
    const bool ready = m_block && PrepareTaps();
    BlockWork* const b = m_block.get();

    BlockWork::Task t;
    t.kernels = &kernels;
    t.in = in;
    t.out = out;
    t.n = n;
    t.N = N;
    t.skipZeros = std::fegetround() == FE_TONEAREST;
    const int count = t.skipZeros && ready ? b->countNonZero : m_length;
    t.dense = count >= kDenseMinTaps;
    const auto inAddr = reinterpret_cast<std::uintptr_t>(in);
    const auto outAddr = reinterpret_cast<std::uintptr_t>(out);
    t.aliased = inAddr < outAddr + n * sizeof(double) && outAddr < inAddr + n * sizeof(double);

    // Threads: as asked, or by the amount of work.
    std::size_t threads = 1;
    if (m_threads > 0) {
        threads = std::min(
            {static_cast<std::size_t>(m_threads), n, static_cast<std::size_t>(kMaxThreads)});
    } else if (count > 0 && n >= kThreadWork / static_cast<std::size_t>(count) &&
               n >= 2 * kMinThreadSamples) {
        const unsigned hw = std::thread::hardware_concurrency();
        threads = std::min({static_cast<std::size_t>(std::max(hw, 1u)),
                            static_cast<std::size_t>(kMaxThreads), n / kMinThreadSamples});
    }

    // Chunks (one pass of a kernel) and units (what one thread takes at a time).
    t.chunk = t.dense ? RoundUp(std::max(kDenseRows, N), J) * W : std::max(kLinearChunk, 2 * N);
    if (threads > 1 && !t.aliased) {
        // Several units per thread, so that the threads finish together.
        const std::size_t least = m_threads > 0 ? 1 : kMinThreadSamples;
        t.chunk = std::min(t.chunk, std::max(least, (n + 4 * threads - 1) / (4 * threads)));
    }
    t.unitLength = t.aliased ? (n + threads - 1) / threads : t.chunk;
    t.units = (n + t.unitLength - 1) / t.unitLength;
    t.snapshotUnits =
        t.aliased ? t.units : std::min(t.units, (N + t.unitLength - 1) / t.unitLength);
    t.workers = static_cast<int>(std::min(threads, t.units));
    const std::size_t rowsPerLane = RoundUp((t.chunk + W - 1) / W, J);

    bool allocated = ready && b->carry.Reserve(N) && b->after.Reserve(N) &&
                     b->snapshots.Reserve(t.snapshotUnits * N);
    for (int i = 0; allocated && i < t.workers; ++i) {
        BlockWork::Worker& w = b->workers[i];
        allocated = w.window.Reserve(N + t.chunk) &&
                    (!t.dense ||
                     (w.rows.Reserve((rowsPerLane + N - 1) * W) && w.acc.Reserve(rowsPerLane * W)));
    }
    if (!allocated) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = Process(in[i]);
        return;
    }

    // The N values before the block, oldest first, from the circular delay line.
    const auto p = static_cast<std::size_t>(m_pos);
    double* const carry = b->carry.Data();
    for (std::size_t i = 0, q = p; i < N; ++i) {
        carry[i] = m_delay[q];
        q = q == 0 ? N - 1 : q - 1;
    }

    // Everything a unit needs from before it, and the next block's history, is copied
    // now: in place, the outputs overwrite it.
    for (std::size_t u = 0; u < t.snapshotUnits; ++u)
        CopyStream(b->snapshots.Data() + u * N, u * t.unitLength, N, carry, N, in);
    CopyStream(b->after.Data(), n, N, carry, N, in);

    t.backAll = b->backAll.Data();
    t.coefAll = m_coef.get();
    t.backNonZero = b->backNonZero.Data();
    t.coefNonZero = b->coefNonZero.Data();
    t.countNonZero = b->countNonZero;
    t.snapshots = b->snapshots.Data();
    std::fegetenv(&t.fenv);
    if (t.workers > 1)
        b->EnsureHelpers(t.workers - 1);
    b->Run(t);

    // Leave the delay line as n calls of Process would have.
    m_pos = static_cast<int>((p + N - n % N) % N);
    const double* after = b->after.Data();
    for (std::size_t i = 0, q = static_cast<std::size_t>(m_pos); i < N; ++i) {
        m_delay[q] = after[i];
        q = q == 0 ? N - 1 : q - 1;
    }
}

std::size_t CStreamFilter::ProcessSamples(const std::int32_t* in, std::int32_t* out,
                                          std::size_t n, std::int32_t lo, std::int32_t hi,
                                          std::size_t* firstClamped)
{
    // Long pieces keep the block operation's threads busy; short stack pieces are
    // the fallback when memory is short.
    constexpr std::size_t kLongPiece = std::size_t{1} << 16;
    constexpr std::size_t kShortPiece = 1024;
    std::vector<double> buffer;
    double stackBuffer[2 * kShortPiece];
    std::size_t piece = kShortPiece;
    double* x = stackBuffer;
    try {
        buffer.resize(2 * std::min(n, kLongPiece));
        piece = std::min(n, kLongPiece);
        x = buffer.data();
    } catch (const std::bad_alloc&) {
    }
    double* y = x + piece;
    std::size_t clamped = 0;
    for (std::size_t start = 0; start < n; start += piece) {
        const std::size_t m = std::min(piece, n - start);
        for (std::size_t i = 0; i < m; ++i)
            x[i] = in[start + i];
        ProcessBlock(x, y, m);
        for (std::size_t i = 0; i < m; ++i) {
            // Clamping first keeps the cast defined; for finite sums it gives the
            // same value as truncating first. NaN clamps to lo.
            const double v = y[i];
            std::int32_t s;
            if (!(v > lo - 1.0))
                s = lo;
            else if (v >= hi + 1.0)
                s = hi;
            else {
                out[start + i] = static_cast<std::int32_t>(v);
                continue;
            }
            out[start + i] = s;
            if (clamped++ == 0 && firstClamped)
                *firstClamped = start + i;
        }
    }
    return clamped;
}

} // namespace ravelin
