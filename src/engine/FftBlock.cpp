#include "engine/FftBlock.h"

#include "engine/FftwWisdom.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fftw3.h>
#include <mutex>

namespace ravelin {

namespace {
// Initialized before and destroyed after every filter with static storage, as it is
// constant-initialized.
constinit std::mutex planner;
} // namespace

std::mutex& FftwPlannerMutex()
{
    return planner;
}

void ImportFftwWisdomFor(std::size_t size)
{
    static bool tried[kWisdomSizes] = {};
    int i = 0;
    while (i < kWisdomSizes && (std::size_t{1} << (kWisdomMinLog2 + i)) != size)
        ++i;
    if (i == kWisdomSizes || tried[i])
        return;
    tried[i] = true;
    // Wisdom FFTW does not take (another version of it) is refused as a whole, and
    // planning goes on as without it.
    const char* const wisdom = kFftwWisdom[i];
    if (wisdom && wisdom[0] != '\0' && kFftwWisdomCpu == FftwCpuFeatures())
        fftw_import_wisdom_from_string(wisdom);
}

// Why the FFT path gives Process's outputs
// ----------------------------------------
// An output is g(y) = clamp(trunc(y), lo, hi) of the sequential sum y, with a clamp flag;
// both change only at the non-zero integers of [lo - 1, hi + 1]. Let s be the exact sum,
// v the FFT value, u = 2^-53, X = max(|lo|, |hi|) >= |every input|, S1 = sum |h[k]|,
// S2 = sqrt(sum h[k]^2), L the FFT size (the window's 2-norm is at most sqrt(L) X).
//  - |y - s| <= gamma_N X S1, gamma_N = N u / (1 - N u) (a dot product summed in order).
//  - A transform's 2-norm error is at most c times its result's norm, c = log2(L) eta,
//    eta = mu + gamma_4 (sqrt 2 + mu) <= 8u with twiddles good to mu <= u (Higham,
//    Accuracy and Stability of Numerical Algorithms, thm. 24.2); we take log2(L) + 2
//    stages for FFTW's real-data passes. Forward, product (error <= 3u |a||b|) with the
//    taps' transform (itself off by c), inverse: |v - s| <= X (sqrt(L) (2c + 3u) S1 + c L S2).
// Where v is farther than the sum of both from every jump, y is on v's side of every
// jump and g(y) = g(v). The margin is 100 times that sum; outputs nearer than it to a
// jump (or not finite) are recomputed with the sequential sum, in increasing tap order.
// Below half a unit only the integer nearest to v can lie within the margin, so that
// one test finds them all, outside [lo - 1, hi + 1] too; a margin of half a unit or
// more (huge or non-finite taps, sums that may overflow) leaves the block to the
// direct path, as does a range where 0 is a jump (lo = 1 or hi = -1).
// For the low-pass presets on 16-bit samples (L = 4096) it comes to about 1e-4, 7e-5 and
// 5e-5, about 10^6 times the largest difference seen between v and y (1.1e-10, on a
// minute of music and ten seconds each of full-scale square waves and clipped noise),
// and one output in some 5000 is rechecked.

namespace {

constexpr double kUnit = 0x1p-53;
constexpr double kSafety = 100.0;
// Adding and subtracting 1.5 * 2^52 rounds to the nearest integer (to nearest, |v| < 2^51).
constexpr double kRounder = 0x1.8p52;
// The FFT covers at least this many times the filter's length: most of each segment
// is then new output, and the transform still fits the caches.
constexpr std::size_t kSizePerTap = 8;
constexpr std::size_t kMinSize = 64;
constexpr std::size_t kMaxSize = std::size_t{1} << 24;
// Costs in multiply-adds of the direct kernels (one per non-zero tap and output), as
// measured by BM_PathCost (bench/BlockBench.cpp) on one core: an FFT segment of size L
// costs about kFftCost L log2(L); a recheck kRecheckCost per tap (one dependent chain).
constexpr double kFftCost = 8.0;
constexpr double kRecheckCost = 15.0;
// Work the caller may do by other means while the plans are made before it waits for
// them: some 1.7 ms of the direct kernels, beyond the millisecond or so the planning
// takes on a free processor.
constexpr std::size_t kWorkWhilePlanning = std::size_t{1} << 26;
// Automatic threading: a block of at least this many segments is shared with helpers.
// Their start and the hand-off of each block cost less than a segment each, as the
// pool keeps its helpers off the caller's processor and has them watch for the next
// block instead of sleeping.
constexpr std::size_t kMinThreadSegments = 4;

// The FFT size for N taps; 0 for filters too long for this path (beyond any preset's).
std::size_t SizeFor(std::size_t N)
{
    if (N > kMaxSize / kSizePerTap)
        return 0;
    std::size_t L = kMinSize;
    while (L < kSizePerTap * N)
        L *= 2;
    return L;
}

std::int32_t ToSample(double v, std::int32_t lo, std::int32_t hi, bool& clamped)
{
    // Clamping first keeps the cast defined; for finite sums it gives the same value
    // as truncating first. NaN clamps to lo.
    clamped = true;
    if (!(v > lo - 1.0))
        return lo;
    if (v >= hi + 1.0)
        return hi;
    clamped = false;
    return static_cast<std::int32_t>(v);
}

// Outputs per flag of the kernels' fftConvert.
constexpr std::size_t kFlagSpan = 64;

// Whether an FFT value lies within the margin (below 0.5) of a jump (a non-zero integer
// of [lo - 1, hi + 1]) or is not finite; with IsClamped, fftConvert's tests one at a time.
bool NearJump(double v, double margin, double low, double high)
{
    const double r = (v + kRounder) - kRounder;
    return (!(std::fabs(v - r) >= margin) && r != 0.0 && !(r < low) && !(r > high)) ||
           !std::isfinite(v);
}

// FFTW ends the process when one of its own allocations fails, in planning and in the
// buffers some plans take while they run. So room for them is made sure of before each
// block: a reserve well beyond what a transform of size L takes on each worker, taken
// and given back. Without it the caller filters the block on the direct path.
bool RoomForFftw(std::size_t L, int workers)
{
    const std::size_t reserve =
        (static_cast<std::size_t>(workers) + 1) * 4 * L * sizeof(double) + (std::size_t{1} << 20);
    void* probe = std::malloc(reserve);
    if (!probe)
        return false;
    std::free(probe);
    return true;
}

// The largest magnitude of a sample in [lo, hi].
double XOf(std::int32_t lo, std::int32_t hi)
{
    return std::max(std::fabs(static_cast<double>(lo)), std::fabs(static_cast<double>(hi)));
}

// The values m_edges holds for a block of this many segments of N taps: the N - 1 before
// each segment, then the N that end the block.
std::size_t EdgeValues(std::size_t segments, std::size_t N)
{
    return segments * (N - 1) + N;
}

// Makes the plans of size L, on arrays of its alignment; false when FFTW cannot.
bool MakePlans(std::size_t L, double* real, double* spectrum, fftw_plan& forward,
               fftw_plan& backward)
{
    auto* complex = reinterpret_cast<fftw_complex*>(spectrum);
    std::lock_guard<std::mutex> lock(FftwPlannerMutex());
    ImportFftwWisdomFor(L);
    // Estimated plans, unless the build's wisdom holds measured ones: measuring here
    // would cost more than a whole minute of filtering.
    const int size = static_cast<int>(L);
    forward = fftw_plan_dft_r2c_1d(size, real, complex, FFTW_ESTIMATE);
    backward = fftw_plan_dft_c2r_1d(size, complex, real, FFTW_ESTIMATE);
    if (forward && backward)
        return true;
    if (forward)
        fftw_destroy_plan(forward);
    if (backward)
        fftw_destroy_plan(backward);
    forward = backward = nullptr;
    return false;
}

// taps = the transform of the L values of real (the taps padded with zeros), divided by
// L, as L / 2 + 1 interleaved complex values.
void TransformTaps(fftw_plan forward, double* real, double* taps, std::size_t L)
{
    fftw_execute_dft_r2c(forward, real, reinterpret_cast<fftw_complex*>(taps));
    // 1 / L is a power of two: the scaling is exact.
    const double scale = 1.0 / static_cast<double>(L);
    for (std::size_t i = 0; i < 2 * (L / 2 + 1); ++i)
        taps[i] *= scale;
}

} // namespace

FftBlock::~FftBlock()
{
    if (m_planner.joinable())
        AdoptPlans();
    DestroyPlans();
}

bool FftBlock::PlansReady(const FilterState& s)
{
    if (m_planner.joinable()) {
        if (!m_planned.load(std::memory_order_acquire)) {
            if (m_workedWhilePlanning < kWorkWhilePlanning)
                return false;
            // Still running, as it has not said it is done; at worst it ends meanwhile and
            // the caller is given the processors it has anyway.
            LetRunAnywhere(m_planner);
        }
        AdoptPlans();
    }
    const std::size_t L = SizeFor(s.length);
    if (L == 0 || L == m_size)
        return true;
    // Without room or a thread, Filter plans (or stands aside) as it would anyway.
    const std::size_t bins = L / 2 + 1;
    if (!RoomForFftw(L, 1) || !m_planReal.Reserve(L) || !m_planSpectrum.Reserve(2 * bins) ||
        !m_plannedTaps.Reserve(2 * bins))
        return true;
    m_planned.store(false, std::memory_order_relaxed);
    m_ready = false;
    m_workedWhilePlanning = 0;
    m_plannedSize = L;
    m_plannedLength = s.length;
    m_plannedVersion = m_tapsVersion;
    // The taps are copied here, as the caller may change them while the thread runs.
    double* const real = m_planReal.Data();
    std::copy(s.coef, s.coef + s.length, real);
    std::fill(real + s.length, real + L, 0.0);
    try {
        m_plannerPlaced.store(false, std::memory_order_relaxed);
        m_planner = std::thread([this, L, bins] {
            double* const taps = m_plannedTaps.Data();
            if (MakePlans(L, m_planReal.Data(), m_planSpectrum.Data(), m_pending.forward,
                          m_pending.backward))
                TransformTaps(m_pending.forward, m_planReal.Data(), taps, L);
            // The thread lives on until the caller has placed it: a thread that has ended
            // has no id left, and placing it would place the caller instead.
            while (!m_plannerPlaced.load(std::memory_order_acquire))
                std::this_thread::yield();
            m_planned.store(true, std::memory_order_release);
        });
    } catch (...) {
        return true;
    }
    KeepOffThisProcessor(m_planner);
    m_plannerPlaced.store(true, std::memory_order_release);
    return false;
}

void FftBlock::AdoptPlans()
{
    m_planner.join();
    if (m_pending.forward) {
        DestroyPlans();
        m_forward = m_pending.forward;
        m_backward = m_pending.backward;
        m_size = m_plannedSize;
        // The taps' transform made with them holds unless the taps changed since.
        m_tapsChanged = m_plannedVersion != m_tapsVersion;
        if (!m_tapsChanged) {
            m_taps.Swap(m_plannedTaps);
            m_length = m_plannedLength;
        }
    }
    m_pending = Plans{};
}

void FftBlock::DestroyPlans()
{
    std::lock_guard<std::mutex> lock(FftwPlannerMutex());
    if (m_forward)
        fftw_destroy_plan(m_forward);
    if (m_backward)
        fftw_destroy_plan(m_backward);
    m_forward = m_backward = nullptr;
    m_size = 0;
}

void FftBlock::UpdateSums(const FilterState& s)
{
    if (!m_sumsStale)
        return;
    double sumAbs = 0.0, sumSquares = 0.0;
    for (std::size_t k = 0; k < s.length; ++k) {
        sumAbs += std::fabs(s.coef[k]);
        sumSquares += s.coef[k] * s.coef[k];
    }
    m_sumAbs = sumAbs;
    m_norm2 = std::sqrt(sumSquares);
    m_sumsStale = false;
}

bool FftBlock::Worthwhile(const FilterState& s, int nonZeroTaps, std::size_t n, std::int32_t lo,
                          std::int32_t hi)
{
    const std::size_t N = s.length, L = SizeFor(N), step = L - N + 1;
    if (L == 0)
        return false;
    UpdateSums(s);
    const auto size = static_cast<double>(L);
    // Each output lies within the margin of a jump with a chance of about twice the margin.
    const double recheckShare = std::min(1.0, 2.0 * Margin(L, N, m_sumAbs, m_norm2, XOf(lo, hi)));
    const std::size_t segments = (n + step - 1) / step;
    const double fft =
        static_cast<double>(segments) * kFftCost * size * std::log2(size) +
        static_cast<double>(n) * recheckShare * kRecheckCost * static_cast<double>(N);
    return fft < static_cast<double>(n) * nonZeroTaps;
}

double FftBlock::Margin(std::size_t L, std::size_t N, double sumAbs, double norm2, double X)
{
    const double n = static_cast<double>(N), size = static_cast<double>(L);
    const double gammaN = n * kUnit / (1.0 - n * kUnit);
    const double c = (std::log2(size) + 2.0) * 8.0 * kUnit;
    const double fft = X * (std::sqrt(size) * (2.0 * c + 3.0 * kUnit) * sumAbs + c * size * norm2);
    return kSafety * (fft + gammaN * X * sumAbs);
}

int FftBlock::Workers(std::size_t L, std::size_t N, std::size_t n, int threads,
                      std::size_t* segments)
{
    const std::size_t step = L - N + 1; // new outputs per segment
    *segments = (n + step - 1) / step;
    const bool threadsPay = *segments >= kMinThreadSegments;
    return static_cast<int>(
        std::max<std::size_t>(WorkerPool::ThreadCount(threads, threadsPay, *segments), 1));
}

std::size_t FftBlock::BlockFor(const FilterState& s, std::size_t n, int threads) const
{
    const std::size_t N = s.length, L = SizeFor(N);
    if (L == 0)
        return n;
    std::size_t segments = 0;
    const auto unit = (L - N + 1) * static_cast<std::size_t>(Workers(L, N, n, threads, &segments));
    const std::size_t whole = n / unit * unit;
    return whole >= n / 2 && whole > 0 ? whole : n;
}

bool FftBlock::ReserveWorkers(std::size_t L, int workers)
{
    const std::size_t bins = L / 2 + 1;
    for (int w = 0; w < workers; ++w)
        if (!m_workers[w].window.Reserve(L) || !m_workers[w].real.Reserve(L) ||
            !m_workers[w].spectrum.Reserve(2 * bins) ||
            !m_workers[w].flags.Reserve(L / kFlagSpan + 1))
            return false;
    return true;
}

void FftBlock::GetReady(const FilterState& s, std::size_t n, int threads, WorkerPool& pool)
{
    const std::size_t N = s.length, L = SizeFor(N);
    if (m_ready || L == 0)
        return;
    m_ready = true;
    std::size_t segments = 0;
    const int workers = Workers(L, N, n, threads, &segments);
    pool.Start(workers);
    // Fresh memory is slow to touch on some virtual machines: the caller's part of it is
    // touched now rather than once the plans are there (the helpers touch their own).
    const std::size_t edges = EdgeValues(segments, N);
    if (!ReserveWorkers(L, workers) || !m_history.Reserve(N) || !m_edges.Reserve(edges))
        return;
    Worker& w = m_workers[0];
    for (double* p : {w.window.Data(), w.real.Data(), w.spectrum.Data()})
        std::fill(p, p + L, 0.0);
    std::fill(m_edges.Data(), m_edges.Data() + edges, 0.0);
}

bool FftBlock::Prepare(const FilterState& s, int workers)
{
    const std::size_t N = s.length;
    const std::size_t L = SizeFor(N);
    const std::size_t bins = L / 2 + 1;
    if (!RoomForFftw(L, workers) || !ReserveWorkers(L, workers))
        return false;
    if (m_planner.joinable())
        AdoptPlans();
    if (!m_taps.Reserve(2 * bins))
        return false;
    if (L != m_size) {
        DestroyPlans();
        m_tapsChanged = true;
        if (!MakePlans(L, m_workers[0].real.Data(), m_workers[0].spectrum.Data(), m_forward,
                       m_backward))
            return false;
        m_size = L;
    }
    if (m_tapsChanged || m_length != N) {
        double* real = m_workers[0].real.Data();
        std::fill(real, real + L, 0.0);
        std::copy(s.coef, s.coef + N, real);
        TransformTaps(m_forward, real, m_taps.Data(), L);
        m_length = N;
        m_tapsChanged = false;
    }
    return true;
}

bool FftBlock::Filter(const FilterState& s, const fir::KernelSet& kernels, const std::int32_t* in,
                      std::int32_t* out, std::size_t n, std::int32_t lo, std::int32_t hi,
                      std::size_t* clamped, std::size_t* firstClamped, std::uint8_t* clampedFlags,
                      int threadsAsked, WorkerPool& pool)
{
    if (std::fegetround() != FE_TONEAREST || lo > hi || lo == 1 || hi == -1)
        return false;
    const std::size_t N = s.length;
    const double X = XOf(lo, hi);
    const std::size_t L = SizeFor(N);
    if (L == 0)
        return false;
    const std::size_t step = L - N + 1; // new outputs per segment
    std::size_t segments = 0;
    const int workers = Workers(L, N, n, threadsAsked, &segments);
    pool.Start(workers); // while the plans are made
    if (!m_history.Reserve(N) || !m_edges.Reserve(EdgeValues(segments, N)) || !Prepare(s, workers))
        return false;

    // The stream the block sees is the N values before it, then its inputs, checked
    // against the bound the margin assumes. A segment reads the N - 1 values before its
    // first new input and then its own inputs; in place, those before it are outputs by
    // then, so they are copied first, as are the N values that end the block.
    double* const history = m_history.Data();
    ReadHistory(s, history);
    for (std::size_t i = 0; i < N; ++i)
        if (!(std::fabs(history[i]) <= X))
            return false;
    std::int32_t least = lo, most = hi;
    kernels.range(in, n, &least, &most);
    if (least < lo || most > hi)
        return false;
    // Stream values [from, from + count) to to.
    const auto copyStream = [&](std::size_t from, std::size_t count, double* to) {
        if (from < N) {
            const std::size_t part = std::min(count, N - from);
            std::memcpy(to, history + from, part * sizeof(double));
            from += part, to += part, count -= part;
        }
        kernels.toDouble(in + (from - N), to, count);
    };
    double* const edges = m_edges.Data();
    for (std::size_t seg = 0; seg < segments; ++seg)
        copyStream(seg * step + 1, N - 1, edges + seg * (N - 1));
    double* const last = edges + segments * (N - 1);
    copyStream(n, N, last);

    UpdateSums(s);
    const double margin = m_marginScale * Margin(L, N, m_sumAbs, m_norm2, X);
    if (!(margin < 0.5))
        return false;
    const double* const taps = m_taps.Data();
    const std::size_t bins = L / 2 + 1;
    std::atomic<std::size_t> next{0};
    for (int w = 0; w < workers; ++w)
        m_workers[w].clamped = 0, m_workers[w].rechecked = 0;
    // Every clamped output lies in a flagged stretch, where the loop below marks it.
    if (clampedFlags)
        std::memset(clampedFlags, 0, n);

    auto body = [&](int index) {
        Worker& w = m_workers[index];
        double* const window = w.window.Data();
        double* const real = w.real.Data();
        double* const spectrum = w.spectrum.Data();
        for (;;) {
            const std::size_t seg = next.fetch_add(1, std::memory_order_relaxed);
            if (seg >= segments)
                return;
            // Outputs [a, a + m) see the stream values [a + 1, a + m + N): the segment's
            // edge, then its inputs. The forward transform leaves the window as it was,
            // for the rechecks.
            const std::size_t a = seg * step;
            const std::size_t m = std::min(step, n - a);
            std::memcpy(window, edges + seg * (N - 1), (N - 1) * sizeof(double));
            kernels.toDouble(in + a, window + N - 1, m);
            std::fill(window + N - 1 + m, window + L, 0.0);
            fftw_execute_dft_r2c(m_forward, window, reinterpret_cast<fftw_complex*>(spectrum));
            kernels.spectrumProduct(spectrum, taps, bins);
            fftw_execute_dft_c2r(m_backward, reinterpret_cast<fftw_complex*>(spectrum), real);

            // First every output from its FFT value, flagging stretches with outputs near
            // a jump (NaN too) or clamped; then those stretches, output by output.
            std::int32_t* const o = out + a;
            const double* const y = real + (N - 1);
            bool* const flags = w.flags.Data();
            kernels.fftConvert(y, o, flags, m, margin, lo, hi, kFlagSpan);
            const double low = lo - 1.0, high = hi + 1.0;
            for (std::size_t from = 0; from < m; from += kFlagSpan) {
                if (!flags[from / kFlagSpan])
                    continue;
                for (std::size_t j = from; j < std::min(m, from + kFlagSpan); ++j) {
                    bool wasClamped = IsClamped(y[j], low, high);
                    if (NearJump(y[j], margin, low, high)) {
                        // The sum Process makes: from 0.0, in increasing tap order.
                        const double* newest = window + (j + N - 1);
                        double sum = 0.0;
                        for (std::size_t k = 0; k < N; ++k)
                            sum += newest[-static_cast<std::ptrdiff_t>(k)] * s.coef[k];
                        o[j] = ToSample(sum, lo, hi, wasClamped);
                        ++w.rechecked;
                    }
                    // A worker takes its segments in increasing order.
                    if (wasClamped && w.clamped++ == 0)
                        w.firstClamped = a + j;
                    if (wasClamped && clampedFlags)
                        clampedFlags[a + j] = 1;
                }
            }
        }
    };
    pool.Run(workers, body);

    std::size_t count = 0, first = n;
    for (int w = 0; w < workers; ++w) {
        count += m_workers[w].clamped;
        if (m_workers[w].clamped > 0)
            first = std::min(first, m_workers[w].firstClamped);
        m_stats.rechecked += m_workers[w].rechecked;
    }
    *clamped = count;
    if (count > 0 && firstClamped)
        *firstClamped = first;
    m_stats.samples += n;
    m_stats.margin = margin;
    WriteHistory(s, last, n);
    return true;
}

} // namespace ravelin
