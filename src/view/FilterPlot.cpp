#include "view/FilterPlot.h"

#include "view/ChartAccessible.h"
#include "view/PlotExport.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace ravelin {

namespace {

constexpr double kDefaultRangeDb = 90.0;
constexpr double kMinRangeDb = 0.01;
constexpr double kMaxRangeDb = 400.0;
// The narrowest views: a few taps, and a few response points.
constexpr double kMinTapSpan = 4.0;
constexpr double kZoomStep = 1.25;
const QString kMinusInfinity = QStringLiteral("−∞ dB");

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

// Colours from the palette, so that a dark or high-contrast theme stays readable.
QColor Blend(const QColor& a, const QColor& b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

QColor CurveColour(const QPalette& pal)
{
    return pal.color(QPalette::Link);
}

QColor GridColour(const QPalette& pal)
{
    return Blend(pal.color(QPalette::Base), pal.color(QPalette::Text), 0.13);
}

QColor InputColour(const QPalette& pal)
{
    return Blend(pal.color(QPalette::Base), pal.color(QPalette::Text), 0.45);
}

QColor OutputColour(const QPalette& pal)
{
    return Blend(pal.color(QPalette::Base), pal.color(QPalette::LinkVisited), 0.75);
}

// The shortest text that reads back as the same double, with a "." whatever the locale.
std::string CsvNumber(double v)
{
    if (std::isnan(v))
        return "";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

// A plot's title over it, in its width when it fits; otherwise across its whole pane,
// on the two lines above the plot if need be, rather than cut off.
void DrawTitle(QPainter& p, const QRect& area, const QRect& pane, const QString& title)
{
    const QFontMetrics fm = p.fontMetrics();
    if (fm.horizontalAdvance(title) <= area.width())
        p.drawText(QRect(area.left(), pane.top() + 4, area.width(), fm.height()), Qt::AlignLeft,
                   title);
    else
        p.drawText(QRect(pane.left(), pane.top() + 4, pane.width(), area.top() - pane.top() - 6),
                   Qt::AlignLeft | Qt::TextWordWrap, title);
}

// A caption too wide for its room, in lines: broken before a full-width opening bracket or
// after a full-width space where it can be, otherwise between words; a piece still too wide is
// left for the painter's own word wrap.
QStringList WrapCaption(const QFontMetrics& fm, const QString& caption, int room)
{
    QStringList lines;
    QString rest = caption;
    while (fm.horizontalAdvance(rest) > room) {
        qsizetype cut = -1;
        for (const bool words : {false, true}) {
            for (qsizetype i = rest.size() - 1; i > 0 && cut < 0; --i) {
                const QChar c = rest[i];
                const bool there = words ? rest[i - 1] == QLatin1Char(' ')
                                         : c == QChar(0xFF08) || rest[i - 1] == QChar(0x3000);
                if (there && fm.horizontalAdvance(rest.left(i).trimmed()) <= room)
                    cut = i;
            }
            if (cut > 0)
                break;
        }
        if (cut <= 0)
            break;
        lines << rest.left(cut).trimmed();
        rest = rest.mid(cut).trimmed();
        if (rest.startsWith(QChar(0x3000)))
            rest.remove(0, 1);
    }
    lines << rest;
    return lines;
}

// An axis caption centred under the plot, or under its whole pane when wider than the
// plot, on the lines the pane keeps below the plot when wider than the pane.
void DrawCaption(QPainter& p, const QRect& area, const QRect& pane, const QString& caption)
{
    const QFontMetrics fm = p.fontMetrics();
    const int top = area.bottom() + 4 + fm.height();
    if (fm.horizontalAdvance(caption) <= area.width())
        p.drawText(QRect(area.left(), top, area.width(), fm.height()), Qt::AlignHCenter, caption);
    else
        p.drawText(QRect(pane.left(), top, pane.width(), pane.bottom() - top),
                   Qt::AlignHCenter | Qt::TextWordWrap,
                   WrapCaption(fm, caption, pane.width()).join(QLatin1Char('\n')));
}

bool Exporting(const QWidget* w)
{
    return w->property(kExportingProperty).toBool();
}

// The least height of a plot with its title and captions, one above the other.
constexpr int kStackedPaneHeight = 170;

} // namespace

FilterPlot::FilterPlot(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    MarkAsChart(this);
    setAccessibleName(tr("フィルタの応答"));
    setToolTip(tr("ホイール・＋/−: 横の拡大縮小　Ctrl+ホイール・↑/↓: 縦の拡大縮小\n"
                  "ドラッグ・←/→: 移動とカーソル　Ctrl+←/→: 左右の図の切り替え\n"
                  "ダブルクリック・0: 全体表示　右クリック: 保存"));
}

void FilterPlot::SetTaps(std::vector<double> taps)
{
    if (taps == m_taps)
        return;
    m_taps = std::move(taps);
    m_step = StepResponse(m_taps);
    m_dirty = true;
    FitTime();
    for (Range& r : m_values)
        r.automatic = true;
    Changed();
}

void FilterPlot::SetSampleRate(int hz)
{
    hz = std::max(hz, 0);
    if (hz == m_sampleRate)
        return;
    m_sampleRate = hz;
    Changed();
}

void FilterPlot::SetSpectra(std::vector<double> inputDb, std::vector<double> outputDb, int rate)
{
    m_inputDb = std::move(inputDb);
    m_outputDb = std::move(outputDb);
    m_spectraPeakDb = 0.0;
    for (const auto* spectrum : {&m_inputDb, &m_outputDb})
        for (double db : *spectrum)
            m_spectraPeakDb = std::max(m_spectraPeakDb, db);
    m_autoValues = {};
    if (rate > 0)
        m_sampleRate = rate;
    m_values[std::size_t(FrequencyView::Magnitude)].automatic = true;
    Changed();
}

void FilterPlot::SetTimeView(TimeView view)
{
    if (view == m_timeView)
        return;
    m_timeView = view;
    Changed();
}

void FilterPlot::SetFrequencyView(FrequencyView view)
{
    if (view == m_frequencyView)
        return;
    m_frequencyView = view;
    Changed();
}

void FilterPlot::SetLogFrequency(bool log)
{
    if (log == m_log)
        return;
    m_log = log;
    if (m_log)
        m_f0 = std::max(m_f0, LogFloor());
    else if (m_f0 <= LogFloor() * 1.0001)
        m_f0 = 0.0;
    Changed();
}

void FilterPlot::SetDbRange(double top, double range)
{
    range = std::clamp(range, kMinRangeDb, kMaxRangeDb);
    Range& r = m_values[std::size_t(FrequencyView::Magnitude)];
    r = {top - range, top, false};
    Changed();
}

double FilterPlot::DbTop()
{
    const Range& r = m_values[std::size_t(FrequencyView::Magnitude)];
    return r.automatic ? TopDb() : r.hi;
}

double FilterPlot::DbRange()
{
    const Range& r = m_values[std::size_t(FrequencyView::Magnitude)];
    if (r.automatic)
        return HasSpectra() ? 2 * kDefaultRangeDb - 30.0 : kDefaultRangeDb;
    return r.hi - r.lo;
}

void FilterPlot::ZoomPassBand()
{
    const FrequencyResponse& resp = Response();
    if (resp.magnitudeDb.empty())
        return;
    const auto peakAt =
        std::size_t(std::max_element(resp.magnitudeDb.begin(), resp.magnitudeDb.end()) -
                    resp.magnitudeDb.begin());
    const double peak = resp.magnitudeDb[peakAt];
    std::size_t lo = peakAt, hi = peakAt;
    while (lo > 0 && resp.magnitudeDb[lo - 1] >= peak - 3.0)
        --lo;
    while (hi + 1 < resp.magnitudeDb.size() && resp.magnitudeDb[hi + 1] >= peak - 3.0)
        ++hi;
    // The band plus a little on either side; the dB scale from its lowest to its highest.
    double least = peak;
    for (std::size_t k = lo; k <= hi; ++k)
        least = std::min(least, resp.magnitudeDb[k]);
    const double ripple = std::max(peak - least, 0.01);
    const double pad = 0.1 * (resp.frequency[hi] - resp.frequency[lo]);
    m_f0 = std::max(m_log ? LogFloor() : 0.0, resp.frequency[lo] - pad);
    m_f1 = std::min(0.5, resp.frequency[hi] + pad);
    if (m_f1 <= m_f0)
        FitFrequency();
    const double step = NiceStep(ripple, 4);
    const double top = std::ceil((peak + 0.25 * ripple) / step) * step;
    const double bottom = std::floor((least - 0.25 * ripple) / step) * step;
    m_values[std::size_t(FrequencyView::Magnitude)] = {bottom, top, false};
    m_frequencyView = FrequencyView::Magnitude;
    Changed();
}

void FilterPlot::FitAll()
{
    FitTime();
    FitFrequency();
    for (Range& r : m_values)
        r.automatic = true;
    Changed();
}

void FilterPlot::FitTime()
{
    m_tap0 = -0.5;
    m_tap1 = std::max<double>(1.0, double(m_taps.size())) - 0.5;
}

void FilterPlot::FitFrequency()
{
    m_f0 = m_log ? LogFloor() : 0.0;
    m_f1 = 0.5;
}

void FilterPlot::SetActivePane(Pane pane)
{
    if (pane == m_active)
        return;
    m_active = pane;
    // The keyboard's cursor follows into the plot chosen (a pointer already there stays).
    const QRect r = pane == Pane::Time ? ImpulseRect() : MagnitudeRect();
    if (m_pointer && !r.contains(*m_pointer)) {
        m_pointer = r.center();
        UpdateReadout(*m_pointer);
    }
    Changed();
}

void FilterPlot::Changed()
{
    m_areas.reset(); // a caption may have changed
    if (m_pointer)
        UpdateReadout(*m_pointer);
    update();
    emit viewChanged();
}

double FilterPlot::LogFloor() const
{
    // The first response point above 0: the lowest frequency a log axis can show.
    const double points =
        m_dirty ? double(ResponsePointsFor(m_taps.size())) : double(m_response.frequency.size());
    return 0.5 / std::max(1.0, points - 1.0);
}

const FrequencyResponse& FilterPlot::Response()
{
    if (m_dirty) {
        m_response = ComputeFrequencyResponse(m_taps, ResponsePointsFor(m_taps.size()));
        m_phaseDegrees.resize(m_response.phase.size());
        for (std::size_t k = 0; k < m_response.phase.size(); ++k)
            m_phaseDegrees[k] = m_response.magnitudeDb[k] <= kFloorDb
                                    ? std::nan("")
                                    : m_response.phase[k] * 180.0 / std::numbers::pi;
        m_responsePeakDb = 0.0;
        for (double db : m_response.magnitudeDb)
            m_responsePeakDb = std::max(m_responsePeakDb, db);
        m_autoValues = {};
        m_dirty = false;
        ++m_computations;
    }
    return m_response;
}

const std::vector<double>& FilterPlot::FrequencyValues()
{
    const FrequencyResponse& resp = Response();
    switch (m_frequencyView) {
    case FrequencyView::Phase:
        return m_phaseDegrees;
    case FrequencyView::GroupDelay:
        return resp.groupDelay;
    case FrequencyView::Magnitude:
        break;
    }
    return resp.magnitudeDb;
}

const std::vector<double>& FilterPlot::TimeValues() const
{
    return m_timeView == TimeView::Step ? m_step : m_taps;
}

QRect FilterPlot::TimePane() const
{
    if (Stacked())
        return QRect(0, 0, width(), height() / 2);
    return QRect(0, 0, width() * 7 / 20 + 4, height());
}

QRect FilterPlot::FrequencyPane() const
{
    if (Stacked())
        return QRect(0, height() / 2, width(), height() - height() / 2);
    const int split = width() * 7 / 20 + 4;
    return QRect(split, 0, width() - split, height());
}

// The lines a caption takes under its plot: one, or as many as it wraps to in its pane.
int FilterPlot::CaptionLines(const QRect& pane, const QString& caption) const
{
    const QFontMetrics fm = fontMetrics();
    const int room = pane.width() - 8;
    if (fm.horizontalAdvance(caption) <= room)
        return 1;
    const QString lines = WrapCaption(fm, caption, room).join(QLatin1Char('\n'));
    const QRect wrapped =
        fm.boundingRect(QRect(0, 0, room, 10000), Qt::AlignHCenter | Qt::TextWordWrap, lines);
    return std::max(1, (wrapped.height() + fm.height() - 1) / fm.height());
}

// The lines under a plot: its numbers and its caption. Side by side, both plots end at
// the same height so that their captions line up.
int FilterPlot::BottomLines(Pane pane) const
{
    const int time = CaptionLines(TimePane(), TimeCaption());
    const int frequency = CaptionLines(FrequencyPane(), FrequencyCaption());
    if (Stacked())
        return 1 + (pane == Pane::Time ? time : frequency);
    return 1 + std::max(time, frequency);
}

QRect FilterPlot::ImpulseRect() const
{
    return Areas().first;
}

QRect FilterPlot::MagnitudeRect() const
{
    return Areas().second;
}

// Every point drawn asks where its plot is: the areas are measured once per size and
// captions.
const std::pair<QRect, QRect>& FilterPlot::Areas() const
{
    if (m_areas && m_areasSize == size())
        return *m_areas;
    m_areasSize = size();
    const int fh = fontMetrics().height();
    const QRect time = TimePane();
    const int timeLines = BottomLines(Pane::Time);
    const int timeLeft = 8 + fontMetrics().horizontalAdvance(QStringLiteral("-0.000")) + 6;
    const QRect frequency = FrequencyPane();
    const int frequencyLines = BottomLines(Pane::Frequency);
    const int frequencyLeft =
        frequency.left() + 4 + fontMetrics().horizontalAdvance(QStringLiteral("-100.0")) + 6;
    m_areas.emplace(QRect(QPoint(timeLeft, time.top() + 2 * fh + 6),
                          QPoint(time.right() - 15, time.bottom() - timeLines * fh - 7)),
                    QRect(QPoint(frequencyLeft, frequency.top() + 2 * fh + 6),
                          QPoint(width() - 16, frequency.bottom() - frequencyLines * fh - 7)));
    return *m_areas;
}

void FilterPlot::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::LanguageChange)
        m_areas.reset();
}

