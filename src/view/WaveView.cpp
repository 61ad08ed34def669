#include "view/WaveView.h"

#include "view/PlotExport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ravelin {

namespace {

const QColor kWave(0, 70, 200);
const QColor kFullScale(220, 0, 0);
const QColor kPosition(0, 150, 0);

} // namespace

WaveView::WaveView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_animateHere = new QAction(QStringLiteral("この位置からアニメーション"), this);
    m_animateHere->setObjectName(QStringLiteral("animateHere"));
    m_animateHere->setEnabled(false);
    connect(m_animateHere, &QAction::triggered, this, [this] { emit animateFrom(m_menuSample); });
}

void WaveView::SetSignal(const WaveSummary* summary, std::size_t span, int lo, int hi)
{
    m_summary = summary;
    m_span = span;
    m_lo = lo;
    m_hi = hi > lo ? hi : lo + 1;
    m_position = -1;
    update();
}

void WaveView::SetPosition(std::int64_t sample)
{
    if (sample == m_position)
        return;
    m_position = sample;
    update();
}

QRect WaveView::PlotRect() const
{
    return rect().adjusted(1, 1, -1, -1);
}

int WaveView::XForSample(std::int64_t sample) const
{
    const QRect r = PlotRect();
    if (m_span == 0)
        return r.left();
    return r.left() + int(double(sample) * r.width() / double(m_span));
}

int WaveView::YForValue(double value) const
{
    const QRect r = PlotRect();
    return r.bottom() - int(std::lround((value - m_lo) / double(m_hi - m_lo) * (r.height() - 1)));
}

void WaveView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect r = PlotRect();
    p.setPen(QColor(210, 210, 210));
    p.drawLine(r.left(), YForValue(0), r.right(), YForValue(0));
    if (!m_summary || m_span == 0)
        return;

    // Column c shows samples [c * span / width, (c + 1) * span / width).
    const int columns = std::max(1, r.width());
    for (int c = 0; c < columns; ++c) {
        const auto begin = std::size_t(double(c) * double(m_span) / columns);
        auto end = std::size_t(double(c + 1) * double(m_span) / columns);
        end = std::max(end, begin + 1);
        const WaveSummary::Range range = m_summary->Query(begin, end);
        if (range.empty)
            continue;
        const int x = r.left() + c;
        p.setPen(kWave);
        p.drawLine(x, YForValue(range.hi), x, YForValue(range.lo));
        if (range.marked) {
            p.setPen(kFullScale);
            p.drawLine(x, r.top(), x, r.top() + 5);
            p.drawLine(x, r.bottom() - 5, x, r.bottom());
        }
    }
    if (m_position >= 0) {
        p.setPen(QPen(kPosition, 2));
        const int x = XForSample(m_position);
        p.drawLine(x, r.top(), x, r.bottom());
    }
}

void WaveView::mousePressEvent(QMouseEvent* event)
{
    const QRect r = PlotRect();
    if (event->button() != Qt::LeftButton || m_span == 0 || r.width() <= 0)
        return;
    const double at = double(event->position().x() - r.left()) / r.width();
    emit clicked(std::int64_t(std::clamp(at, 0.0, 1.0) * double(m_span)));
}

void WaveView::contextMenuEvent(QContextMenuEvent* event)
{
    const QRect r = PlotRect();
    if (m_span == 0 || r.width() <= 0)
        return;
    // From the keyboard, the position line (or the start) stands for the pointer.
    if (event->reason() == QContextMenuEvent::Mouse || m_position < 0) {
        const double at = event->reason() == QContextMenuEvent::Mouse
                              ? double(event->pos().x() - r.left()) / r.width()
                              : 0.0;
        m_menuSample = std::int64_t(std::clamp(at, 0.0, 1.0) * double(m_span));
    } else {
        m_menuSample = m_position;
    }
    m_menuSample = std::min<std::int64_t>(m_menuSample, std::int64_t(m_span) - 1);
    QMenu menu(this);
    menu.addAction(m_animateHere);
    menu.addSeparator();
    AddExportActions(&menu, this, QStringLiteral("waveform"), {});
    menu.exec(event->globalPos());
}

} // namespace ravelin
