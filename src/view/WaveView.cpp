#include "view/WaveView.h"

#include "files/WavSamples.h"
#include "view/ChartAccessible.h"
#include "view/PlotExport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace ravelin {

namespace {

constexpr int kAxisLeft = 52;   // room for the amplitude labels
constexpr int kAxisBottom = 18; // room for the time labels
constexpr int kTickSpacing = 110;
constexpr int kDragStart = 4; // pixels before a press becomes a drag
constexpr double kWheelZoom = 0.8;

// A colour for the clip marks that stands out from the background, light or dark.
QColor ClipColour(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightness() > 128 ? QColor(210, 0, 0)
                                                           : QColor(255, 120, 120);
}

bool IsDark(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightness() <= 128;
}

} // namespace

WaveView::WaveView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    MarkAsChart(this);
    m_animateHere = new QAction(tr("この位置からアニメーション"), this);
    m_animateHere->setObjectName(QStringLiteral("animateHere"));
    m_animateHere->setEnabled(false);
    connect(m_animateHere, &QAction::triggered, this, [this] { emit animateFrom(m_menuSample); });
}

void WaveView::SetSignal(const WaveSummary* summary, const WavSampleReader* reader,
                         std::uint64_t span, int lo, int hi, int rate)
{
    m_summary = summary;
    m_reader = reader;
    m_span = span;
    m_lo = lo;
    m_hi = hi > lo ? hi : lo + 1;
    m_rate = rate;
    m_begin = 0.0;
    m_end = std::max<double>(1.0, double(span));
    m_position = -1;
    m_selBegin = m_selEnd = 0;
    m_cursor = -1;
    update();
}

void WaveView::SetRange(double begin, double end)
{
    if (begin == m_begin && end == m_end)
        return;
    m_begin = begin;
    m_end = end > begin ? end : begin + 1.0;
    update();
}

void WaveView::SetShift(double samples)
{
    m_shift = samples;
    update();
}

void WaveView::SetPosition(std::int64_t sample)
{
    if (sample == m_position)
        return;
    m_position = sample;
    update();
}

void WaveView::SetSelection(std::int64_t begin, std::int64_t end)
{
    m_selBegin = begin;
    m_selEnd = end;
    update();
}

void WaveView::SetCursor(std::int64_t sample)
{
    if (sample == m_cursor)
        return;
    m_cursor = sample;
    update();
}

QRect WaveView::PlotRect() const
{
    return rect().adjusted(kAxisLeft, 3, -3, -kAxisBottom);
}

int WaveView::XForSample(double sample) const
{
    const QRect r = PlotRect();
    return r.left() + int(std::floor((sample - m_begin) * r.width() / (m_end - m_begin)));
}

double WaveView::SampleForX(double x) const
{
    const QRect r = PlotRect();
    return m_begin + (x - r.left()) * (m_end - m_begin) / std::max(1, r.width());
}

int WaveView::YForValue(double value) const
{
    const QRect r = PlotRect();
    return r.bottom() - int(std::lround((value - m_lo) / double(m_hi - m_lo) * (r.height() - 1)));
}

std::int64_t WaveView::ClampSample(double sample) const
{
    if (m_span == 0)
        return 0;
    return std::clamp<std::int64_t>(std::int64_t(std::floor(sample)), 0, std::int64_t(m_span) - 1);
}

QString WaveView::TimeText(double sample, int rate, double step)
{
    if (rate <= 0 || step < rate / 1000.0)
        return QString::number(std::int64_t(std::llround(sample)));
    const double seconds = sample / rate;
    if (step >= rate) {
        const auto s = std::int64_t(std::llround(seconds));
        if (s >= 3600)
            return QStringLiteral("%1:%2:%3")
                .arg(s / 3600)
                .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0'));
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    }
    const auto ms = std::int64_t(std::llround(seconds * 1000.0));
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000)
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

