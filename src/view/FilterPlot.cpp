#include "view/FilterPlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace ravelin {

namespace {

constexpr double kRangeDb = 90.0;
const QColor kCurve(0, 70, 200);
const QColor kGrid(222, 222, 222);
const QColor kCursor(200, 40, 40);

// A tick step of 1, 2 or 5 times a power of ten giving at most `most` steps over span.
double NiceStep(double span, int most)
{
    if (!(span > 0))
        return 1.0;
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

QString Number(double v, int precision = 4)
{
    // QString::number formats in the C locale whatever the user's locale is.
    return QString::number(std::abs(v) < 1e-12 ? 0.0 : v, 'g', precision);
}

} // namespace

FilterPlot::FilterPlot(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FilterPlot::SetTaps(std::vector<double> taps)
{
    if (taps == m_taps)
        return;
    m_taps = std::move(taps);
    m_dirty = true;
    if (m_pointer)
        UpdateReadout(*m_pointer);
    update();
}

void FilterPlot::SetSampleRate(int hz)
{
    hz = std::max(hz, 0);
    if (hz == m_sampleRate)
        return;
    m_sampleRate = hz;
    if (m_pointer)
        UpdateReadout(*m_pointer);
    update();
}

const FrequencyResponse& FilterPlot::Response()
{
    if (m_dirty) {
        m_response = ComputeFrequencyResponse(m_taps, ResponsePointsFor(m_taps.size()));
        double peak = 0.0;
        for (double db : m_response.magnitudeDb)
            peak = std::max(peak, db);
        m_topDb = std::max(10.0, std::ceil(peak / 10.0) * 10.0);
        m_dirty = false;
        ++m_computations;
    }
    return m_response;
}

QRect FilterPlot::ImpulseRect() const
{
    const int fh = fontMetrics().height();
    const int split = width() * 7 / 20;
    const int left = 8 + fontMetrics().horizontalAdvance(QStringLiteral("-0.000")) + 6;
    return QRect(QPoint(left, 2 * fh + 6), QPoint(split - 12, height() - 2 * fh - 8));
}

QRect FilterPlot::MagnitudeRect() const
{
    const int fh = fontMetrics().height();
    const int split = width() * 7 / 20;
    const int left = split + 8 + fontMetrics().horizontalAdvance(QStringLiteral("-100")) + 6;
    return QRect(QPoint(left, 2 * fh + 6), QPoint(width() - 16, height() - 2 * fh - 8));
}

std::pair<double, double> FilterPlot::TapRange() const
{
    double lo = 0.0;
    double hi = 0.0;
    for (double h : m_taps) {
        lo = std::min(lo, h);
        hi = std::max(hi, h);
    }
    if (hi - lo < 1e-12)
        hi = 1.0;
    const double pad = 0.1 * (hi - lo);
    return {lo < 0 ? lo - pad : 0.0, hi + pad};
}

double FilterPlot::XForTap(double n) const
{
    const QRect r = ImpulseRect();
    const double count = std::max<double>(1.0, double(m_taps.size()));
    return r.left() + (n + 0.5) * r.width() / count;
}

double FilterPlot::YForTap(double value) const
{
    const QRect r = ImpulseRect();
    const auto [lo, hi] = TapRange();
    return r.bottom() - (value - lo) / (hi - lo) * r.height();
}

double FilterPlot::XForFrequency(double cyclesPerSample) const
{
    const QRect r = MagnitudeRect();
    return r.left() + cyclesPerSample / 0.5 * r.width();
}

double FilterPlot::TopDb()
{
    // Every point's y asks for it: found once per response, not once per point.
    Response();
    return m_topDb;
}

double FilterPlot::YForDb(double db)
{
    const QRect r = MagnitudeRect();
    const double top = TopDb();
    const double clamped = std::clamp(db, top - kRangeDb, top);
    return r.top() + (top - clamped) / kRangeDb * r.height();
}

void FilterPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    PaintImpulse(p, ImpulseRect());
    PaintMagnitude(p, MagnitudeRect());
    if (m_readout.isEmpty() || !m_pointer)
        return;
    // The read-out in the top right corner of the plot under the pointer.
    const QRect area = ImpulseRect().contains(*m_pointer) ? ImpulseRect() : MagnitudeRect();
    const QFontMetrics fm = p.fontMetrics();
    const int w = fm.horizontalAdvance(m_readout) + 10;
    const QRect box(area.right() - w - 4, area.top() + 4, w, fm.height() + 4);
    p.fillRect(box, QColor(255, 255, 225));
    p.setPen(palette().text().color());
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box, Qt::AlignCenter, m_readout);
}

