#pragma once

#include "engine/WaveSummary.h"
#include "files/SampleCodec.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class QAction;

namespace ravelin {

class WavSampleReader;

// One signal of the last run over a range of time: in each pixel column the lowest and
// highest sample that falls in it (from the summary, or from the file when zoomed in
// far enough to need single samples, which then show as stems), on the format's full
// scale with an amplitude scale on the left and a time axis below. Clipped outputs are
// marked by triangles at the top and bottom edge. It shows the playing position, the
// selected range and the sample under the pointer or the keyboard cursor.
//
// The view does not change its own range: it asks for it (rangeRequested), so that
// the panel keeps the input and the output on the same time range.
class WaveView : public QWidget {
    Q_OBJECT

  public:
    explicit WaveView(QWidget* parent = nullptr);

    // summary and reader may be null (nothing to show) and must outlive their use here.
    // span: samples of the longest signal shown beside it; lo and hi: the format's limits;
    // rate: samples per second (0: times in sample numbers).
    void SetSignal(const WaveSummary* summary, const WavSampleReader* reader, std::uint64_t span,
                   int lo, int hi, int rate);
    // The samples [begin, end) across the plot's width.
    void SetRange(double begin, double end);
    double RangeBegin() const { return m_begin; }
    double RangeEnd() const { return m_end; }
    std::uint64_t Span() const { return m_span; }
    // Draws the signal this many samples earlier than the time axis says (the output
    // moved back by the filter's delay, to compare shapes); lines and ranges stay on
    // the axis.
    void SetShift(double samples);
    double Shift() const { return m_shift; }
    // The sample under the position line; -1 hides it.
    void SetPosition(std::int64_t sample);
    std::int64_t Position() const { return m_position; }
    // [begin, end) drawn as selected; begin >= end for none.
    void SetSelection(std::int64_t begin, std::int64_t end);
    // The sample the readout and the keys act on; -1 for none.
    void SetCursor(std::int64_t sample);
    std::int64_t Cursor() const { return m_cursor; }

    // Where a sample and a value land.
    QRect PlotRect() const;
    int XForSample(double sample) const;
    double SampleForX(double x) const;
    int YForValue(double value) const;

    // The time of a sample as the axis writes it at the given tick step (in samples).
    static QString TimeText(double sample, int rate, double step);

    QSize sizeHint() const override { return {600, 120}; }
    QSize minimumSizeHint() const override { return {200, 70}; }

    // The context menu's "この位置からアニメーション": enabled by whoever can start it.
    QAction* AnimateHereAction() const { return m_animateHere; }

  signals:
    // The user clicked at this sample (without dragging).
    void clicked(std::int64_t sample);
    // The user asked for the demonstration on the samples from this one on.
    void animateFrom(std::int64_t sample);
    // The user asks to see the samples [begin, end).
    void rangeRequested(double begin, double end);
    // The user selected [begin, end) by dragging or with Shift and the arrows; begin >=
    // end: cleared.
    void selectionRequested(std::int64_t begin, std::int64_t end);
    // The pointer or the keyboard cursor is at this sample (-1: gone).
    void cursorMoved(std::int64_t sample);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void Zoom(double factor, double around);
    void Scroll(double samples);
    void DrawAxes(class QPainter& p, const QRect& r);
    void DrawWave(class QPainter& p, const QRect& r);
    std::int64_t ClampSample(double sample) const;

    const WaveSummary* m_summary = nullptr;
    const WavSampleReader* m_reader = nullptr;
    std::uint64_t m_span = 0;
    int m_lo = kSampleRange16.lo;
    int m_hi = kSampleRange16.hi;
    int m_rate = 0;
    double m_begin = 0.0, m_end = 1.0;
    double m_shift = 0.0;
    std::int64_t m_position = -1;
    QAction* m_animateHere = nullptr;
    std::int64_t m_menuSample = 0;
    std::int64_t m_selBegin = 0, m_selEnd = 0;
    std::int64_t m_cursor = -1;
    // A press of the left button: where, and whether it has become a drag.
    std::int64_t m_pressSample = -1;
    bool m_dragging = false;
    std::vector<std::int32_t> m_samples; // scratch for single samples
};

} // namespace ravelin