void WaveView::DrawAxes(QPainter& p, const QRect& r)
{
    const QColor text = palette().color(QPalette::WindowText);
    QColor grid = palette().color(QPalette::Mid);
    grid.setAlpha(110);
    const QFontMetrics fm(font());

    // Amplitude: the limits, half scale and zero.
    const std::array<double, 5> levels{double(m_hi), m_hi / 2.0, 0.0, m_lo / 2.0, double(m_lo)};
    for (double v : levels) {
        const int y = YForValue(v);
        p.setPen(grid);
        p.drawLine(r.left(), y, r.right(), y);
        p.setPen(text);
        p.drawLine(r.left() - 4, y, r.left() - 1, y);
        const QString label = QString::number(std::int64_t(std::llround(v)));
        const int ty =
            std::clamp(y + fm.ascent() / 2 - 1, r.top() + fm.ascent() - 2, r.bottom() + 2);
        p.drawText(r.left() - 6 - fm.horizontalAdvance(label), ty, label);
    }

    // Time: a step of 1, 2 or 5 times a power of ten samples, or of round times.
    const double perPixel = (m_end - m_begin) / std::max(1, r.width());
    const double wanted = perPixel * kTickSpacing;
    double step = 1.0;
    if (m_rate > 0 && wanted >= m_rate / 1000.0) {
        static constexpr std::array<double, 22> kSeconds{
            0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1,    2,
            5,     10,    15,    30,   60,   120,  300, 600, 900, 1800, 3600};
        step = kSeconds.back() * m_rate;
        for (double s : kSeconds)
            if (s * m_rate >= wanted) {
                step = s * m_rate;
                break;
            }
        while (step < wanted)
            step *= 2;
    } else {
        while (step < wanted) {
            const double digit = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            step *= digit < 1.5 ? 2.0 : digit < 3.0 ? 2.5 : 2.0;
        }
    }
    p.setPen(text);
    p.drawLine(r.left(), r.bottom() + 1, r.right(), r.bottom() + 1);
    for (double t = std::ceil(m_begin / step) * step; t <= m_end; t += step) {
        const int x = XForSample(t);
        if (x < r.left() || x > r.right())
            continue;
        p.setPen(grid);
        p.drawLine(x, r.top(), x, r.bottom());
        p.setPen(text);
        p.drawLine(x, r.bottom() + 1, x, r.bottom() + 4);
        const QString label = TimeText(t, m_rate, step);
        const int w = fm.horizontalAdvance(label);
        const int lx = std::clamp(x - w / 2, r.left() - kAxisLeft + 2, width() - w - 2);
        p.drawText(lx, r.bottom() + 4 + fm.ascent(), label);
    }
}

