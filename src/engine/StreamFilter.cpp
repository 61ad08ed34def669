#include "engine/StreamFilter.h"

#include "engine/DirectBlock.h"
#include "engine/FftBlock.h"
#include "engine/FilterState.h"
#include "engine/SimdDispatch.h"
#include "engine/WorkerPool.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <algorithm>
#include <cstring>
#include <new>

// The filter's contract lives here; the ways it is met elsewhere:
//   DirectBlock   ProcessBlock: each output its own sequential sum, in vector lanes
//                 (FirKernels, picked per instruction set by SimdDispatch) and threads
//   FftBlock      ProcessSamples for dense filters: FFT, then exact recomputation of the
//                 outputs that lie near a jump of the truncation and clamping
//   WorkerPool    the threads both share

namespace ravelin {

static_assert(CStreamFilter::kMaxThreads == WorkerPool::kMaxWorkers);

namespace {
// Multiply-adds filtered directly between two looks at whether the FFT's plans are
// ready: some 50 microseconds of work, so that the FFT takes over soon after them.
constexpr std::size_t kPieceWhilePlanning = std::size_t{1} << 21;
} // namespace

CStreamFilter::CStreamFilter() = default;
CStreamFilter::~CStreamFilter() = default;

void CStreamFilter::Release()
{
    m_coef.reset();
    m_delay.reset();
    m_length = 0;
    m_pos = 0;
    m_tapsChanged = true;
    if (m_fft)
        m_fft->ResetStatistics();
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
    return DetectSimd();
}

CStreamFilter::Simd CStreamFilter::ActiveSimd() const
{
    return std::min(m_simdLimit, BestSimd());
}

FftStatistics CStreamFilter::FftStats() const
{
    return m_fft ? m_fft->Statistics() : FftStatistics{};
}

bool CStreamFilter::FftPlanning() const
{
    return m_fft && m_fft->Planning();
}

void CStreamFilter::ScaleFftMargin(double factor)
{
    m_marginScale = factor;
}

// Creates the block operations' working memory, and tells them of new coefficients.
bool CStreamFilter::EnsureWork()
{
    if (!m_block)
        m_block.reset(new (std::nothrow) DirectBlock);
    if (!m_fft)
        m_fft.reset(new (std::nothrow) FftBlock);
    if (!m_pool)
        m_pool.reset(new (std::nothrow) WorkerPool);
    if (!m_block || !m_fft || !m_pool)
        return false;
    if (m_tapsChanged) {
        m_block->TapsChanged();
        m_fft->TapsChanged();
        m_tapsChanged = false;
    }
    return true;
}

FilterState CStreamFilter::State()
{
    return FilterState{m_coef.get(), m_delay.get(), static_cast<std::size_t>(m_length), &m_pos};
}

void CStreamFilter::ProcessBlock(const double* in, double* out, std::size_t n)
{
    if (n == 0)
        return;
    if (m_length < 1) {
        std::fill(out, out + n, 0.0);
        return;
    }
    if (!EnsureWork() ||
        !m_block->Filter(State(), KernelsFor(ActiveSimd()), in, out, n, m_threads, *m_pool)) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = Process(in[i]);
    }
}

std::size_t CStreamFilter::Anticipate(std::size_t n, std::int32_t lo, std::int32_t hi)
{
    if (n == 0 || m_length < 2 || m_samplePath != SamplePath::Automatic || !EnsureWork())
        return n;
    const FilterState s = State();
    if (!m_block->CountTaps(s) || !m_fft->Worthwhile(s, m_block->NonZeroTaps(), n, lo, hi))
        return n;
    m_fft->PlansReady(s);
    return m_fft->BlockFor(s, n, m_threads);
}

