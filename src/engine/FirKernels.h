#pragma once

// Inner loops of CStreamFilter::ProcessBlock, built once per instruction set
// (FirKernels.inc compiled by FirKernelsBase.cpp, FirKernelsAvx2.cpp and
// FirKernelsAvx512.cpp) and chosen at run time.
//
// Every kernel computes each output as its own sequential sum: start at +0.0, then
// for t = 0, 1, ... add (input * coef[t]) in that order, one rounding for the product
// and one for the sum, exactly as CStreamFilter::Process does per sample. Vector lanes
// only hold different outputs side by side; no sum is ever split or reordered.
//
// A tap list holds the taps to add in increasing tap index k, as back[t] = N - 1 - k
// (how far the input lies behind the newest one of a window) and coef[t] = h[k].

#include <cstddef>
#include <cstdint>

namespace ravelin::fir {

struct KernelSet {
    const char* name;
    int lanes;   // doubles per vector
    int rowTile; // rows per tile of the dense kernel; its row count must be a multiple

    // out[j] = sum over t of base[j + back[t]] * coef[t], for j in [0, m).
    // base is the oldest input the first output can see; out must not overlap base's range.
    void (*linear)(const double* base, double* out, std::size_t m, const int* back,
                   const double* coef, int count);

    // Interleaved form: rows holds `lanes` independent signals side by side, row r of
    // all of them at rows + r * lanes (aligned to the vector size). For the L output
    // rows r in [0, L): acc row r (+)= sum over t of rows[r + back[t]] * coef[t].
    // first: the sums start at +0.0; otherwise they go on from the values in acc.
    // L is a multiple of rowTile.
    void (*dense)(const double* rows, double* acc, std::size_t rowCount, const int* back,
                  const double* coef, int count, bool first);

    // rows[r * lanes + l] = base[l * L + r] if that index is below baseLen, else 0.0,
    // for r in [0, rowCount).
    void (*interleave)(double* rows, const double* base, std::size_t baseLen, std::size_t L,
                       std::size_t rowCount);

    // out[l * L + r] = acc[r * lanes + l] for every l * L + r below m.
    void (*deinterleave)(double* out, const double* acc, std::size_t L, std::size_t m);

    // Index of the last value in p[0, n) that is an infinity or a NaN, or -1.
    std::ptrdiff_t (*lastNonFinite)(const double* p, std::size_t n);

    // The FFT path's steps between and after its transforms (FftBlock.cpp), whose
    // results do not depend on the lanes either: each value is the same few roundings.
    // spectrum[i] *= taps[i] for `bins` interleaved complex values, each product as
    // (xr tr - xi ti, xr ti + xi tr).
    void (*spectrumProduct)(double* spectrum, const double* taps, std::size_t bins);

    // out[j] = y[j] clamped to [lo, hi] and truncated toward zero (a NaN to hi), for j in
    // [0, m); flags[c] = whether some y[j] of [c * span, (c + 1) * span) lies within
    // margin of a non-zero integer of [lo - 1, hi + 1] (after rounding to the nearest
    // integer, which needs |y| < 2^51), at or beyond lo - 1 or hi + 1, or is a NaN.
    // span is a multiple of 8.
    void (*fftConvert)(const double* y, std::int32_t* out, bool* flags, std::size_t m,
                       double margin, std::int32_t lo, std::int32_t hi, std::size_t span);

    // out[i] = in[i] for i in [0, n) (exact).
    void (*toDouble)(const std::int32_t* in, double* out, std::size_t n);

    // *least = min(*least, in[0, n)) and *most = max(*most, in[0, n)).
    void (*range)(const std::int32_t* in, std::size_t n, std::int32_t* least, std::int32_t* most);
};

extern const KernelSet kBaselineKernels;
#if defined(RAVELIN_FIR_X86)
extern const KernelSet kAvx2Kernels;
extern const KernelSet kAvx512Kernels;
#endif

} // namespace ravelin::fir
