#pragma once

#include "engine/RavelinDoc.h"

#include <QDockWidget>
#include <cstdint>
#include <memory>

class QLabel;
class QMainWindow;
class QTabWidget;

namespace ravelin {

class DesignPanel;
class FilterPlot;
class RunSummaries;
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
    // Shows the waveforms of a finished run on their tab, from what the run recorded
    // (or, without it, from the files).
    void ShowRun(const QString& inputPath, const QString& outputPath,
                 std::shared_ptr<const RunSummaries> run = {});
    void StopPlayback();

    // Whether the settings' filter is one the ten-tap animation can show.
    bool CanAnimate() const { return m_canAnimate; }

    FilterPlot* Plot() const { return m_plot; }
    WavePanel* Waves() const { return m_waves; }
    DesignPanel* Designer() const { return m_design; }
    QLabel* Caption() const { return m_caption; }
    QTabWidget* Tabs() const { return m_tabs; }
    // The pages (the response, the waveforms, the designer) sit in scroll areas on the
    // tabs: these show one and tell which is shown.
    void ShowPage(QWidget* page);
    QWidget* CurrentPage() const;

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
    // The window was laid out again without a resize: the first time after the dock was
    // shown, as FitBeside (the window may not have grown enough for it); otherwise the
    // heights the user gave stay.
    void LaidOut(QMainWindow& window, const QWidget& view);

    // Whether the dock was shown when the program last ended (false at first start).
    static bool LoadShown();
    static void SaveShown(bool shown);

  signals:
    // The waveforms' "この位置からアニメーション": the last run's input from this sample on.
    void animateFromFile(const QString& inputPath, std::int64_t sample);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void UpdateAnimateHere();

    QString m_inputPath;
    bool m_canAnimate = false;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_caption = nullptr;
    FilterPlot* m_plot = nullptr;
    WavePanel* m_waves = nullptr;
    bool AcrossTheWindow(const QMainWindow& window);

    // Pixels the window grew when the dock was shown, given back when it goes; -1 when
    // it came up with the dock, which then gives back what the dock takes at that time.
    int m_growth = 0;
    int m_room = 0;           // what the dock took when it last went, for its next showing
    int m_gaveWay = 0;        // the dock's height before it gave way to the diagram; 0 if not
    int m_settled = 0;        // the dock's height while the diagram had its room
    int m_windowHeight = 0;   // the window's, when FitBeside last saw it
    bool m_justShown = false; // until the window's next layout
    std::int64_t m_delay = 0; // of the chosen filter, when symmetric
    DesignPanel* m_design = nullptr;
};

} // namespace ravelin