void FilterPlot::PaintImpulse(QPainter& p, const QRect& area)
{
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(palette().text().color());
    p.drawText(QRect(area.left(), 4, area.width(), fm.height()), Qt::AlignLeft,
               QStringLiteral("インパルス応答 h[n]（%1 タップ）").arg(m_taps.size()));

    const auto [lo, hi] = TapRange();
    // Horizontal grid with values, then the zero line.
    const double step = NiceStep(hi - lo, 4);
    p.setPen(kGrid);
    for (double v = std::ceil(lo / step) * step; v <= hi + 1e-12; v += step) {
        const int y = int(std::lround(YForTap(v)));
        p.setPen(kGrid);
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(palette().text().color());
        p.drawText(QRect(0, y - fm.height() / 2, area.left() - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, Number(v, 3));
    }
    const int zero = int(std::lround(YForTap(0.0)));
    p.setPen(palette().text().color());
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.drawLine(area.left(), zero, area.right(), zero);

    // Tap numbers along the bottom.
    const std::size_t count = m_taps.size();
    if (count > 0) {
        const double nStep = std::max(1.0, NiceStep(double(count - 1), 4));
        for (double n = 0; n <= double(count - 1) + 1e-9; n += nStep) {
            const int x = int(std::lround(XForTap(n)));
            p.drawLine(x, area.bottom(), x, area.bottom() + 3);
            p.drawText(QRect(x - 40, area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
                       Number(n, 6));
        }
    }
    p.drawText(QRect(area.left(), area.bottom() + 4 + fm.height(), area.width(), fm.height()),
               Qt::AlignHCenter, QStringLiteral("n（サンプル）"));

    // Stems: one per tap while they fit, otherwise the extent of the taps in each
    // pixel column.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kCurve, 1));
    const int columns = std::max(1, area.width());
    if (count <= std::size_t(columns) / 2) {
        const bool marks = count <= std::size_t(columns) / 6;
        p.setBrush(kCurve);
        for (std::size_t n = 0; n < count; ++n) {
            const int x = int(XForTap(double(n)));
            const int y = int(std::lround(YForTap(m_taps[n])));
            p.drawLine(x, zero, x, y);
            if (marks)
                p.drawEllipse(QPoint(x, y), 2, 2);
        }
        p.setBrush(Qt::NoBrush);
    } else {
        std::vector<double> colLo(std::size_t(columns), 0.0), colHi(std::size_t(columns), 0.0);
        for (std::size_t n = 0; n < count; ++n) {
            const auto c =
                std::min<std::size_t>(std::size_t(columns) - 1, n * std::size_t(columns) / count);
            colLo[c] = std::min(colLo[c], m_taps[n]);
            colHi[c] = std::max(colHi[c], m_taps[n]);
        }
        for (int c = 0; c < columns; ++c) {
            if (colLo[std::size_t(c)] == 0.0 && colHi[std::size_t(c)] == 0.0)
                continue;
            const int x = area.left() + c;
            p.drawLine(x, int(std::lround(YForTap(colLo[std::size_t(c)]))), x,
                       int(std::lround(YForTap(colHi[std::size_t(c)]))));
        }
    }

    if (m_pointer && area.contains(*m_pointer)) {
        p.setPen(kCursor);
        p.drawLine(m_pointer->x(), area.top(), m_pointer->x(), area.bottom());
    }
}

void FilterPlot::PaintMagnitude(QPainter& p, const QRect& area)
{
    const FrequencyResponse& resp = Response();
    const QFontMetrics fm = p.fontMetrics();
    const double top = TopDb();
    p.setPen(palette().text().color());
    p.drawText(QRect(area.left(), 4, area.width(), fm.height()), Qt::AlignLeft,
               QStringLiteral("振幅特性 |H(f)| [dB]"));

    // dB grid every 10 dB.
    for (double db = top; db >= top - kRangeDb - 1e-9; db -= 10.0) {
        const int y = int(std::lround(YForDb(db)));
        p.setPen(kGrid);
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(palette().text().color());
        p.drawText(QRect(area.left() - 60, y - fm.height() / 2, 56, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, Number(db));
    }
    // Frequency grid: Hz at the file's rate, otherwise cycles per sample.
    const double span = m_sampleRate > 0 ? m_sampleRate / 2.0 : 0.5;
    const double fStep = NiceStep(span, std::max(2, area.width() / 70));
    for (double f = 0; f <= span + 1e-9; f += fStep) {
        const int x = int(std::lround(XForFrequency(f / span * 0.5)));
        p.setPen(kGrid);
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(palette().text().color());
        p.drawLine(x, area.bottom(), x, area.bottom() + 3);
        p.drawText(QRect(x - 40, area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
                   Number(f, 6));
    }
    p.drawText(QRect(area.left(), area.bottom() + 4 + fm.height(), area.width(), fm.height()),
               Qt::AlignHCenter,
               m_sampleRate > 0
                   ? QStringLiteral("周波数 [Hz]（%1 Hz でサンプリング）").arg(m_sampleRate)
                   : QStringLiteral("周波数 [サイクル/サンプル]"));
    p.setPen(palette().text().color());
    p.drawRect(area.adjusted(0, 0, -1, -1));

    // The curve: in each pixel column the extent of the points that fall in it, so
    // that fast ripples show as a band instead of aliasing.
    const std::size_t points = resp.magnitudeDb.size();
    if (points < 2)
        return;
    p.save();
    p.setClipRect(area);
    p.setPen(QPen(kCurve, 1));
    const int columns = std::max(1, area.width());
    int lastLo = -1;
    int lastHi = -1;
    std::size_t k = 0;
    for (int c = 0; c < columns && k < points; ++c) {
        const double fEnd = 0.5 * double(c + 1) / columns;
        double dbLo = resp.magnitudeDb[k];
        double dbHi = dbLo;
        while (k < points && (resp.frequency[k] <= fEnd || c == columns - 1)) {
            dbLo = std::min(dbLo, resp.magnitudeDb[k]);
            dbHi = std::max(dbHi, resp.magnitudeDb[k]);
            ++k;
        }
        int yTop = int(std::lround(YForDb(dbHi)));
        int yBottom = int(std::lround(YForDb(dbLo)));
        // Join with the previous column so the curve has no gaps.
        if (lastLo >= 0) {
            yTop = std::min(yTop, lastLo);
            yBottom = std::max(yBottom, lastHi);
        }
        const int x = area.left() + c;
        p.drawLine(x, yTop, x, yBottom);
        lastLo = int(std::lround(YForDb(dbLo)));
        lastHi = int(std::lround(YForDb(dbHi)));
    }
    p.restore();

    if (m_pointer && area.contains(*m_pointer)) {
        p.setPen(kCursor);
        p.drawLine(m_pointer->x(), area.top(), m_pointer->x(), area.bottom());
    }
}

void FilterPlot::UpdateReadout(const QPoint& at)
{
    QString text;
    const QRect mag = MagnitudeRect();
    const QRect imp = ImpulseRect();
    if (mag.contains(at)) {
        const FrequencyResponse& resp = Response();
        const double f = std::clamp(double(at.x() - mag.left()) / mag.width() * 0.5, 0.0, 0.5);
        const auto k = std::size_t(std::lround(f / 0.5 * double(resp.frequency.size() - 1)));
        const double db = resp.magnitudeDb[k];
        const QString freq =
            m_sampleRate > 0 ? Number(resp.frequency[k] * m_sampleRate, 6) + QStringLiteral(" Hz")
                             : Number(resp.frequency[k], 4) + QStringLiteral(" サイクル/サンプル");
        const QString gain = db <= kFloorDb ? QStringLiteral("-∞ dB")
                                            : QString::number(db, 'f', 2) + QStringLiteral(" dB");
        text = freq + QStringLiteral("  ") + gain;
    } else if (imp.contains(at) && !m_taps.empty()) {
        const double count = double(m_taps.size());
        const auto n = std::size_t(
            std::clamp(double(at.x() - imp.left()) / imp.width() * count, 0.0, count - 1));
        text = QStringLiteral("h[%1] = %2").arg(n).arg(Number(m_taps[n], 6));
    }
    m_readout = text;
}

void FilterPlot::mouseMoveEvent(QMouseEvent* event)
{
    m_pointer = event->position().toPoint();
    UpdateReadout(*m_pointer);
    update();
}

void FilterPlot::leaveEvent(QEvent*)
{
    m_pointer.reset();
    m_readout.clear();
    update();
}

} // namespace ravelin
