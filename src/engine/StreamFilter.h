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
    CStreamFilter() = default;
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
    // split into blocks anywhere. in and out may be the same array.
    void ProcessBlock(const double* in, double* out, std::size_t n);

    int Length() const { return m_nLength; }
    double Coef(int i) const { return (i >= 0 && i < m_nLength) ? m_pCoef[i] : 0.0; }

private:
    void Release();

    std::unique_ptr<double[]> m_pCoef;
    std::unique_ptr<double[]> m_pDelay;
    int m_nLength = 0;
    int m_nPos = 0; // slot of the next input sample; moves backwards
};

} // namespace ravelin
