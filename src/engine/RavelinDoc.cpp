#include "engine/RavelinDoc.h"

#include "engine/Commands.h"
#include "engine/LagTables.h"
#include "engine/LowPassTables.h"

#include <algorithm>
#include <span>

namespace ravelin {

CRavelinDoc::CRavelinDoc()
{
    Reset();
    m_nFilterPreset = FILTER_PASS;
    m_nInputPreset = INPUT_TEST;
    m_nRunMode = RUN_IDLE;
    m_nUserTap = {0, 1, 2};
    for (int i = 0; i < 3; ++i)
        m_dUserCoef[i] = 0.5 / (i + 1);
}

void CRavelinDoc::Reset()
{
    m_out.fill(0.0);
    m_in.fill(0.0);
    m_h.fill(0.0);
    m_x.fill(0.0);
    m_nStep = 0;
    m_nTaps = 0;
    m_nRunMode = RUN_IDLE;
    m_nInterval = INTERVAL_NORMAL;
    if (m_pListener)
        m_pListener->UpdateAllViews();
}

double CRavelinDoc::Step(double x)
{
    const int n = m_nTaps;
    for (int k = n - 1; k >= 1; --k)
        m_x[k] = m_x[k - 1];
    m_x[0] = x;
    if (n < 1)
        return 0.0;
    double sum = 0.0;
    for (int k = 0; k < n; ++k)
        sum += m_h[k] * m_x[k];
    return sum;
}

void CRavelinDoc::Advance()
{
    if (m_nStep == 0) {
        ApplyDemoFilterPreset();
        ApplyDemoInputPreset();
    } else if (m_nStep >= DEMO_STEPS) {
        return;
    }
    m_out[m_nStep] = Step(m_in[m_nStep]);
    ++m_nStep;
}

void CRavelinDoc::Flush()
{
    for (int i = 0; i < DEMO_TAPS; ++i)
        Step(0.0);
}

void CRavelinDoc::ApplyDemoFilterPreset()
{
    switch (m_nFilterPreset) {
    case FILTER_PASS:
        m_h[0] = 1.0;
        break;
    case FILTER_DELAY5:
        m_h[5] = 1.0;
        break;
    case FILTER_ECHO5:
        m_h[0] = 0.8;
        m_h[5] = 0.2;
        break;
    case FILTER_MA5:
        std::fill_n(m_h.begin(), 5, 0.2);
        break;
    case FILTER_LAG1:
        std::copy(kFirstOrderLag.begin(), kFirstOrderLag.end(), m_h.begin());
        break;
    case FILTER_LAG2:
        std::copy(kSecondOrderLag.begin(), kSecondOrderLag.end(), m_h.begin());
        break;
    default:
        return;
    }
    m_nTaps = DEMO_TAPS;
}

void CRavelinDoc::ApplyDemoInputPreset()
{
    switch (m_nInputPreset) {
    case INPUT_IMPULSE:
        m_in[1] = 1.0;
        break;
    case INPUT_IMPULSE2:
        m_in[1] = 1.0;
        m_in[4] = 1.0;
        break;
    case INPUT_TEST:
        m_in[1] = 1.0;
        m_in[2] = -0.5;
        m_in[4] = 1.0;
        m_in[5] = -0.5;
        m_in[7] = 0.25;
        break;
    default:
        break;
    }
}

namespace {

bool LoadTable(CStreamFilter& filter, std::span<const double> taps)
{
    if (!filter.SetLength(static_cast<int>(taps.size())))
        return false;
    for (std::size_t i = 0; i < taps.size(); ++i)
        filter.SetCoef(static_cast<int>(i), taps[i]);
    return true;
}

} // namespace

bool CRavelinDoc::LoadFilePreset()
{
    CStreamFilter& f = m_filter;
    switch (m_nFilterPreset) {
    case FILTER_PASS:
        return LoadTable(f, std::array{1.0});
    case FILTER_DELAY5:
        if (!f.SetLength(6))
            return false;
        f.SetCoef(5, 1.0);
        return true;
    case FILTER_ECHO5:
        if (!f.SetLength(6))
            return false;
        f.SetCoef(0, 0.8);
        f.SetCoef(5, 0.2);
        return true;
    case FILTER_MA5:
        return LoadTable(f, std::array{0.2, 0.2, 0.2, 0.2, 0.2});
    case FILTER_LAG1:
        return LoadTable(f, kFirstOrderLag);
    case FILTER_LAG2:
        return LoadTable(f, kSecondOrderLag);
    case FILTER_DELAY1023:
        if (!f.SetLength(1024))
            return false;
        f.SetCoef(1023, 1.0);
        return true;
    case FILTER_ECHO1023:
        if (!f.SetLength(1024))
            return false;
        f.SetCoef(0, 0.9);
        f.SetCoef(1023, 0.2);
        return true;
    case FILTER_LPF4:
        return LoadTable(f, kLowPass4);
    case FILTER_LPF8:
        return LoadTable(f, kLowPass8);
    case FILTER_LPF20:
        return LoadTable(f, kLowPass20);
    case FILTER_USER3: {
        // Taps whose coefficient is exactly zero count neither for the length nor
        // for the coefficients; a later entry naming the same tap wins.
        int m = 0;
        for (int i = 0; i < 3; ++i)
            if (m_nUserTap[i] > m && m_dUserCoef[i] != 0.0)
                m = m_nUserTap[i];
        if (!f.SetLength(m + 1))
            return false;
        for (int i = 0; i < 3; ++i)
            if (m_dUserCoef[i] != 0.0)
                f.SetCoef(m_nUserTap[i], m_dUserCoef[i]);
        return true;
    }
    default:
        return true;
    }
}

bool CRavelinDoc::IsDemoPair() const
{
    return m_nFilterPreset >= FILTER_PASS && m_nFilterPreset <= FILTER_LAG2 &&
           m_nInputPreset >= INPUT_IMPULSE && m_nInputPreset <= INPUT_TEST;
}

SettingsValues CRavelinDoc::Settings() const
{
    return {m_nFilterPreset, m_nInputPreset, m_dUserCoef, m_nUserTap};
}

void CRavelinDoc::ApplySettings(const SettingsValues& values)
{
    m_nFilterPreset = values.nFilter;
    m_nInputPreset = values.nInput;
    m_dUserCoef = values.dCoef;
    m_nUserTap = values.nTap;
    m_nStep = 0;
    m_nRunMode = RUN_IDLE;
    Reset();
}

void CRavelinDoc::PostDrawDiagram()
{
    if (m_pListener)
        m_pListener->PostDrawDiagram();
}

} // namespace ravelin