bool FilterPlot::Stacked() const
{
    // Tall and narrow (a panel floated or docked at the side): one plot above the other,
    // each with the whole width, once there is height for two.
    return height() >= 2 * kStackedPaneHeight && width() < height() * 4 / 3;
}

std::pair<double, double> FilterPlot::TapRange() const
{
    double lo = 0.0;
    double hi = 0.0;
    const std::vector<double>& values = TimeValues();
    // The visible taps set the scale, so that a zoom shows small taps at full height.
    const auto first = std::size_t(std::clamp(std::floor(m_tap0), 0.0, double(values.size())));
    const auto last = std::size_t(std::clamp(std::ceil(m_tap1) + 1, 0.0, double(values.size())));
    for (std::size_t n = first; n < last; ++n) {
        lo = std::min(lo, values[n]);
        hi = std::max(hi, values[n]);
    }
    if (hi - lo < 1e-12)
        hi = 1.0;
    const double pad = 0.1 * (hi - lo);
    return {lo < 0 ? lo - pad : 0.0, hi + pad};
}

double FilterPlot::XForTap(double n) const
{
    const QRect r = ImpulseRect();
    return r.left() + (n - m_tap0) / (m_tap1 - m_tap0) * r.width();
}

double FilterPlot::TapAt(double x) const
{
    const QRect r = ImpulseRect();
    return m_tap0 + (x - r.left()) / std::max(1, r.width()) * (m_tap1 - m_tap0);
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
    if (m_log) {
        if (cyclesPerSample <= 0)
            return r.left() - 1e6;
        return r.left() + std::log(cyclesPerSample / m_f0) / std::log(m_f1 / m_f0) * r.width();
    }
    return r.left() + (cyclesPerSample - m_f0) / (m_f1 - m_f0) * r.width();
}

