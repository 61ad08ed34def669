#pragma once

#include "engine/RavelinDoc.h"

#include <QDockWidget>
#include <cstdint>
#include <memory>

class QLabel;
class QMainWindow;
class QTabWidget;

namespace ravelin {

class FilterPlot;
class RunSummaries;
class WavePanel;

// The dock beside the diagram: the chosen filter's impulse and magnitude responses,
// and the waveforms of the last file run with their play buttons, on two tabs.
class FilterDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit FilterDock(QWidget* parent = nullptr);

    // Follows the document's settings; the response is computed again only when the
    // filter itself changed, and only once it is to be seen.
    void SetSettings(const SettingsValues& settings);
    // Hz of the last WAV file opened; 0 for none.
    void SetSampleRate(int hz);
    // Shows the waveforms of a finished run on their tab, from what the run recorded
    // (or, without it, from the files).
    void ShowRun(const QString& inputPath, const QString& outputPath,
                 std::shared_ptr<const RunSummaries> run = {});
    void StopPlayback();

    FilterPlot* Plot() const { return m_plot; }
    WavePanel* Waves() const { return m_waves; }
    QTabWidget* Tabs() const { return m_tabs; }

    // Shows or hides the dock in window; false when it already was so. Below a window
    // in its normal state the window grows by the dock's height (within the screen),
    // so that the diagram keeps its room.
    bool ShowIn(QMainWindow& window, bool show);
    // The dock has gone: the window gives back what it grew for it (unless maximised
    // or full screen meanwhile).
    void GiveBackGrowth(QMainWindow& window);

    // Whether the dock was shown when the program last ended (false at first start).
    static bool LoadShown();
    static void SaveShown(bool shown);

  private:
    QTabWidget* m_tabs = nullptr;
    QLabel* m_caption = nullptr;
    FilterPlot* m_plot = nullptr;
    WavePanel* m_waves = nullptr;
    int m_growth = 0;         // pixels the window grew when the dock was shown
    std::int64_t m_delay = 0; // of the chosen filter, when symmetric
};

} // namespace ravelin
