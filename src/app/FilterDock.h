#pragma once

#include "engine/RavelinDoc.h"

#include <QDockWidget>

class QLabel;
class QTabWidget;

namespace ravelin {

class DesignPanel;
class FilterPlot;
class WavePanel;

// The dock beside the diagram: the chosen filter's impulse and magnitude responses,
// the waveforms of the last file run with their play buttons, and the designer, on
// three tabs.
class FilterDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit FilterDock(QWidget* parent = nullptr);

    // Follows the document's settings; the response is computed again only when the
    // filter itself changed, and only once it is to be seen.
    void SetSettings(const SettingsValues& settings);
    // While a designed or loaded filter is the file run's: its name and taps are shown
    // instead of the preset's (SetSettings without them returns to the preset).
    void SetCustomFilter(const QString& name, const std::vector<double>& taps);
    // Hz of the last WAV file opened; 0 for none.
    void SetSampleRate(int hz);
    // Shows the waveforms of a finished run on their tab.
    void ShowRun(const QString& inputPath, const QString& outputPath);
    void StopPlayback();

    FilterPlot* Plot() const { return m_plot; }
    WavePanel* Waves() const { return m_waves; }
    DesignPanel* Designer() const { return m_design; }
    QLabel* Caption() const { return m_caption; }
    QTabWidget* Tabs() const { return m_tabs; }

    // Whether the dock was shown when the program last ended (false at first start).
    static bool LoadShown();
    static void SaveShown(bool shown);

  private:
    QTabWidget* m_tabs = nullptr;
    QLabel* m_caption = nullptr;
    FilterPlot* m_plot = nullptr;
    WavePanel* m_waves = nullptr;
    DesignPanel* m_design = nullptr;
};

} // namespace ravelin