void WaveView::DrawWave(QPainter& p, const QRect& r)
{
    const QColor wave = palette().color(QPalette::Highlight);
    const QColor clip = ClipColour(palette());
    const int columns = std::max(1, r.width());
    const double perColumn = (m_end - m_begin) / columns;
    // The samples of the signal in view, which the shift moves against the axis.
    const double viewBegin = m_begin + m_shift, viewEnd = m_end + m_shift;
    const auto first = std::uint64_t(std::max(0.0, std::floor(viewBegin)));
    const auto last =
        std::min<std::uint64_t>(m_span, std::uint64_t(std::max(0.0, std::ceil(viewEnd))));
    if (first >= last)
        return;

    // A clip mark: a triangle pointing into the plot from the edge the samples were
    // clamped at (top for the highest value, bottom for the lowest).
    const auto mark = [&](int x, bool top, bool bottom) {
        QPainterPath path;
        if (top) {
            path.moveTo(x - 4, r.top());
            path.lineTo(x + 4, r.top());
            path.lineTo(x, r.top() + 7);
            path.closeSubpath();
        }
        if (bottom) {
            path.moveTo(x - 4, r.bottom() + 1);
            path.lineTo(x + 4, r.bottom() + 1);
            path.lineTo(x, r.bottom() - 6);
            path.closeSubpath();
        }
        p.fillPath(path, clip);
    };

    // Single samples come from the file when an entry of the summary would span more
    // than a column.
    const bool fine = m_reader && perColumn < double(WaveSummary::kLeaf) / 2;
    if (!fine) {
        if (!m_summary)
            return;
        struct Marked {
            int x;
            bool top, bottom;
        };
        std::vector<Marked> marked;
        p.setPen(wave);
        for (int c = 0; c < columns; ++c) {
            const double b = viewBegin + c * perColumn;
            const auto begin = std::uint64_t(std::max(0.0, std::floor(b)));
            const auto end =
                std::max(begin + 1, std::uint64_t(std::max(0.0, std::floor(b + perColumn))));
            const WaveSummary::Range range = m_summary->Query(begin, end);
            if (range.empty)
                continue;
            const int x = r.left() + c;
            p.drawLine(x, YForValue(range.hi), x, YForValue(range.lo));
            if (range.marked && m_summary->NextMarked(begin) < end) {
                const bool top = range.hi >= m_hi, bottom = range.lo <= m_lo;
                marked.push_back({x, top || !bottom, bottom || !top});
            }
        }
        // Along a stretch of marked columns the triangles stand side by side, a saw edge.
        int lastX = -100;
        for (const Marked& m : marked)
            if (m.x - lastX >= 6) {
                mark(m.x, m.top, m.bottom);
                lastX = m.x;
            }
        return;
    }

    m_samples.resize(std::size_t(last - first));
    const std::size_t got = m_reader->Read(first, m_samples.data(), m_samples.size());
    m_samples.resize(got);
    if (got == 0)
        return;
    const double pixelsPerSample = 1.0 / perColumn;
    if (pixelsPerSample >= 4.0) {
        // Stems: a line from zero and a dot on each sample.
        const int zero = YForValue(0);
        p.setRenderHint(QPainter::Antialiasing, true);
        for (std::size_t i = 0; i < got; ++i) {
            const double s = double(first + i) - m_shift;
            const int x = XForSample(s) + int(pixelsPerSample / 2);
            const int y = YForValue(m_samples[i]);
            p.setPen(QPen(wave, 1));
            p.drawLine(x, zero, x, y);
            p.setBrush(wave);
            p.drawEllipse(QPoint(x, y), 2, 2);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
    } else {
        p.setPen(wave);
        QPoint previous;
        for (int c = 0; c < columns; ++c) {
            const double b = viewBegin + c * perColumn;
            auto lo = std::size_t(std::max(0.0, std::floor(b)));
            auto hi = std::size_t(std::max(0.0, std::ceil(b + perColumn)));
            lo = std::max<std::size_t>(lo, first) - first;
            hi = std::min<std::size_t>(std::max<std::size_t>(hi, first) - first, got);
            if (lo >= hi)
                continue;
            const auto [mn, mx] = std::minmax_element(m_samples.begin() + std::ptrdiff_t(lo),
                                                      m_samples.begin() + std::ptrdiff_t(hi));
            const int x = r.left() + c;
            if (c > 0 && !previous.isNull())
                p.drawLine(previous, QPoint(x, YForValue(m_samples[lo])));
            p.drawLine(x, YForValue(*mx), x, YForValue(*mn));
            previous = QPoint(x, YForValue(m_samples[hi - 1]));
        }
    }
    if (m_summary) {
        int lastX = -100;
        for (std::uint64_t i = m_summary->NextMarked(first); i < first + got;
             i = m_summary->NextMarked(i + 1)) {
            const int x = XForSample(double(i) - m_shift) + int(pixelsPerSample / 2);
            if (x - lastX >= 6) {
                const std::int32_t v = m_samples[std::size_t(i - first)];
                mark(x, v >= 0, v < 0);
                lastX = x;
            }
        }
    }
}

void WaveView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect r = PlotRect();
    p.fillRect(r, palette().base());

    // The selection under everything else.
    if (m_selEnd > m_selBegin) {
        QColor sel = palette().color(QPalette::Highlight);
        sel.setAlpha(IsDark(palette()) ? 90 : 55);
        const int a = std::max(r.left(), XForSample(double(m_selBegin)));
        const int b = std::min(r.right(), XForSample(double(m_selEnd)));
        if (b >= a)
            p.fillRect(QRect(a, r.top(), b - a + 1, r.height()), sel);
    }
    DrawAxes(p, r);
    p.setClipRect(r.adjusted(0, 0, 1, 1));
    if (m_span > 0)
        DrawWave(p, r);

    const QColor text = palette().color(QPalette::Text);
    if (m_cursor >= 0) {
        p.setPen(QPen(text, 1, Qt::DotLine));
        const int x = XForSample(double(m_cursor));
        p.drawLine(x, r.top(), x, r.bottom());
    }
    if (m_position >= 0) {
        p.setPen(QPen(text, 2));
        const int x = XForSample(double(m_position));
        p.drawLine(x, r.top(), x, r.bottom());
    }
    p.setClipping(false);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r).adjusted(-1, -1, 1, 1));
    } else {
        p.setPen(palette().color(QPalette::Mid));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(-1, -1, 0, 0));
    }
}

void WaveView::Zoom(double factor, double around)
{
    if (m_span == 0)
        return;
    const double width = std::max(1.0, double(PlotRect().width()));
    double size = (m_end - m_begin) * factor;
    // From about 16 pixels per sample to the whole signal (a short one may be shown
    // whole however wide the view).
    size = std::clamp(size, std::min(width / 16.0, double(m_span)), double(m_span));
    const double share = (around - m_begin) / (m_end - m_begin);
    const double begin = std::clamp(around - share * size, 0.0, double(m_span) - size);
    emit rangeRequested(begin, begin + size);
}

void WaveView::Scroll(double samples)
{
    if (m_span == 0)
        return;
    const double size = m_end - m_begin;
    const double begin = std::clamp(m_begin + samples, 0.0, std::max(0.0, double(m_span) - size));
    emit rangeRequested(begin, begin + size);
}