double FilterPlot::FrequencyAt(double x) const
{
    const QRect r = MagnitudeRect();
    const double t = (x - r.left()) / std::max(1, r.width());
    if (m_log)
        return m_f0 * std::pow(m_f1 / m_f0, t);
    return m_f0 + t * (m_f1 - m_f0);
}

double FilterPlot::TopDb()
{
    Response();
    const double peak = std::max(m_responsePeakDb, m_spectraPeakDb);
    return std::max(10.0, std::ceil(peak / 10.0) * 10.0);
}

FilterPlot::Range FilterPlot::AutoValueRange()
{
    switch (m_frequencyView) {
    case FrequencyView::Magnitude: {
        const double top = TopDb();
        return {top - (HasSpectra() ? 2 * kDefaultRangeDb - 30.0 : kDefaultRangeDb), top, true};
    }
    case FrequencyView::Phase:
        return {-180.0, 180.0, true};
    case FrequencyView::GroupDelay:
        break;
    }
    // Group delay: where the filter passes something (within 60 dB of its peak), so
    // that the spikes beside its nulls do not squash the rest.
    const FrequencyResponse& resp = Response();
    double peak = kFloorDb;
    for (double db : resp.magnitudeDb)
        peak = std::max(peak, db);
    double lo = 0.0, hi = 1.0;
    for (std::size_t k = 0; k < resp.groupDelay.size(); ++k)
        if (resp.magnitudeDb[k] > peak - 60.0 && std::isfinite(resp.groupDelay[k])) {
            lo = std::min(lo, resp.groupDelay[k]);
            hi = std::max(hi, resp.groupDelay[k]);
        }
    const double step = NiceStep(hi - lo, 5);
    return {std::floor(lo / step) * step, std::ceil(hi * 1.05 / step) * step, true};
}

FilterPlot::Range& FilterPlot::ValueRange()
{
    Range& r = m_values[std::size_t(m_frequencyView)];
    if (r.automatic) {
        Response(); // a new response forgets the automatic ranges
        std::optional<Range>& found = m_autoValues[std::size_t(m_frequencyView)];
        if (!found)
            found = AutoValueRange();
        r = *found;
    }
    return r;
}

double FilterPlot::YForDb(double db)
{
    const QRect r = MagnitudeRect();
    const Range range = ValueRange();
    const double clamped = std::clamp(db, range.lo, range.hi);
    return r.top() + (range.hi - clamped) / (range.hi - range.lo) * r.height();
}

void FilterPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    PaintTime(p, ImpulseRect());
    PaintFrequency(p, MagnitudeRect());
    // The description follows what was just drawn; a hidden plot computes nothing.
    const QString summary = Summary();
    if (summary != accessibleDescription())
        setAccessibleDescription(summary);
    if (Exporting(this))
        return;
    PaintFocus(p);
    if (m_readout.isEmpty() || !m_pointer)
        return;
    // The read-out in the top right corner of the plot under the pointer.
    const QRect area = ImpulseRect().contains(*m_pointer) ? ImpulseRect() : MagnitudeRect();
    const QFontMetrics fm = p.fontMetrics();
    const int w = fm.horizontalAdvance(m_readout) + 10;
    const QRect box(area.right() - w - 4, area.top() + 4, w, fm.height() + 4);
    p.fillRect(box, palette().toolTipBase());
    p.setPen(palette().toolTipText().color());
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box, Qt::AlignCenter, m_readout);
}

void FilterPlot::PaintFocus(QPainter& p)
{
    if (!hasFocus())
        return;
    // The plot the keys act on, framed in the highlight colour.
    const QRect area = m_active == Pane::Time ? ImpulseRect() : MagnitudeRect();
    p.setPen(QPen(palette().highlight().color(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(-3, -3, 2, 2));
}

QString FilterPlot::TimeCaption() const
{
    return tr("n（サンプル）");
}

QString FilterPlot::FrequencyCaption() const
{
    return m_sampleRate > 0 ? (m_log ? tr("周波数 [Hz]（%1 Hz でサンプリング）　対数軸")
                                     : tr("周波数 [Hz]（%1 Hz でサンプリング）"))
                                  .arg(m_sampleRate)
                            : (m_log ? tr("周波数 [サイクル/サンプル]　対数軸")
                                     : tr("周波数 [サイクル/サンプル]"));
}

void FilterPlot::PaintTime(QPainter& p, const QRect& area)
{
    const QFontMetrics fm = p.fontMetrics();
    const QColor text = palette().text().color();
    const QColor grid = GridColour(palette());
    const QColor curve = CurveColour(palette());
    const QRect pane = TimePane().adjusted(4, 0, -4, 0);
    p.setPen(text);
    DrawTitle(p, area, pane,
              m_timeView == TimeView::Step
                  ? tr("ステップ応答 s[n]（%1 タップ）").arg(m_taps.size())
                  : tr("インパルス応答 h[n]（%1 タップ）").arg(m_taps.size()));

    const auto [lo, hi] = TapRange();
    // Horizontal grid with values, then the zero line.
    const double step = NiceStep(hi - lo, 4);
    for (double v = std::ceil(lo / step) * step; v <= hi + 1e-12; v += step) {
        const int y = int(std::lround(YForTap(v)));
        p.setPen(grid);
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(text);
        p.drawText(QRect(0, y - fm.height() / 2, area.left() - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, Number(v, 3));
    }
    const int zero = int(std::lround(YForTap(0.0)));
    p.setPen(text);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.drawLine(area.left(), zero, area.right(), zero);

    // Tap numbers along the bottom, whole taps only.
    const std::vector<double>& values = TimeValues();
    const std::size_t count = values.size();
    if (count > 0) {
        const double first = std::max(0.0, std::ceil(m_tap0));
        const double last = std::min(double(count - 1), std::floor(m_tap1));
        const double nStep = std::max(1.0, NiceStep(last - first, std::max(2, area.width() / 60)));
        for (double n = std::ceil(first / nStep) * nStep; n <= last + 1e-9; n += nStep) {
            const int x = int(std::lround(XForTap(n)));
            p.drawLine(x, area.bottom(), x, area.bottom() + 3);
            p.drawText(QRect(x - 40, area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
                       Number(n, 6));
        }
    }
    DrawCaption(p, area, pane, TimeCaption());

    // Stems: one per tap while they fit, otherwise the extent of the taps in each
    // pixel column.
    p.save();
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(curve, 1));
    const int columns = std::max(1, area.width());
    const double visible = m_tap1 - m_tap0;
    const auto first = std::size_t(std::clamp(std::floor(m_tap0), 0.0, double(count)));
    const auto end = std::size_t(std::clamp(std::ceil(m_tap1) + 1, 0.0, double(count)));
    if (visible <= double(columns) / 2) {
        const bool marks = visible <= double(columns) / 6;
        p.setBrush(curve);
        for (std::size_t n = first; n < end; ++n) {
            const int x = int(XForTap(double(n)));
            const int y = int(std::lround(YForTap(values[n])));
            p.drawLine(x, zero, x, y);
            if (marks)
                p.drawEllipse(QPoint(x, y), 2, 2);
        }
        p.setBrush(Qt::NoBrush);
    } else {
        std::vector<double> colLo(std::size_t(columns), 0.0), colHi(std::size_t(columns), 0.0);
        std::vector<bool> used(std::size_t(columns), false);
        for (std::size_t n = first; n < end; ++n) {
            const double c = std::floor((double(n) - m_tap0) / visible * columns);
            if (c < 0 || c >= columns)
                continue;
            const auto i = std::size_t(c);
            colLo[i] = std::min(colLo[i], values[n]);
            colHi[i] = std::max(colHi[i], values[n]);
            used[i] = true;
        }
        for (int c = 0; c < columns; ++c) {
            const auto i = std::size_t(c);
            if (!used[i] || (colLo[i] == 0.0 && colHi[i] == 0.0))
                continue;
            const int x = area.left() + c;
            p.drawLine(x, int(std::lround(YForTap(colLo[i]))), x,
                       int(std::lround(YForTap(colHi[i]))));
        }
    }
    p.restore();

    if (!Exporting(this) && m_pointer && area.contains(*m_pointer)) {
        p.setPen(palette().highlight().color());
        p.drawLine(m_pointer->x(), area.top(), m_pointer->x(), area.bottom());
    }
}

void FilterPlot::PaintCurve(QPainter& p, const QRect& area, const std::vector<double>& values,
                            double wrap, const QColor& colour)
{
    // In each pixel column the extent of the points that fall in it, so that fast
    // ripples show as a band instead of aliasing; between points when zoomed in.
    const std::size_t points = values.size();
    if (points < 2)
        return;
    const double perCycle = 2.0 * double(points - 1); // point index per cycle/sample
    p.setPen(QPen(colour, 1));
    const int columns = std::max(1, area.width());
    double lastLo = std::nan(""), lastHi = std::nan("");
    for (int c = 0; c < columns; ++c) {
        const double fa = FrequencyAt(area.left() + c);
        const double fb = FrequencyAt(area.left() + c + 1);
        const double ka = std::max(0.0, fa * perCycle);
        const double kb = std::min(double(points - 1), fb * perCycle);
        if (ka > double(points - 1) || kb < 0)
            continue;
        double lo = INFINITY, hi = -INFINITY;
        for (auto k = std::size_t(std::ceil(ka)); double(k) <= kb; ++k)
            if (!std::isnan(values[k])) {
                lo = std::min(lo, values[k]);
                hi = std::max(hi, values[k]);
            }
        if (lo > hi) {
            // No point inside this column: the straight line between its neighbours.
            const double at = std::clamp(0.5 * (ka + kb), 0.0, double(points - 1));
            const auto k0 = std::size_t(std::floor(at));
            const std::size_t k1 = std::min(points - 1, k0 + 1);
            const double v0 = values[k0], v1 = values[k1];
            if (std::isnan(v0) || std::isnan(v1) || (wrap > 0 && std::abs(v1 - v0) > wrap / 2))
                lo = hi = std::isnan(v0) ? v1 : v0;
            else
                lo = hi = v0 + (v1 - v0) * (at - double(k0));
            if (std::isnan(lo)) {
                lastLo = lastHi = std::nan("");
                continue;
            }
        }
        double top = hi, bottom = lo;
        // Join with the previous column so the curve has no gaps, but not across a
        // wrap of the phase.
        if (!std::isnan(lastLo) &&
            !(wrap > 0 && (std::abs(lo - lastHi) > wrap / 2 || std::abs(hi - lastLo) > wrap / 2))) {
            top = std::max(top, lastLo);
            bottom = std::min(bottom, lastHi);
        }
        const int x = area.left() + c;
        p.drawLine(x, int(std::lround(YForDb(top))), x, int(std::lround(YForDb(bottom))));
        lastLo = lo;
        lastHi = hi;
    }
}

void FilterPlot::PaintFrequency(QPainter& p, const QRect& area)
{
    const QFontMetrics fm = p.fontMetrics();
    const QColor text = palette().text().color();
    const QColor grid = GridColour(palette());
    const Range range = ValueRange();
    QString title;
    switch (m_frequencyView) {
    case FrequencyView::Magnitude:
        title = HasSpectra() ? tr("振幅特性 |H(f)| とファイルのスペクトル [dB]")
                             : tr("振幅特性 |H(f)| [dB]");
        break;
    case FrequencyView::Phase:
        title = tr("位相特性 ∠H(f) [度]");
        break;
    case FrequencyView::GroupDelay:
        title = tr("群遅延 τ(f) [サンプル]");
        break;
    }
    const QRect pane = FrequencyPane().adjusted(4, 0, -4, 0);
    p.setPen(text);
    DrawTitle(p, area, pane, title);

    // Value grid: 10 dB, 45 degrees, or a round step at any zoom.
    const double span = range.hi - range.lo;
    double vStep = NiceStep(span, std::max(2, area.height() / (fm.height() + 6)));
    if (m_frequencyView == FrequencyView::Phase && range.lo == -180.0 && range.hi == 180.0)
        vStep = 45.0;
    const int decimals = std::max(0, -int(std::floor(std::log10(vStep))));
    for (double v = std::ceil(range.lo / vStep - 1e-9) * vStep; v <= range.hi + vStep * 1e-6;
         v += vStep) {
        const int y = int(std::lround(YForDb(v)));
        p.setPen(grid);
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(text);
        p.drawText(QRect(area.left() - 80, y - fm.height() / 2, 76, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::abs(v) < vStep * 1e-6 ? 0.0 : v, 'f', decimals));
    }
    // Frequency grid: Hz at the file's rate, otherwise cycles per sample.
    const double unit = m_sampleRate > 0 ? double(m_sampleRate) : 1.0;
    if (m_log) {
        // Decades with 2 and 5 between them while there is room.
        const double lo = m_f0 * unit, hi = m_f1 * unit;
        const bool fine = area.width() / std::max(1.0, std::log10(hi / lo)) > 120;
        for (double decade = std::pow(10.0, std::floor(std::log10(lo))); decade <= hi;
             decade *= 10) {
            for (double m : {1.0, 2.0, 5.0}) {
                const double f = m * decade;
                if (f < lo * 0.9999 || f > hi * 1.0001 || (!fine && m != 1.0))
                    continue;
                const int x = int(std::lround(XForFrequency(f / unit)));
                p.setPen(grid);
                p.drawLine(x, area.top(), x, area.bottom());
                p.setPen(text);
                p.drawLine(x, area.bottom(), x, area.bottom() + 3);
                p.drawText(QRect(x - 40, area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
                           Number(f, 6));
            }
        }
    } else {
        const double lo = m_f0 * unit, hi = m_f1 * unit;
        const double fStep = NiceStep(hi - lo, std::max(2, area.width() / 70));
        for (double f = std::ceil(lo / fStep - 1e-9) * fStep; f <= hi + fStep * 1e-6; f += fStep) {
            const int x = int(std::lround(XForFrequency(f / unit)));
            p.setPen(grid);
            p.drawLine(x, area.top(), x, area.bottom());
            p.setPen(text);
            p.drawLine(x, area.bottom(), x, area.bottom() + 3);
            p.drawText(QRect(x - 40, area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
                       Number(f, 6));
        }
    }
    p.setPen(text);
    DrawCaption(p, area, pane, FrequencyCaption());
    p.drawRect(area.adjusted(0, 0, -1, -1));

    p.save();
    p.setClipRect(area);
    if (m_frequencyView == FrequencyView::Magnitude) {
        PaintCurve(p, area, m_inputDb, 0.0, InputColour(palette()));
        PaintCurve(p, area, m_outputDb, 0.0, OutputColour(palette()));
    }
    PaintCurve(p, area, FrequencyValues(), m_frequencyView == FrequencyView::Phase ? 360.0 : 0.0,
               CurveColour(palette()));
    p.restore();

    if (m_frequencyView == FrequencyView::Magnitude && HasSpectra()) {
        // The legend, bottom left inside the plot, so that colour is not the only key.
        const std::array<std::pair<QString, QColor>, 3> keys{{
            {tr("入力"), InputColour(palette())},
            {tr("出力"), OutputColour(palette())},
            {QStringLiteral("|H(f)|"), CurveColour(palette())},
        }};
        int x = area.left() + 8;
        const int y = area.bottom() - fm.height() - 6;
        for (const auto& [name, colour] : keys) {
            const int w = fm.horizontalAdvance(name);
            p.fillRect(QRect(x - 2, y, 24 + w + 6, fm.height() + 2), palette().base());
            p.setPen(QPen(colour, 2));
            p.drawLine(x, y + fm.height() / 2, x + 18, y + fm.height() / 2);
            p.setPen(text);
            p.drawText(QRect(x + 22, y, w + 2, fm.height()), Qt::AlignLeft, name);
            x += 24 + w + 14;
        }
    }

    if (!Exporting(this) && m_pointer && area.contains(*m_pointer)) {
        p.setPen(palette().highlight().color());
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
        const double points = double(resp.frequency.size());
        const double f = std::clamp(FrequencyAt(at.x()), 0.0, 0.5);
        const auto k = std::size_t(std::lround(f / 0.5 * (points - 1)));
        const QString freq =
            m_sampleRate > 0 ? Number(resp.frequency[k] * m_sampleRate, 6) + QStringLiteral(" Hz")
                             : tr("%1 サイクル/サンプル").arg(Number(resp.frequency[k], 4));
        const auto dB = [](double db) {
            // No "-0.00" for a level that rounds to zero.
            return db <= kFloorDb ? kMinusInfinity
                                  : QString::number(std::abs(db) < 0.005 ? 0.0 : db, 'f', 2) +
                                        QStringLiteral(" dB");
        };
        QString value;
        switch (m_frequencyView) {
        case FrequencyView::Magnitude:
            value = dB(resp.magnitudeDb[k]);
            break;
        case FrequencyView::Phase:
            value = std::isnan(m_phaseDegrees[k])
                        ? tr("位相なし（%1）").arg(kMinusInfinity)
                        : QString::number(m_phaseDegrees[k], 'f', 1) + QStringLiteral("°");
            break;
        case FrequencyView::GroupDelay: {
            const double tau = resp.groupDelay[k];
            if (std::isnan(tau)) {
                value = tr("群遅延なし（%1）").arg(kMinusInfinity);
            } else {
                value = tr("%1 サンプル").arg(QString::number(tau, 'f', 2));
                if (m_sampleRate > 0)
                    value +=
                        tr("（%1 ms）").arg(QString::number(tau * 1000.0 / m_sampleRate, 'f', 3));
            }
            break;
        }
        }
        text = freq + QStringLiteral("  ") + value;
        if (m_frequencyView == FrequencyView::Magnitude && HasSpectra()) {
            const auto bin = [f](const std::vector<double>& s) {
                return s[std::size_t(std::lround(f / 0.5 * double(s.size() - 1)))];
            };
            if (!m_inputDb.empty())
                text += tr("  入力 %1").arg(dB(bin(m_inputDb)));
            if (!m_outputDb.empty())
                text += tr("  出力 %1").arg(dB(bin(m_outputDb)));
        }
    } else if (imp.contains(at) && !m_taps.empty()) {
        const std::vector<double>& values = TimeValues();
        const double count = double(values.size());
        const auto n = std::size_t(std::clamp(std::round(TapAt(at.x())), 0.0, count - 1));
        text = QStringLiteral("%1[%2] = %3")
                   .arg(m_timeView == TimeView::Step ? QStringLiteral("s") : QStringLiteral("h"))
                   .arg(n)
                   .arg(Number(values[n], 6));
    }
    m_readout = text;
}

QString FilterPlot::Summary()
{
    if (m_taps.empty())
        return tr("フィルタが選ばれていません");
    const FrequencyResponse& resp = Response();
    const double unit = m_sampleRate > 0 ? double(m_sampleRate) : 1.0;
    const auto freq = [&](double f) {
        return m_sampleRate > 0 ? Number(f * unit, 5) + QStringLiteral(" Hz")
                                : tr("%1 サイクル/サンプル").arg(Number(f, 5));
    };
    const auto peakAt =
        std::size_t(std::max_element(resp.magnitudeDb.begin(), resp.magnitudeDb.end()) -
                    resp.magnitudeDb.begin());
    const double peak = resp.magnitudeDb[peakAt];
    QStringList parts;
    parts << tr("%1 タップ").arg(m_taps.size());
    parts
        << tr("最大 %1 dB（%2）").arg(QString::number(peak, 'f', 2), freq(resp.frequency[peakAt]));
    // The pass band from the peak to 3 dB down; the stop band from the first null
    // beyond it, when the filter has one.
    std::size_t hi = peakAt;
    while (hi + 1 < resp.magnitudeDb.size() && resp.magnitudeDb[hi + 1] >= peak - 3.0)
        ++hi;
    std::size_t lo = peakAt;
    while (lo > 0 && resp.magnitudeDb[lo - 1] >= peak - 3.0)
        --lo;
    if (hi + 1 < resp.magnitudeDb.size() || lo > 0) {
        parts
            << tr("通過域（−3 dB）%1〜%2").arg(freq(resp.frequency[lo]), freq(resp.frequency[hi]));
        std::size_t null = hi + 1;
        while (null + 1 < resp.magnitudeDb.size() &&
               resp.magnitudeDb[null + 1] <= resp.magnitudeDb[null])
            ++null;
        if (null + 1 < resp.magnitudeDb.size()) {
            double stop = kFloorDb;
            for (std::size_t k = null; k < resp.magnitudeDb.size(); ++k)
                stop = std::max(stop, resp.magnitudeDb[k]);
            if (stop < peak - 10.0)
                parts << tr("阻止域 %1 から最大 %2 dB")
                             .arg(freq(resp.frequency[null]), QString::number(stop, 'f', 1));
        }
    }
    if (HasSpectra())
        parts << tr("入力と出力のスペクトルを表示");
    QString shown;
    switch (m_frequencyView) {
    case FrequencyView::Magnitude:
        shown = tr("振幅 %1〜%2 dB").arg(Number(ValueRange().lo, 4), Number(ValueRange().hi, 4));
        break;
    case FrequencyView::Phase:
        shown = tr("位相");
        break;
    case FrequencyView::GroupDelay:
        shown = tr("群遅延");
        break;
    }
    parts << tr("表示: %1、%2〜%3%4")
                 .arg(shown, Number(m_f0 * unit, 5), freq(m_f1),
                      m_log ? tr("（対数軸）") : QString());
    parts << tr("%1 n = %2〜%3")
                 .arg(m_timeView == TimeView::Step ? tr("ステップ応答") : tr("インパルス応答"))
                 .arg(std::max(0.0, std::ceil(m_tap0)))
                 .arg(std::min(double(m_taps.size() - 1), std::floor(m_tap1)));
    if (!m_readout.isEmpty())
        parts << tr("カーソル: %1").arg(m_readout);
    return parts.join(tr("。", "between sentences")) + tr("。", "after the last sentence");
}

std::string FilterPlot::TimeCsv() const
{
    std::string out = "n,h,step\n";
    for (std::size_t n = 0; n < m_taps.size(); ++n)
        out += std::to_string(n) + "," + CsvNumber(m_taps[n]) + "," + CsvNumber(m_step[n]) + "\n";
    return out;
}

std::string FilterPlot::FrequencyCsv()
{
    const FrequencyResponse& resp = Response();
    std::string out = m_sampleRate > 0 ? "frequency_hz" : "frequency_cycles_per_sample";
    out += ",magnitude_db,phase_deg,group_delay_samples\n";
    const double unit = m_sampleRate > 0 ? double(m_sampleRate) : 1.0;
    for (std::size_t k = 0; k < resp.frequency.size(); ++k) {
        // No level at all is written as an empty field, like an undefined phase.
        const double db = resp.magnitudeDb[k] <= kFloorDb ? std::nan("") : resp.magnitudeDb[k];
        out += CsvNumber(resp.frequency[k] * unit) + "," + CsvNumber(db) + "," +
               CsvNumber(m_phaseDegrees[k]) + "," + CsvNumber(resp.groupDelay[k]) + "\n";
    }
    return out;
}

std::string FilterPlot::SpectraCsv() const
{
    std::string out = m_sampleRate > 0 ? "frequency_hz" : "frequency_cycles_per_sample";
    out += ",input_db,output_db\n";
    const std::size_t bins = std::max(m_inputDb.size(), m_outputDb.size());
    const double unit = m_sampleRate > 0 ? double(m_sampleRate) : 1.0;
    const auto field = [](const std::vector<double>& s, std::size_t k) {
        return k < s.size() && s[k] > kFloorDb ? CsvNumber(s[k]) : std::string();
    };
    for (std::size_t k = 0; k < bins; ++k)
        out += CsvNumber(0.5 * double(k) / double(std::max<std::size_t>(1, bins - 1)) * unit) +
               "," + field(m_inputDb, k) + "," + field(m_outputDb, k) + "\n";
    return out;
}

void FilterPlot::ZoomTime(double factor, double atTap)
{
    const double count = std::max(1.0, double(m_taps.size()));
    const double whole = count;
    double span = std::clamp((m_tap1 - m_tap0) * factor, std::min(kMinTapSpan, whole), whole);
    const double share = (atTap - m_tap0) / (m_tap1 - m_tap0);
    m_tap0 = atTap - share * span;
    m_tap1 = m_tap0 + span;
    PanTime(0);
}

void FilterPlot::PanTime(double pixels)
{
    const double count = std::max(1.0, double(m_taps.size()));
    const double span = m_tap1 - m_tap0;
    double start = m_tap0 + pixels / std::max(1, ImpulseRect().width()) * span;
    start = std::clamp(start, -0.5, std::max(-0.5, count - 0.5 - span));
    m_tap0 = start;
    m_tap1 = start + span;
}

void FilterPlot::ZoomFrequency(double factor, double atX)
{
    const double floor = m_log ? LogFloor() : 0.0;
    const double at = std::clamp(FrequencyAt(atX), floor, 0.5);
    if (m_log) {
        const double ratio = std::log(m_f1 / m_f0);
        const double share = std::log(at / m_f0) / ratio;
        double span = std::clamp(ratio * factor, 1e-3, std::log(0.5 / floor));
        m_f0 = at / std::exp(share * span);
        m_f1 = m_f0 * std::exp(span);
    } else {
        const double share = (at - m_f0) / (m_f1 - m_f0);
        // At most one response point in every few pixels.
        const double minimum = 4.0 * 0.5 / double(ResponsePointsFor(m_taps.size()));
        const double span = std::clamp((m_f1 - m_f0) * factor, minimum, 0.5);
        m_f0 = at - share * span;
        m_f1 = m_f0 + span;
    }
    PanFrequency(0);
}

void FilterPlot::PanFrequency(double pixels)
{
    const double floor = m_log ? LogFloor() : 0.0;
    const double t = pixels / std::max(1, MagnitudeRect().width());
    if (m_log) {
        double span = std::log(m_f1 / m_f0);
        span = std::min(span, std::log(0.5 / floor));
        double start = std::log(m_f0) + t * span;
        start = std::clamp(start, std::log(floor), std::log(0.5) - span);
        m_f0 = std::exp(start);
        m_f1 = std::exp(start + span);
    } else {
        const double span = std::min(m_f1 - m_f0, 0.5);
        const double start = std::clamp(m_f0 + t * span, 0.0, 0.5 - span);
        m_f0 = start;
        m_f1 = start + span;
    }
}

void FilterPlot::ZoomValues(double factor)
{
    Range& r = ValueRange();
    const double span = r.hi - r.lo;
    double next = span * factor;
    if (m_frequencyView == FrequencyView::Magnitude)
        next = std::clamp(next, kMinRangeDb, kMaxRangeDb);
    next = std::max(next, 1e-6);
    // The top stays where it is for dB, where the curve's peak usually sits; the
    // middle stays for the others.
    if (m_frequencyView == FrequencyView::Magnitude) {
        r.lo = r.hi - next;
    } else {
        const double mid = 0.5 * (r.lo + r.hi);
        r.lo = mid - next / 2;
        r.hi = mid + next / 2;
    }
    r.automatic = false;
}

void FilterPlot::MoveCursor(int pixels)
{
    const QRect area = m_active == Pane::Time ? ImpulseRect() : MagnitudeRect();
    QPoint at = m_pointer && area.contains(*m_pointer) ? *m_pointer : area.center();
    if (m_active == Pane::Time && m_pointer && area.contains(*m_pointer) && std::abs(pixels) == 1) {
        // One tap at a time when the arrows step through the stems.
        const double n = std::round(TapAt(at.x())) + pixels;
        const double x = XForTap(n);
        at.setX(int(std::lround(x)) == at.x() ? at.x() + pixels : int(std::lround(x)));
    } else {
        at.setX(at.x() + pixels);
    }
    // Scroll when the cursor would leave the plot.
    if (at.x() < area.left() || at.x() > area.right()) {
        const int over = at.x() < area.left() ? at.x() - area.left() : at.x() - area.right();
        if (m_active == Pane::Time)
            PanTime(over);
        else
            PanFrequency(over);
        at.setX(std::clamp(at.x(), area.left(), area.right()));
    }
    m_pointer = at;
}

void FilterPlot::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const QRect area = m_active == Pane::Time ? ImpulseRect() : MagnitudeRect();
    const int cursorX = m_pointer && area.contains(*m_pointer) ? m_pointer->x() : area.center().x();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = event->key() == Qt::Key_Left ? -1 : 1;
        if (ctrl) {
            SetActivePane(sign < 0 ? Pane::Time : Pane::Frequency);
            if (!m_pointer)
                MoveCursor(0);
        } else {
            MoveCursor(sign * (shift ? 10 : 1));
        }
        break;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        MoveCursor(0);
        m_pointer->setX(event->key() == Qt::Key_Home ? area.left() : area.right());
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus: {
        const double factor = event->key() == Qt::Key_Minus ? 2.0 : 0.5;
        if (m_active == Pane::Time)
            ZoomTime(factor, TapAt(cursorX));
        else
            ZoomFrequency(factor, cursorX);
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (m_active != Pane::Frequency)
            SetActivePane(Pane::Frequency);
        ZoomValues(event->key() == Qt::Key_Up ? 0.5 : 2.0);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        Range& r = ValueRange();
        const double shiftBy = 0.25 * (r.hi - r.lo) * (event->key() == Qt::Key_PageUp ? 1 : -1);
        r.lo += shiftBy;
        r.hi += shiftBy;
        r.automatic = false;
        break;
    }
    case Qt::Key_0:
    case Qt::Key_Escape:
        if (m_active == Pane::Time)
            FitTime();
        else
            FitFrequency();
        m_values[std::size_t(m_frequencyView)].automatic = true;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    Changed();
}

void FilterPlot::wheelEvent(QWheelEvent* event)
{
    const QPointF at = event->position();
    // A notch is 120; touchpads send smaller steps, which zoom in proportion.
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kZoomStep, -notches);
    if (ImpulseRect().contains(at.toPoint())) {
        SetActivePane(Pane::Time);
        ZoomTime(factor, TapAt(at.x()));
    } else if (MagnitudeRect().contains(at.toPoint())) {
        SetActivePane(Pane::Frequency);
        if (event->modifiers() & Qt::ControlModifier)
            ZoomValues(factor);
        else
            ZoomFrequency(factor, at.x());
    } else {
        event->ignore();
        return;
    }
    event->accept();
    Changed();
}

void FilterPlot::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    m_pointer = at;
    UpdateReadout(at);
    if (ImpulseRect().contains(at))
        SetActivePane(Pane::Time);
    else if (MagnitudeRect().contains(at))
        SetActivePane(Pane::Frequency);
    update();
    if (event->button() == Qt::LeftButton)
        m_dragFrom = at;
    QWidget::mousePressEvent(event);
}

void FilterPlot::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragFrom.reset();
    QWidget::mouseReleaseEvent(event);
}

void FilterPlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (ImpulseRect().contains(at))
        FitTime();
    else if (MagnitudeRect().contains(at)) {
        FitFrequency();
        m_values[std::size_t(m_frequencyView)].automatic = true;
    }
    Changed();
}

