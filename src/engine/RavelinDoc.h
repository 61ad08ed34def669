#pragma once

#include "engine/StreamFilter.h"

#include <array>

namespace ravelin {

// What the document needs from whoever shows it. The desktop program implements it
// with its view; the engine's tests and the command-line tool may leave it unset.
class IDocListener {
public:
    virtual ~IDocListener() = default;
    // The whole document changed (Reset): every view repaints.
    virtual void UpdateAllViews() = 0;
    // A demonstration step finished: queue (never call) an off-screen redraw.
    virtual void PostDrawDiagram() = 0;
};

// The eight values the settings dialog edits.
struct SettingsValues {
    int filter = -1;
    int input = -1;
    std::array<double, 3> coef{};
    std::array<int, 3> tap{};
};

// Filter presets: the position of the button in the settings dialog's filter group.
enum FilterPreset : int {
    kFilterNone = -1,
    kFilterPass = 0,
    kFilterDelay5,
    kFilterEcho5,
    kFilterMa5,
    kFilterLag1,
    kFilterLag2,
    kFilterDelay1023, // file run only from here on
    kFilterEcho1023,
    kFilterLpf4,
    kFilterLpf8,
    kFilterLpf20,
    kFilterUser3,
    kFilterCount
};

// Input presets: the position of the button in the dialog's input group.
enum InputPreset : int {
    kInputNone = -1,
    kInputImpulse = 0,
    kInputImpulse2,
    kInputTest,
    kInputFile, // file run only
    kInputCount
};

// Everything the program computes: the ten-tap demonstration, the presets chosen in
// the settings dialog, the run mode and the streaming filter of the file run.
// Array index i of m_in and m_out stands for time i - 1.
class CRavelinDoc {
public:
    static constexpr int kArraySize = 1024;

    CRavelinDoc();

    void SetListener(IDocListener* listener) { m_listener = listener; }

    // Clears the four arrays, the step count and the run mode, sets the normal
    // interval and asks every view to repaint. Presets and m_filter are kept.
    void Reset();

    // Shifts the register by one sample (for m_nTaps >= 2), stores x as the newest
    // sample and returns the sum of products over m_nTaps taps, 0.0 when m_nTaps < 1.
    double Step(double x);

    // One demonstration step: loads the presets on the first step, does nothing once
    // 20 steps are done.
    void Advance();

    // Ten zero samples through Step: clears the register of a ten-tap demonstration.
    void Flush();

    void ApplyDemoFilterPreset();
    void ApplyDemoInputPreset();

    // Loads m_nFilterPreset into m_filter. Returns false only when the filter's
    // memory could not be allocated; an unknown preset leaves m_filter as it was.
    bool LoadFilePreset();

    // 0..5 with 0..2: the pairs the animation can show.
    bool IsDemoPair() const;

    SettingsValues Settings() const;
    // Takes the values of a confirmed settings dialog and restarts the demonstration
    // (which also stops a running animation).
    void ApplySettings(const SettingsValues& values);

    // Asks the listener to queue a redraw of the diagram.
    void PostDrawDiagram();

    // Serialized state, in the order of the original document.
    std::array<double, kArraySize> m_x{};
    std::array<double, kArraySize> m_h{};
    int m_nTaps = 0;
    std::array<double, kArraySize> m_in{};
    std::array<double, kArraySize> m_out{};
    int m_nStep = 0;
    int m_nFilterPreset = kFilterPass;
    int m_nInputPreset = kInputTest;
    int m_nRunMode = 0;
    int m_nInterval = 500;
    std::array<int, 3> m_nUserTap{0, 1, 2};
    std::array<double, 3> m_dUserCoef{0.5 / 1, 0.5 / 2, 0.5 / 3};
    CStreamFilter m_filter;

private:
    IDocListener* m_listener = nullptr;
};

} // namespace ravelin
