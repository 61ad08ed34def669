#pragma once

#include "engine/Commands.h"
#include "engine/Presets.h"
#include "engine/StreamFilter.h"

#include <array>
#include <span>
#include <string>
#include <vector>

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
    // The input preset, or the samples of a file while SetFileDemoInput holds.
    void ApplyDemoInputPreset();

    // The demonstration's input becomes these values (the first kDemoSteps of them,
    // zeros after fewer), times -1 .. 18 in order, and the demonstration starts over
    // (as Reset). It stays until confirmed settings choose an input preset.
    void SetFileDemoInput(std::span<const double> values);
    bool HasFileDemoInput() const { return m_bFileInput; }

    // Loads m_nFilterPreset (or the custom filter, while one is in use) into
    // m_filter. Returns false only when the filter's memory could not be allocated;
    // an unknown preset leaves m_filter as it was.
    bool LoadFilePreset();

    // A designed or loaded filter for the file run in place of the preset, until the
    // settings are applied again. note is the line the run's information text ends
    // with (the caller words it). taps must not be empty.
    void UseCustomFilter(std::vector<double> taps, std::string note);
    bool HasCustomFilter() const { return !m_customTaps.empty(); }
    const std::vector<double>& CustomTaps() const { return m_customTaps; }
    const std::string& CustomNote() const { return m_customNote; }

    // The user filter's taps and coefficients, for FilterTaps.
    UserTaps UserFilter() const { return {m_nUserTap, m_dUserCoef}; }

    // A demonstration filter with a demonstration input (a preset or a file's
    // samples): what the animation can show.
    bool IsDemoPair() const;

    SettingsValues Settings() const;
    // Takes the values of a confirmed settings dialog and restarts the demonstration
    // (which also stops a running animation). The preset chosen there is the file
    // run's filter again.
    void ApplySettings(const SettingsValues& values);

    // Asks the listener to queue a redraw of the diagram.
    void PostDrawDiagram();

    // The demonstration: the register x and the taps h (m_nTaps of them in use), the
    // input and output by time, and how many steps are done.
    std::array<double, kArraySize> m_x{};
    std::array<double, kArraySize> m_h{};
    int m_nTaps = 0;
    std::array<double, kArraySize> m_in{};
    std::array<double, kArraySize> m_out{};
    int m_nStep = 0;
    // The settings dialog's choices, the run mode (kRunIdle .. kRunFile) and the
    // animation interval in milliseconds.
    int m_nFilterPreset = kFilterPass;
    int m_nInputPreset = kInputTest;
    int m_nRunMode = 0;
    int m_nInterval = kIntervalNormal;
    // The user three-tap filter, within kUserTapMin.. and kUserCoefMin.. (Presets.h).
    std::array<int, 3> m_nUserTap = UserTaps{}.tap;
    std::array<double, 3> m_dUserCoef = UserTaps{}.coef;
    // The file run's filter, loaded by LoadFilePreset.
    CStreamFilter m_filter;
    // The file's samples the demonstration takes as its input, while m_bFileInput.
    std::array<double, kDemoSteps> m_dFileInput{};
    bool m_bFileInput = false;

  private:
    IDocListener* m_listener = nullptr;
    std::vector<double> m_customTaps;
    std::string m_customNote;
};

} // namespace ravelin
