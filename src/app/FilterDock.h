#pragma once

#include "engine/RavelinDoc.h"

#include <QDockWidget>

class QLabel;
class QMainWindow;
class QTabWidget;

namespace ravelin {

class FilterPlot;
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
    // Shows the waveforms of a finished run on their tab.
    void ShowRun(const QString& inputPath, const QString& outputPath);
    void StopPlayback();

    FilterPlot* Plot() const { return m_plot; }
    WavePanel* Waves() const { return m_waves; }
    QTabWidget* Tabs() const { return m_tabs; }

    // Shows or hides the dock in window; false when it already was so. Below a window
    // in its normal state the window grows by the dock's height (within the screen),
    // or by what the dock took the last time it went, so that hiding and showing come
    // back to the same size; the diagram keeps its room.
    bool ShowIn(QMainWindow& window, bool show);
    // The window came up with the dock shown: when the dock goes, the window gives back
    // what the dock takes at that time.
    void CameUpShown() { m_growth = -1; }
    // The dock has gone: the window gives back what it grew for it (unless maximised
    // or full screen meanwhile, or the dock is beside the diagram).
    void GiveBackGrowth(QMainWindow& window);
    // In a window too low for both, the dock gives way to view (the diagram) and view
    // keeps its room; the dock takes back what it gave as the window grows again.
    void FitBeside(QMainWindow& window, const QWidget& view);

    // Whether the dock was shown when the program last ended (false at first start).
    static bool LoadShown();
    static void SaveShown(bool shown);

  private:
    QTabWidget* m_tabs = nullptr;
    QLabel* m_caption = nullptr;
    FilterPlot* m_plot = nullptr;
    WavePanel* m_waves = nullptr;
    bool AcrossTheWindow(const QMainWindow& window);

    // Pixels the window grew when the dock was shown, given back when it goes; -1 when
    // it came up with the dock, which then gives back what the dock takes at that time.
    int m_growth = 0;
    int m_room = 0;    // what the dock took when it last went, for its next showing
    int m_gaveWay = 0; // the dock's height before it gave way to the diagram; 0 if not
};

} // namespace ravelin