std::size_t CStreamFilter::ProcessSamples(const std::int32_t* in, std::int32_t* out, std::size_t n,
                                          std::int32_t lo, std::int32_t hi,
                                          std::size_t* firstClamped, std::uint8_t* clampedFlags)
{
    // Pass-through: 0.0 + x * 1.0 is x, so each output is its input, clamped. Counted
    // before anything is stored, as in and out may be the same array.
    if (n > 0 && m_length == 1 && m_coef[0] == 1.0 && lo <= hi) {
        std::size_t clamped = 0;
        for (std::size_t i = 0; i < n; ++i)
            clamped += static_cast<std::size_t>(in[i] < lo || in[i] > hi);
        if (clamped > 0 && firstClamped)
            *firstClamped = static_cast<std::size_t>(
                std::find_if(in, in + n, [&](std::int32_t v) { return v < lo || v > hi; }) - in);
        if (clampedFlags)
            for (std::size_t i = 0; i < n; ++i)
                clampedFlags[i] = static_cast<std::uint8_t>(in[i] < lo || in[i] > hi);
        m_delay[0] = in[n - 1];
        for (std::size_t i = 0; i < n; ++i)
            out[i] = std::clamp(in[i], lo, hi);
        return clamped;
    }
    std::size_t done = 0, clamped = 0;
    // Adds what filtering [done, done + count) gave, and moves on past it.
    const auto tally = [&](std::size_t count, std::size_t pieceClamped, std::size_t pieceFirst) {
        if (pieceClamped > 0 && clamped == 0 && firstClamped)
            *firstClamped = done + pieceFirst;
        clamped += pieceClamped;
        done += count;
    };
    if (n > 0 && m_length > 1 && m_samplePath != SamplePath::Direct && EnsureWork()) {
        const FilterState s = State();
        m_fft->ScaleMargin(m_marginScale);
        while (done < n) {
            const std::size_t rest = n - done;
            const bool fft = m_samplePath == SamplePath::Fft ||
                             (m_block->CountTaps(s) &&
                              m_fft->Worthwhile(s, m_block->NonZeroTaps(), rest, lo, hi));
            if (!fft)
                break;
            std::size_t pieceClamped = 0, pieceFirst = 0;
            std::uint8_t* const flags = clampedFlags ? clampedFlags + done : nullptr;
            // While another thread makes the FFT's plans, this one filters directly, a
            // short piece at a time, instead of waiting for them.
            if (m_samplePath == SamplePath::Automatic && !m_fft->PlansReady(s)) {
                m_fft->GetReady(s, rest, m_threads, *m_pool);
                const auto taps = static_cast<std::size_t>(std::max(m_block->NonZeroTaps(), 1));
                const std::size_t piece =
                    std::min(rest, std::max<std::size_t>(kPieceWhilePlanning / taps, 256));
                const int threads = m_threads;
                m_threads = 1; // the other processor is planning
                pieceClamped =
                    ProcessSamplesDirect(in + done, out + done, piece, lo, hi, &pieceFirst, flags);
                m_threads = threads;
                m_fft->WorkedWhilePlanning(piece * taps);
                tally(piece, pieceClamped, pieceFirst);
                continue;
            }
            if (m_fft->Filter(s, KernelsFor(ActiveSimd()), in + done, out + done, rest, lo, hi,
                              &pieceClamped, &pieceFirst, flags, m_threads, *m_pool))
                tally(rest, pieceClamped, pieceFirst);
            break;
        }
    }
    if (done < n) {
        std::size_t pieceFirst = 0;
        const std::size_t rest = n - done;
        const std::size_t pieceClamped =
            ProcessSamplesDirect(in + done, out + done, rest, lo, hi, &pieceFirst,
                                 clampedFlags ? clampedFlags + done : nullptr);
        tally(rest, pieceClamped, pieceFirst);
    }
    return clamped;
}

