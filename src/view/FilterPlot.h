#pragma once

#include "engine/FilterResponse.h"

#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace ravelin {

// The time response of the filter (left: h[n] as stems, or the step response) and its
// frequency response (right: |H(f)| in dB, the phase or the group delay) from 0 to
// half the sample rate. The response is computed once per change of the taps, when
// the widget is first painted, and kept. Each plot zooms and scrolls by wheel, drag
// and keys; a pointer or the keyboard's cursor reads out the value under it. After a
// file run the magnitude plot can show the input's and the output's spectra as well.
class FilterPlot : public QWidget {
    Q_OBJECT

  public:
    enum class TimeView { Impulse, Step };
    enum class FrequencyView { Magnitude, Phase, GroupDelay };
    enum class Pane { Time, Frequency };

    explicit FilterPlot(QWidget* parent = nullptr);

    // Taps equal to the current ones change nothing (the response is kept).
    void SetTaps(std::vector<double> taps);
    const std::vector<double>& Taps() const { return m_taps; }

    // Hz per sample of the frequency axis; 0 shows cycles per sample.
    void SetSampleRate(int hz);
    int SampleRate() const { return m_sampleRate; }

    // The averaged spectra of the last run's input and output in dB, bin k of n at
    // k / (2 (n - 1)) cycles per sample, drawn under |H(f)|; empty vectors remove them.
    void SetSpectra(std::vector<double> inputDb, std::vector<double> outputDb, int rate);
    bool HasSpectra() const { return !m_inputDb.empty() || !m_outputDb.empty(); }

    void SetTimeView(TimeView view);
    TimeView GetTimeView() const { return m_timeView; }
    void SetFrequencyView(FrequencyView view);
    FrequencyView GetFrequencyView() const { return m_frequencyView; }
    void SetLogFrequency(bool log);
    bool LogFrequency() const { return m_log; }
    // The dB shown in the magnitude plot: [top - range, top].
    void SetDbRange(double top, double range);
    double DbTop();
    double DbRange();
    // Shows the pass band (within 3 dB of the peak) with a dB range that shows its ripple.
    void ZoomPassBand();
    // Both plots back to their whole extent and automatic scales.
    void FitAll();

    // The plot the keys act on; a click or Ctrl+Left/Right chooses it.
    Pane ActivePane() const { return m_active; }
    void SetActivePane(Pane pane);

    // The response of the current taps (computed now if it is due).
    const FrequencyResponse& Response();
    // How many times the response has been computed (for tests of the cache).
    int Computations() const { return m_computations; }

    // The time plot over the frequency plot instead of beside it, where the widget is
    // tall and narrow.
    bool Stacked() const;

    // Geometry of the two plot areas at the widget's current size, and where a
    // value lands in them.
    QRect ImpulseRect() const;
    QRect MagnitudeRect() const;
    double XForTap(double n) const;
    double YForTap(double value) const;
    double XForFrequency(double cyclesPerSample) const;
    double FrequencyAt(double x) const;
    double TapAt(double x) const;
    // The value axis of the frequency plot in its current view (dB, degrees, samples).
    double YForDb(double db);
    // The visible span of either plot's horizontal axis.
    std::pair<double, double> TapSpan() const { return {m_tap0, m_tap1}; }
    std::pair<double, double> FrequencySpan() const { return {m_f0, m_f1}; }
    // The read-out at the pointer or the keyboard's cursor, empty while there is none.
    QString Readout() const { return m_readout; }
    // What the plots show, in words (also the accessible description).
    QString Summary();

    // The data behind the plots as CSV text (UTF-8, a header line, "." decimals).
    std::string TimeCsv() const;
    std::string FrequencyCsv();
    std::string SpectraCsv() const;

    QSize sizeHint() const override { return {720, 260}; }
    QSize minimumSizeHint() const override { return {360, 180}; }

  signals:
    // The view, the axis or a scale changed (the panel's controls follow).
    void viewChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    struct Range {
        double lo = 0.0;
        double hi = 1.0;
        bool automatic = true;
    };

    // Each plot's share of the widget, with its title and captions.
    QRect TimePane() const;
    QRect FrequencyPane() const;
    QString TimeCaption() const;
    QString FrequencyCaption() const;
    int CaptionLines(const QRect& pane, const QString& caption) const;
    int BottomLines(Pane pane) const;
    const std::pair<QRect, QRect>& Areas() const;
    void PaintTime(QPainter& p, const QRect& area);
    void PaintFrequency(QPainter& p, const QRect& area);
    void PaintCurve(QPainter& p, const QRect& area, const std::vector<double>& values, double wrap,
                    const QColor& colour);
    void PaintFocus(QPainter& p);
    void UpdateReadout(const QPoint& at);
    void Changed();
    // The values the frequency plot shows in its current view.
    const std::vector<double>& FrequencyValues();
    // The value range of the frequency plot's view, automatic unless zoomed.
    Range& ValueRange();
    Range AutoValueRange();
    double TopDb();
    const std::vector<double>& TimeValues() const;
    std::pair<double, double> TapRange() const;
    double LogFloor() const;
    void ZoomTime(double factor, double atTap);
    void ZoomFrequency(double factor, double atX);
    void ZoomValues(double factor);
    void PanFrequency(double pixels);
    void PanTime(double pixels);
    void MoveCursor(int pixels);
    void FitTime();
    void FitFrequency();

    std::vector<double> m_taps;
    std::vector<double> m_step;
    FrequencyResponse m_response;
    std::vector<double> m_phaseDegrees;
    double m_responsePeakDb = 0.0; // the highest point of m_response, 0 dB at least
    double m_spectraPeakDb = 0.0;  // the highest point of the spectra, 0 dB at least
    // Each frequency view's automatic range, found once per response and spectra: every
    // point's y asks for it.
    std::array<std::optional<Range>, 3> m_autoValues{};
    bool m_dirty = true;
    int m_computations = 0;
    int m_sampleRate = 0;
    std::vector<double> m_inputDb;
    std::vector<double> m_outputDb;

    TimeView m_timeView = TimeView::Impulse;
    FrequencyView m_frequencyView = FrequencyView::Magnitude;
    Pane m_active = Pane::Frequency;
    bool m_log = false;
    // The time and frequency plots at the size they were measured for.
    mutable std::optional<std::pair<QRect, QRect>> m_areas;
    mutable QSize m_areasSize;
    double m_tap0 = -0.5;
    double m_tap1 = 0.5;
    bool m_tapAuto = true;
    double m_f0 = 0.0;
    double m_f1 = 0.5;
    std::array<Range, 3> m_values{};

    std::optional<QPoint> m_pointer;
    std::optional<QPoint> m_dragFrom;
    QString m_readout;
};

} // namespace ravelin
