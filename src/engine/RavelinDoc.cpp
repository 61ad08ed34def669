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
    m_nFilterPreset = kFilterPass;
    m_nInputPreset = kInputTest;
    m_nRunMode = kRunIdle;
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
    m_nRunMode = kRunIdle;
    m_nInterval = kIntervalNormal;
    if (m_listener)
        m_listener->UpdateAllViews();
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
    } else if (m_nStep >= kDemoSteps) {
        return;
    }
    m_out[m_nStep] = Step(m_in[m_nStep]);
    ++m_nStep;
}

void CRavelinDoc::Flush()
{
    for (int i = 0; i < kDemoTaps; ++i)
        Step(0.0);
}

void CRavelinDoc::ApplyDemoFilterPreset()
{
    switch (m_nFilterPreset) {
    case kFilterPass:
        m_h[0] = 1.0;
        break;
    case kFilterDelay5:
        m_h[5] = 1.0;
        break;
    case kFilterEcho5:
        m_h[0] = 0.8;
        m_h[5] = 0.2;
        break;
    case kFilterMa5:
        std::fill_n(m_h.begin(), 5, 0.2);
        break;
    case kFilterLag1:
        std::copy(kFirstOrderLag.begin(), kFirstOrderLag.end(), m_h.begin());
        break;
    case kFilterLag2:
        std::copy(kSecondOrderLag.begin(), kSecondOrderLag.end(), m_h.begin());
        break;
    default:
        return;
    }
    m_nTaps = kDemoTaps;
}

void CRavelinDoc::ApplyDemoInputPreset()
{
    switch (m_nInputPreset) {
    case kInputImpulse:
        m_in[1] = 1.0;
        break;
    case kInputImpulse2:
        m_in[1] = 1.0;
        m_in[4] = 1.0;
        break;
    case kInputTest:
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
    case kFilterPass:
        return LoadTable(f, std::array{1.0});
    case kFilterDelay5:
        if (!f.SetLength(6))
            return false;
        f.SetCoef(5, 1.0);
        return true;
    case kFilterEcho5:
        if (!f.SetLength(6))
            return false;
        f.SetCoef(0, 0.8);
        f.SetCoef(5, 0.2);
        return true;
    case kFilterMa5:
        return LoadTable(f, std::array{0.2, 0.2, 0.2, 0.2, 0.2});
    case kFilterLag1:
        return LoadTable(f, kFirstOrderLag);
    case kFilterLag2:
        return LoadTable(f, kSecondOrderLag);
    case kFilterDelay1023:
        if (!f.SetLength(1024))
            return false;
        f.SetCoef(1023, 1.0);
        return true;
    case kFilterEcho1023:
        if (!f.SetLength(1024))
            return false;
        f.SetCoef(0, 0.9);
        f.SetCoef(1023, 0.2);
        return true;
    case kFilterLpf4:
        return LoadTable(f, kLowPass4);
    case kFilterLpf8:
        return LoadTable(f, kLowPass8);
    case kFilterLpf20:
        return LoadTable(f, kLowPass20);
    case kFilterUser3: {
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
    return m_nFilterPreset >= kFilterPass && m_nFilterPreset <= kFilterLag2 &&
           m_nInputPreset >= kInputImpulse && m_nInputPreset <= kInputTest;
}

SettingsValues CRavelinDoc::Settings() const
{
    return {m_nFilterPreset, m_nInputPreset, m_dUserCoef, m_nUserTap};
}

void CRavelinDoc::ApplySettings(const SettingsValues& values)
{
    m_nFilterPreset = values.filter;
    m_nInputPreset = values.input;
    m_dUserCoef = values.coef;
    m_nUserTap = values.tap;
    m_nStep = 0;
    m_nRunMode = kRunIdle;
    Reset();
}

void CRavelinDoc::PostDrawDiagram()
{
    if (m_listener)
        m_listener->PostDrawDiagram();
}

} // namespace ravelin
