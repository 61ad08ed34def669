#pragma once

#include "engine/WaveSummary.h"
#include "files/SampleCodec.h"

#include <QWidget>

class QAction;

namespace ravelin {

// The overview of one signal: in each pixel column the lowest and highest sample of
// the samples that fall in it, on the format's full scale; columns with a marked
// (full-scale) sample get a red tick at the top and bottom; the playing position shows
// as a vertical line.
class WaveView : public QWidget {
    Q_OBJECT

  public:
    explicit WaveView(QWidget* parent = nullptr);

    // summary may be null (nothing to show). span: the samples across the whole width,
    // the same for the views that are to line up. lo and hi: the format's limits.
    void SetSignal(const WaveSummary* summary, std::size_t span, int lo, int hi);
    // The sample under the position line; -1 hides it.
    void SetPosition(std::int64_t sample);
    std::int64_t Position() const { return m_position; }

    // Where a sample and a value land.
    QRect PlotRect() const;
    int XForSample(std::int64_t sample) const;
    int YForValue(double value) const;

    QSize sizeHint() const override { return {600, 90}; }
    QSize minimumSizeHint() const override { return {200, 50}; }

    // The context menu's "この位置からアニメーション": enabled by whoever can start it.
    QAction* AnimateHereAction() const { return m_animateHere; }

  signals:
    // The user clicked at this sample.
    void clicked(std::int64_t sample);
    // The user asked for the demonstration on the samples from this one on.
    void animateFrom(std::int64_t sample);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    const WaveSummary* m_summary = nullptr;
    std::size_t m_span = 0;
    int m_lo = kSampleRange16.lo;
    int m_hi = kSampleRange16.hi;
    std::int64_t m_position = -1;
    QAction* m_animateHere = nullptr;
    std::int64_t m_menuSample = 0;
};

} // namespace ravelin