void FilterPlot::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const int dx = at.x() - m_dragFrom->x();
        if (ImpulseRect().contains(*m_dragFrom)) {
            PanTime(-dx);
        } else {
            PanFrequency(-dx);
            const int dy = at.y() - m_dragFrom->y();
            if (dy != 0 && !ValueRange().automatic) {
                Range& r = ValueRange();
                const double by =
                    double(dy) / std::max(1, MagnitudeRect().height()) * (r.hi - r.lo);
                r.lo += by;
                r.hi += by;
            }
        }
        m_dragFrom = at;
        m_pointer = at;
        Changed();
        return;
    }
    m_pointer = at;
    UpdateReadout(at);
    update();
}

void FilterPlot::leaveEvent(QEvent*)
{
    if (hasFocus() && m_pointer) {
        // The keyboard's cursor stays while the plot has the focus.
        return;
    }
    m_pointer.reset();
    m_readout.clear();
    Changed();
}

void FilterPlot::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void FilterPlot::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (!underMouse()) {
        m_pointer.reset();
        m_readout.clear();
    }
    Changed();
}

void FilterPlot::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    std::vector<PlotData> exports{
        {tr("時間応答のデータを CSV で保存..."), QStringLiteral("impulse-response.csv"),
         [this] { return TimeCsv(); }},
        {tr("周波数特性のデータを CSV で保存..."), QStringLiteral("frequency-response.csv"),
         [this] { return FrequencyCsv(); }},
    };
    if (HasSpectra())
        exports.push_back({tr("スペクトルのデータを CSV で保存..."), QStringLiteral("spectra.csv"),
                           [this] { return SpectraCsv(); }});
    AddExportActions(&menu, this, QStringLiteral("filter-response"), exports);
    menu.addSeparator();
    menu.addAction(tr("全体表示"), this, &FilterPlot::FitAll);
    menu.addAction(tr("通過域を拡大"), this, &FilterPlot::ZoomPassBand);
    menu.exec(event->globalPos());
}

} // namespace ravelin
