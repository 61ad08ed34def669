#pragma once

#include "engine/RavelinDoc.h"

#include <QDockWidget>

class QLabel;
class QTabWidget;

namespace ravelin {

class CFilterPlot;
class CWavePanel;

// The dock beside the diagram: the chosen filter's impulse and magnitude responses,
// and the waveforms of the last file run with their play buttons, on two tabs.
class CFilterDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit CFilterDock(QWidget* parent = nullptr);

    // Follows the document's settings; the response is computed again only when the
    // filter itself changed, and only once it is to be seen.
    void SetSettings(const SettingsValues& settings);
    // Hz of the last WAV file opened; 0 for none.
    void SetSampleRate(int hz);
    // Shows the waveforms of a finished run on their tab.
    void ShowRun(const QString& inputPath, const QString& outputPath);
    void StopPlayback();

    CFilterPlot* Plot() const { return m_pPlot; }
    CWavePanel* WavePanel() const { return m_pWaves; }
    QTabWidget* Tabs() const { return m_pTabs; }

    // Whether the dock was shown when the program last ended (false at first start).
    static bool LoadShown();
    static void SaveShown(bool shown);

  private:
    QTabWidget* m_pTabs = nullptr;
    QLabel* m_pCaption = nullptr;
    CFilterPlot* m_pPlot = nullptr;
    CWavePanel* m_pWaves = nullptr;
};

} // namespace ravelin