namespace {

// out[i] = y[i] truncated toward zero and clamped to [lo, hi] (NaN to lo); returns how
// many were clamped, those at or beyond lo - 1 or hi + 1 and NaN. SSE2's max and min
// return their second operand for NaN, which is what the scalar form below does.
std::size_t TruncateAndClamp(const double* y, std::int32_t* out, std::size_t m, std::int32_t lo,
                             std::int32_t hi)
{
    const double low = lo, high = hi, below = lo - 1.0, above = hi + 1.0;
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128d low2 = _mm_set1_pd(low), high2 = _mm_set1_pd(high);
    const __m128d below2 = _mm_set1_pd(below), above2 = _mm_set1_pd(above);
    for (; i + 2 <= m; i += 2) {
        const __m128d v = _mm_loadu_pd(y + i);
        const __m128d c = _mm_min_pd(_mm_max_pd(v, low2), high2);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_cvttpd_epi32(c));
        const __m128d outside = _mm_or_pd(_mm_cmpngt_pd(v, below2), _mm_cmpge_pd(v, above2));
        const int mask = _mm_movemask_pd(outside); // two bits; no popcnt in baseline x86-64
        count += static_cast<std::size_t>((mask & 1) + (mask >> 1));
    }
#endif
    for (; i < m; ++i) {
        const double v = y[i];
        double c = v > low ? v : low;
        c = c < high ? c : high;
        out[i] = static_cast<std::int32_t>(c);
        count += static_cast<std::size_t>(IsClamped(v, below, above));
    }
    return count;
}

} // namespace

std::size_t CStreamFilter::ProcessSamplesDirect(const std::int32_t* in, std::int32_t* out,
                                                std::size_t n, std::int32_t lo, std::int32_t hi,
                                                std::size_t* firstClamped,
                                                std::uint8_t* clampedFlags)
{
    // Long pieces keep the block operation's threads busy, yet stay small enough that
    // their scratch memory costs little to touch on a short file; short stack pieces
    // serve a one-tap filter, which needs no block operation, and are the fallback
    // when memory is short.
    constexpr std::size_t kLongPiece = std::size_t{1} << 14;
    constexpr std::size_t kShortPiece = 1024;
    double stackBuffer[2 * kShortPiece];
    const bool oneTap = m_length == 1;
    std::size_t piece = std::min(n, kLongPiece);
    double* x = !oneTap && EnsureWork() ? m_block->Scratch(2 * piece) : nullptr;
    if (!x) {
        piece = kShortPiece;
        x = stackBuffer;
    }
    double* y = x + piece;
    std::size_t clamped = 0;
    for (std::size_t start = 0; start < n; start += piece) {
        const std::size_t m = std::min(piece, n - start);
        for (std::size_t i = 0; i < m; ++i)
            x[i] = in[start + i];
        if (oneTap) {
            // Process's sum for one tap: 0.0 plus the one product; the delay line
            // holds the latest input.
            const double h = m_coef[0];
            for (std::size_t i = 0; i < m; ++i)
                y[i] = 0.0 + x[i] * h;
            m_delay[0] = x[m - 1];
        } else {
            ProcessBlock(x, y, m);
        }
        // Clamping first keeps the cast defined; for finite sums it gives the same
        // value as truncating first. NaN clamps to lo. The first clamped sample is
        // looked for only in a piece that has one.
        const double below = lo - 1.0, above = hi + 1.0;
        const std::size_t piecesClamped = TruncateAndClamp(y, out + start, m, lo, hi);
        if (clampedFlags) {
            std::uint8_t* const flags = clampedFlags + start;
            if (piecesClamped == 0)
                std::memset(flags, 0, m);
            else
                for (std::size_t i = 0; i < m; ++i)
                    flags[i] = static_cast<std::uint8_t>(IsClamped(y[i], below, above));
        }
        if (piecesClamped && clamped == 0 && firstClamped) {
            for (std::size_t i = 0; i < m; ++i) {
                if (IsClamped(y[i], below, above)) {
                    *firstClamped = start + i;
                    break;
                }
            }
        }
        clamped += piecesClamped;
    }
    return clamped;
}

} // namespace ravelin
