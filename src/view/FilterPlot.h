#pragma once

#include "engine/FilterResponse.h"

#include <QWidget>
#include <optional>
#include <vector>

namespace ravelin {

// The impulse response h[n] as a stem plot (left) and the magnitude response |H(f)|
// in dB from 0 to half the sample rate (right). The response is computed once per
// change of the taps, when the widget is first painted, and kept. A pointer over
// either plot reads out the value under it.
class FilterPlot : public QWidget {
    Q_OBJECT

  public:
    explicit FilterPlot(QWidget* parent = nullptr);

    // Taps equal to the current ones change nothing (the response is kept).
    void SetTaps(std::vector<double> taps);
    const std::vector<double>& Taps() const { return m_taps; }

    // Hz per sample of the frequency axis; 0 shows cycles per sample.
    void SetSampleRate(int hz);
    int SampleRate() const { return m_sampleRate; }

    // The response of the current taps (computed now if it is due).
    const FrequencyResponse& Response();
    // How many times the response has been computed (for tests of the cache).
    int Computations() const { return m_computations; }

    // Geometry of the two plot areas at the widget's current size, and where a
    // value lands in them.
    QRect ImpulseRect() const;
    QRect MagnitudeRect() const;
    double XForTap(double n) const;
    double YForTap(double value) const;
    double XForFrequency(double cyclesPerSample) const;
    double YForDb(double db);
    // The pointer's read-out, empty while the pointer is over neither plot.
    QString Readout() const { return m_readout; }

    QSize sizeHint() const override { return {720, 260}; }
    QSize minimumSizeHint() const override { return {360, 180}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void PaintImpulse(QPainter& p, const QRect& area);
    void PaintMagnitude(QPainter& p, const QRect& area);
    void UpdateReadout(const QPoint& at);
    // The dB range shown: at least 10 dB above the peak in steps of 10, 90 dB tall.
    double TopDb();
    std::pair<double, double> TapRange() const;

    std::vector<double> m_taps;
    FrequencyResponse m_response;
    double m_topDb = 10.0; // TopDb of m_response
    bool m_dirty = true;
    int m_computations = 0;
    int m_sampleRate = 0;
    std::optional<QPoint> m_pointer;
    QString m_readout;
};

} // namespace ravelin