void WaveView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_span == 0)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    m_pressSample = ClampSample(SampleForX(event->position().x()));
    m_dragging = false;
}

void WaveView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_span == 0)
        return;
    const std::int64_t at = ClampSample(SampleForX(event->position().x()));
    if (m_pressSample >= 0 && (event->buttons() & Qt::LeftButton)) {
        if (!m_dragging &&
            std::abs(XForSample(double(m_pressSample)) - event->position().x()) >= kDragStart)
            m_dragging = true;
        if (m_dragging)
            emit selectionRequested(std::min(m_pressSample, at), std::max(m_pressSample, at) + 1);
    }
    SetCursor(at);
    emit cursorMoved(at);
}

void WaveView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_pressSample < 0)
        return QWidget::mouseReleaseEvent(event);
    if (!m_dragging)
        emit clicked(m_pressSample);
    m_pressSample = -1;
    m_dragging = false;
}

void WaveView::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const double size = m_end - m_begin;
    if (delta.x() != 0 || (event->modifiers() & Qt::ShiftModifier)) {
        const int d = delta.x() != 0 ? delta.x() : delta.y();
        Scroll(-d / 120.0 * size / 10.0);
    } else if (delta.y() != 0) {
        Zoom(std::pow(kWheelZoom, delta.y() / 120.0), SampleForX(event->position().x()));
    }
    event->accept();
}

void WaveView::keyPressEvent(QKeyEvent* event)
{
    if (m_span == 0)
        return QWidget::keyPressEvent(event);
    const double size = m_end - m_begin;
    const double perColumn = size / std::max(1, PlotRect().width());
    const auto step = std::max<std::int64_t>(1, std::int64_t(std::ceil(perColumn)));
    const std::int64_t last = std::int64_t(m_span) - 1;
    const std::int64_t cursor = m_cursor >= 0 ? m_cursor : std::int64_t((m_begin + m_end) / 2);
    const bool shift = event->modifiers() & Qt::ShiftModifier;

    // Moves the keyboard cursor, the view following it; with Shift the selection
    // grows from where the cursor was.
    const auto moveTo = [&](std::int64_t to) {
        to = std::clamp<std::int64_t>(to, 0, last);
        if (shift) {
            const bool had = m_selEnd > m_selBegin;
            const std::int64_t anchor =
                had ? (cursor <= m_selBegin ? m_selEnd - 1 : m_selBegin) : cursor;
            emit selectionRequested(std::min(anchor, to), std::max(anchor, to) + 1);
        }
        SetCursor(to);
        emit cursorMoved(to);
        if (double(to) < m_begin || double(to) >= m_end) {
            const double begin =
                std::clamp(double(to) - size / 2, 0.0, std::max(0.0, double(m_span) - size));
            emit rangeRequested(begin, begin + size);
        }
    };

    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        Zoom(0.5, double(cursor));
        break;
    case Qt::Key_Minus:
        Zoom(2.0, double(cursor));
        break;
    case Qt::Key_0:
        emit rangeRequested(0.0, double(m_span));
        break;
    case Qt::Key_Left:
        moveTo(cursor - step);
        break;
    case Qt::Key_Right:
        moveTo(cursor + step);
        break;
    case Qt::Key_PageUp:
        Scroll(-size);
        break;
    case Qt::Key_PageDown:
        Scroll(size);
        break;
    case Qt::Key_Home:
        moveTo(0);
        break;
    case Qt::Key_End:
        moveTo(last);
        break;
    case Qt::Key_Z:
        if (m_selEnd > m_selBegin)
            emit rangeRequested(double(m_selBegin), double(m_selEnd));
        break;
    case Qt::Key_Escape:
        emit selectionRequested(0, 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit clicked(cursor);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    event->accept();
}

void WaveView::leaveEvent(QEvent* event)
{
    if (!hasFocus()) {
        SetCursor(-1);
        emit cursorMoved(-1);
    }
    QWidget::leaveEvent(event);
}

void WaveView::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void WaveView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void WaveView::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_span == 0 || PlotRect().width() <= 0)
        return;
    // From the keyboard, the cursor (or the position line, or the view's start) stands
    // for the pointer.
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menuSample = ClampSample(SampleForX(event->pos().x()));
    else if (m_cursor >= 0)
        m_menuSample = m_cursor;
    else if (m_position >= 0)
        m_menuSample = m_position;
    else
        m_menuSample = ClampSample(m_begin);
    QMenu menu(this);
    menu.addAction(m_animateHere);
    menu.addSeparator();
    AddExportActions(&menu, this, QStringLiteral("waveform"), {});
    menu.exec(event->globalPos());
}

} // namespace ravelin
