#include "engine/StreamFilter.h"

#include <new>

namespace ravelin {

CStreamFilter::~CStreamFilter() = default;

void CStreamFilter::Release()
{
    m_pCoef.reset();
    m_pDelay.reset();
    m_nLength = 0;
    m_nPos = 0;
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
    m_pCoef = std::move(coef);
    m_pDelay = std::move(delay);
    m_nLength = n;
    return 1;
}

int CStreamFilter::SetCoef(int i, double value)
{
    if (i < 0 || i >= m_nLength)
        return 0;
    m_pCoef[i] = value;
    return 1;
}

double CStreamFilter::Process(double x)
{
    if (m_nLength < 1)
        return 0.0;
    m_pDelay[m_nPos] = x;
    double sum = 0.0;
    int q = m_nPos;
    for (int k = 0; k < m_nLength; ++k) {
        sum += m_pDelay[q] * m_pCoef[k];
        if (++q == m_nLength)
            q = 0;
    }
    if (--m_nPos < 0)
        m_nPos = m_nLength - 1;
    return sum;
}

void CStreamFilter::ProcessBlock(const double* in, double* out, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = Process(in[i]);
}

} // namespace ravelin
