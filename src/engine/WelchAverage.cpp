#include "engine/WelchAverage.h"

#include "engine/FftBlock.h"
#include "engine/FilterResponse.h"

#include <algorithm>
#include <cmath>
#include <fftw3.h>
#include <numbers>

namespace ravelin {

namespace {

// The periodic Hann window: its halves overlapped by half a segment add up to one.
std::vector<double> Hann(std::size_t length)
{
    std::vector<double> w(length);
    for (std::size_t i = 0; i < length; ++i)
        w[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                    static_cast<double>(length));
    return w;
}

} // namespace

SpectrumAccumulator::SpectrumAccumulator(double fullScale, std::size_t segment)
    : m_fullScale(fullScale > 0 ? fullScale : 1.0), m_segment(std::max<std::size_t>(segment, 4))
{
    m_segment -= m_segment % 2;
    m_window = Hann(m_segment);
    for (double w : m_window)
        m_windowSum += w;
    m_pending.assign(m_segment, 0.0);
    m_sum.assign(Bins(), 0.0);
    m_power.assign(Bins(), 0.0);
    m_in = fftw_alloc_real(m_segment);
    m_out = reinterpret_cast<double*>(fftw_alloc_complex(Bins()));
    if (!m_in || !m_out)
        return;
    std::lock_guard<std::mutex> lock(FftwPlannerMutex());
    m_plan = fftw_plan_dft_r2c_1d(static_cast<int>(m_segment), m_in,
                                  reinterpret_cast<fftw_complex*>(m_out), FFTW_ESTIMATE);
}

SpectrumAccumulator::~SpectrumAccumulator()
{
    if (m_plan) {
        std::lock_guard<std::mutex> lock(FftwPlannerMutex());
        fftw_destroy_plan(m_plan);
    }
    fftw_free(m_in);
    fftw_free(m_out);
}

double SpectrumAccumulator::Transform(std::size_t length, std::vector<double>& power) const
{
    // Too short for a Hann window to leave anything: the samples as they are.
    const std::vector<double> shortWindow = length == m_segment ? std::vector<double>()
                                            : length < 4        ? std::vector<double>(length, 1.0)
                                                                : Hann(length);
    const std::vector<double>& w = length == m_segment ? m_window : shortWindow;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        m_in[i] = m_pending[i] * w[i];
        windowSum += w[i];
    }
    std::fill(m_in + length, m_in + m_segment, 0.0);
    fftw_execute(m_plan);
    for (std::size_t k = 0; k < Bins(); ++k) {
        const double re = m_out[2 * k];
        const double im = m_out[2 * k + 1];
        power[k] = re * re + im * im;
    }
    return windowSum;
}

void SpectrumAccumulator::Add(const std::int32_t* samples, std::size_t n)
{
    if (!m_plan)
        return;
    const std::size_t hop = m_segment / 2;
    while (n > 0) {
        const std::size_t take = std::min(n, m_segment - m_filled);
        for (std::size_t i = 0; i < take; ++i)
            m_pending[m_filled + i] = static_cast<double>(samples[i]);
        m_filled += take;
        samples += take;
        n -= take;
        if (m_filled < m_segment)
            break;
        Transform(m_segment, m_power);
        for (std::size_t k = 0; k < Bins(); ++k)
            m_sum[k] += m_power[k];
        ++m_segments;
        // The second half starts the next segment.
        std::copy(m_pending.begin() + static_cast<std::ptrdiff_t>(hop), m_pending.end(),
                  m_pending.begin());
        m_filled = m_segment - hop;
    }
}

std::vector<double> SpectrumAccumulator::ResultDb() const
{
    std::vector<double> power;
    double windowSum = m_windowSum;
    double count = static_cast<double>(m_segments);
    if (m_segments > 0) {
        power = m_sum;
    } else if (m_filled > 0 && m_plan) {
        power.assign(Bins(), 0.0);
        windowSum = Transform(m_filled, power);
        count = 1.0;
    } else {
        return {};
    }
    // A sine of amplitude A centred on a bin gives |X| = A * windowSum / 2 there.
    const double scale = 2.0 / (windowSum * m_fullScale);
    std::vector<double> db(Bins());
    for (std::size_t k = 0; k < Bins(); ++k) {
        const double amplitude = std::sqrt(power[k] / count) * scale;
        db[k] = amplitude > 0.0 ? std::max(kFloorDb, 20.0 * std::log10(amplitude)) : kFloorDb;
    }
    return db;
}

} // namespace ravelin
