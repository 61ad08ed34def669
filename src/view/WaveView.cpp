#include "view/WaveView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ravelin {

namespace {

const QColor kWave(0, 70, 200);
const QColor kClip(220, 0, 0);
const QColor kPosition(0, 150, 0);

} // namespace

CWaveView::CWaveView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWaveView::SetSignal(const CWaveSummary* summary, std::size_t span, int lo, int hi)
{
    m_pSummary = summary;
    m_nSpan = span;
    m_nLo = lo;
    m_nHi = hi > lo ? hi : lo + 1;
    m_nPosition = -1;
    update();
}

void CWaveView::SetPosition(std::int64_t sample)
{
    if (sample == m_nPosition)
        return;
    m_nPosition = sample;
    update();
}

QRect CWaveView::PlotRect() const
{
    return rect().adjusted(1, 1, -1, -1);
}

int CWaveView::XForSample(std::int64_t sample) const
{
    const QRect r = PlotRect();
    if (m_nSpan == 0)
        return r.left();
    return r.left() + int(double(sample) * r.width() / double(m_nSpan));
}

int CWaveView::YForValue(double value) const
{
    const QRect r = PlotRect();
    return r.bottom() -
           int(std::lround((value - m_nLo) / double(m_nHi - m_nLo) * (r.height() - 1)));
}

void CWaveView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect r = PlotRect();
    p.setPen(QColor(210, 210, 210));
    p.drawLine(r.left(), YForValue(0), r.right(), YForValue(0));
    if (!m_pSummary || m_nSpan == 0)
        return;

    // Column c shows samples [c * span / width, (c + 1) * span / width).
    const int columns = std::max(1, r.width());
    for (int c = 0; c < columns; ++c) {
        const auto begin = std::size_t(double(c) * double(m_nSpan) / columns);
        auto end = std::size_t(double(c + 1) * double(m_nSpan) / columns);
        end = std::max(end, begin + 1);
        const CWaveSummary::Range range = m_pSummary->Query(begin, end);
        if (range.empty)
            continue;
        const int x = r.left() + c;
        p.setPen(kWave);
        p.drawLine(x, YForValue(range.hi), x, YForValue(range.lo));
        if (range.marked) {
            p.setPen(kClip);
            p.drawLine(x, r.top(), x, r.top() + 5);
            p.drawLine(x, r.bottom() - 5, x, r.bottom());
        }
    }
    if (m_nPosition >= 0) {
        p.setPen(QPen(kPosition, 2));
        const int x = XForSample(m_nPosition);
        p.drawLine(x, r.top(), x, r.bottom());
    }
}

void CWaveView::mousePressEvent(QMouseEvent* event)
{
    const QRect r = PlotRect();
    if (event->button() != Qt::LeftButton || m_nSpan == 0 || r.width() <= 0)
        return;
    const double at = double(event->position().x() - r.left()) / r.width();
    emit clicked(std::int64_t(std::clamp(at, 0.0, 1.0) * double(m_nSpan)));
}

} // namespace ravelin
