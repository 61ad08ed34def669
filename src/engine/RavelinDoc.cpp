#include "engine/RavelinDoc.h"

#include "engine/Commands.h"

#include <algorithm>
#include <span>
#include <vector>

namespace ravelin {

// The presets start as the member initializers say: pass, the test signal and the
// user filter of UserTaps.
CRavelinDoc::CRavelinDoc()
{
    Reset();
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
    if (!IsDemoFilter(m_nFilterPreset))
        return;
    const std::span<const double> taps = kFilterPresets[m_nFilterPreset].taps;
    std::copy(taps.begin(), taps.end(), m_h.begin());
    m_nTaps = kDemoTaps;
}

void CRavelinDoc::ApplyDemoInputPreset()
{
    if (m_bFileInput) {
        std::copy(m_dFileInput.begin(), m_dFileInput.end(), m_in.begin());
        return;
    }
    if (!IsDemoInput(m_nInputPreset))
        return;
    // Index 1 holds time 0.
    const std::span<const double> samples = kInputPresets[m_nInputPreset].samples;
    std::copy(samples.begin(), samples.end(), m_in.begin() + 1);
}

bool CRavelinDoc::LoadFilePreset()
{
    // An unknown preset leaves the filter as it was.
    if (m_customTaps.empty() && (m_nFilterPreset < 0 || m_nFilterPreset >= kFilterCount))
        return true;
    const std::vector<double> taps =
        m_customTaps.empty() ? FilterTaps(m_nFilterPreset, UserFilter()) : m_customTaps;
    if (!m_filter.SetLength(static_cast<int>(taps.size())))
        return false;
    for (std::size_t k = 0; k < taps.size(); ++k)
        if (taps[k] != 0.0)
            m_filter.SetCoef(static_cast<int>(k), taps[k]);
    return true;
}

void CRavelinDoc::SetFileDemoInput(std::span<const double> values)
{
    m_dFileInput.fill(0.0);
    std::copy_n(values.begin(), std::min<std::size_t>(values.size(), kDemoSteps),
                m_dFileInput.begin());
    m_bFileInput = true;
    Reset();
}

void CRavelinDoc::UseCustomFilter(std::vector<double> taps, std::string note)
{
    m_customTaps = std::move(taps);
    m_customNote = std::move(note);
}

bool CRavelinDoc::IsDemoPair() const
{
    return IsDemoFilter(m_nFilterPreset) && (m_bFileInput || IsDemoInput(m_nInputPreset));
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
    // Choosing an input preset ends the demonstration on a file's samples.
    if (values.input != kInputFile)
        m_bFileInput = false;
    m_customTaps.clear();
    m_customNote.clear();
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
