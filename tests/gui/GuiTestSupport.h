#pragma once

// Common set-up of the desktop program's tests.

#include "ModalDriver.h"
#include "app/MainFrame.h"
#include "app/SettingsLocation.h"
#include "engine/Presets.h"
#include "support/WavFiles.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>
#include <clocale>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the widget paints, at its size.
inline QImage Paint(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    return image;
}

// A right click with the mouse at `at`, as the context menu sees it.
inline void RightClick(QWidget* w, QPoint at)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &event);
}

// Settings go to a test folder, never the user's, and start empty.
inline void IsolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QString::fromUtf8(ravelin::kSettingsOrganisation),
              QString::fromUtf8(ravelin::kSettingsApplication))
        .clear();
}

// A fresh main window over empty settings, shown and asked to take the keyboard;
// the caller waits with QTest::qWaitForWindowActive.
inline std::unique_ptr<ravelin::CMainFrame> ShowMainFrame()
{
    IsolateSettings();
    auto frame = std::make_unique<ravelin::CMainFrame>();
    frame->show();
    frame->activateWindow();
    return frame;
}

// Confirms the settings as the settings dialog does.
inline void ConfirmSettings(ravelin::CRavelinDoc& doc, int filter, int input)
{
    ravelin::SettingsValues values = doc.Settings();
    values.filter = filter;
    values.input = input;
    doc.ApplySettings(values);
}

// The user's three-tap filter set to double each sample, on the file input: a loud file
// then clips where a quiet one does not.
inline void UseDoublingFilterOnAFile(ravelin::CRavelinDoc& doc)
{
    ravelin::SettingsValues values = doc.Settings();
    values.filter = ravelin::kFilterUser3;
    values.tap = {0, 1, 2};
    values.coef = {2.0, 0.0, 0.0};
    values.input = ravelin::kInputFile;
    doc.ApplySettings(values);
}

// A menu item or toolbar button of the main window, by object name.
inline QAction* Action(const QWidget* frame, const char* name)
{
    auto* action = frame->findChild<QAction*>(QString::fromLatin1(name));
    if (!action)
        qFatal("no action %s", name);
    return action;
}

// Under a comma-decimal locale for the C library and Qt alike, restored at the end.
class CommaLocale {
  public:
    CommaLocale()
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        m_previous = current ? current : "C";
        m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, m_previous.c_str());
        QLocale::setDefault(QLocale::c());
    }
    bool Active() const { return m_active; }

  private:
    std::string m_previous;
    bool m_active = false;
};

// Writes a file whole, or ends the test program; gives its path back.
inline QString WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A file's bytes, none if it cannot be read.
inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Bytes built by the shared WAV builders, as Qt holds them.
inline QByteArray ToQByteArray(const ravelin::test::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// Words on screen, for the checks that every text is in the language asked for and
// whole in its box.

// Kana and CJK punctuation, the ideographs, the full- and half-width forms.
inline bool HasJapanese(const QString& text)
{
    for (const char32_t c : text.toUcs4())
        if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
            (c >= 0xFF00 && c <= 0xFFEF))
            return true;
    return false;
}

// The text a label, button or tab shows: its mnemonic's '&' gone, rich text as plain.
inline QString Shown(const QString& text)
{
    QString plain = text;
    if (Qt::mightBeRichText(plain)) {
        QTextDocument doc;
        doc.setHtml(plain);
        return doc.toPlainText();
    }
    plain.replace(QRegularExpression(QStringLiteral("&(?!&)")), QString());
    return plain;
}

// The widest line of the text as shown, in the widget's font.
inline int TextWidth(const QWidget* w, const QString& text)
{
    int widest = 0;
    for (const QString& line : Shown(text).split(QLatin1Char('\n')))
        widest = std::max(widest, w->fontMetrics().horizontalAdvance(line));
    return widest;
}

// The width a button without an icon leaves its text: a push button's margins, a radio
// button's or check box's indicator and the gap after it.
inline int TextRoom(const QAbstractButton* b)
{
    const QStyle* s = b->style();
    if (qobject_cast<const QRadioButton*>(b))
        return b->width() - s->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) -
               s->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
    if (qobject_cast<const QCheckBox*>(b))
        return b->width() - s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) -
               s->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
    return b->width() - 2 * s->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
}

enum class Wording { English, Any };

// Every problem with the texts of the visible widgets under root (root included) and of
// the actions given (their menus too), one line each: a text cut off by its box, and,
// for English, any Japanese left.
inline QStringList TextProblems(QWidget* root, const QList<QAction*>& actions = {},
                                Wording wording = Wording::English)
{
    QStringList problems;
    const auto say = [&](const QString& where, const QString& what, const QString& text) {
        problems << QStringLiteral("%1: %2: \"%3\"").arg(where, what, text);
    };
    const auto japanese = [&](const QString& where, const QString& what, const QString& text) {
        if (wording == Wording::English && HasJapanese(text))
            say(where, what + QStringLiteral(" in Japanese"), text);
    };
    const auto fit = [&](const QString& where, const QString& text, int width, int room) {
        if (width > room)
            say(where, QStringLiteral("%1 px of text in %2 px").arg(width).arg(room), text);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisible())
            continue;
        const QString name = QStringLiteral("%1 (%2)").arg(
            w->objectName(), QString::fromLatin1(w->metaObject()->className()));
        japanese(name, QStringLiteral("title"), w->windowTitle());
        japanese(name, QStringLiteral("tool tip"), w->toolTip());
        japanese(name, QStringLiteral("status tip"), w->statusTip());
        japanese(name, QStringLiteral("accessible name"), w->accessibleName());
        japanese(name, QStringLiteral("accessible description"), w->accessibleDescription());
        for (const QAction* a : w->actions()) {
            japanese(name, QStringLiteral("action"), a->text());
            japanese(name, QStringLiteral("action tip"), a->toolTip());
        }
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = Shown(label->text());
            japanese(name, QStringLiteral("label"), text);
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                if (!text.isEmpty())
                    fit(name + QStringLiteral(" height"), text, label->heightForWidth(room.width()),
                        room.height());
            } else {
                for (const QString& line : text.split(QLatin1Char('\n')))
                    fit(name, line, fm.horizontalAdvance(line), room.width() - 2 * label->margin());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QString text = Shown(button->text());
            japanese(name, QStringLiteral("button"), text);
            auto* tool = qobject_cast<QToolButton*>(button);
            if (!text.isEmpty() && (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly)) {
                // A button shows its whole text when it is at least as wide as it asks; the
                // room beside an icon is the style's own business.
                fit(name + QStringLiteral(" asks"), text, button->sizeHint().width(),
                    button->width());
                if (button->icon().isNull())
                    fit(name, text, TextWidth(button, text), TextRoom(button));
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const int room = combo->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option,
                                                  QStyle::SC_ComboBoxEditField, combo)
                                 .width();
            for (int i = 0; i < combo->count(); ++i) {
                japanese(name, QStringLiteral("item"), combo->itemText(i));
                fit(name + QStringLiteral(" item"), combo->itemText(i),
                    fm.horizontalAdvance(combo->itemText(i)), room);
            }
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            const int pad = tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
            for (int i = 0; i < tabs->count(); ++i) {
                const QString text = Shown(tabs->tabText(i));
                japanese(name, QStringLiteral("tab"), text);
                japanese(name, QStringLiteral("tab tip"), tabs->tabToolTip(i));
                fit(name + QStringLiteral(" tab"), text,
                    QFontMetrics(tabs->font()).horizontalAdvance(text) + pad / 2,
                    tabs->tabRect(i).width());
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            japanese(name, QStringLiteral("group"), group->title());
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxLabel, group);
            fit(name + QStringLiteral(" title"), group->title(),
                title.left() + TextWidth(group, group->title()), group->width());
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
            japanese(name, QStringLiteral("spin box"), spin->text());
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            japanese(name, QStringLiteral("text"), edit->toPlainText());
        }
    }
    for (QAction* a : actions) {
        const QString name = QStringLiteral("action ") + a->objectName();
        japanese(name, QStringLiteral("text"), a->text());
        japanese(name, QStringLiteral("tip"), a->toolTip());
        japanese(name, QStringLiteral("status tip"), a->statusTip());
        if (QMenu* menu = a->menu())
            problems << TextProblems(menu, menu->actions(), wording);
    }
    return problems;
}

// Keeps the texts a widget paints, each with the box it covers and whether the painter
// cut it: a painter clips drawText's box only when the text overflows it, and the
// render's own clip is the widget itself.
class TextEngine : public QPaintEngine {
  public:
    struct Drawn {
        QString text;
        QRectF box;
        bool cut = false;
        QPointF at; // the baseline's start
    };
    std::vector<Drawn> drawn;

    TextEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& changed) override
    {
        const auto flags = changed.state();
        if (flags & DirtyTransform)
            m_transform = changed.transform();
        if (flags & DirtyClipEnabled)
            m_clipOn = changed.isClipEnabled();
        if (flags & DirtyClipRegion)
            Clip(changed.clipOperation(), m_transform.mapRect(changed.clipRegion().boundingRect()));
        if (flags & DirtyClipPath)
            Clip(changed.clipOperation(),
                 m_transform.mapRect(changed.clipPath().boundingRect()).toAlignedRect());
    }
    void drawTextItem(const QPointF& at, const QTextItem& item) override
    {
        const QRectF box = m_transform.mapRect(
            QRectF(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent()));
        // A pixel of rounding either way.
        const bool cut =
            m_clipOn && m_clip && !QRectF(*m_clip).adjusted(-1, -1, 1, 1).contains(box);
        drawn.push_back({item.text(), box, cut, m_transform.map(at)});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}

  private:
    void Clip(Qt::ClipOperation op, const QRect& rect)
    {
        if (op == Qt::NoClip) {
            m_clip.reset();
            m_clipOn = false;
            return;
        }
        m_clipOn = true;
        m_clip = op == Qt::IntersectClip && m_clip ? m_clip->intersected(rect) : rect;
    }

    QTransform m_transform;
    std::optional<QRect> m_clip;
    bool m_clipOn = false;
};

// The widget's own size and resolution, so that its fonts measure as on screen; or a
// page's, for what a view paints when it prints.
class TextDevice : public QPaintDevice {
  public:
    explicit TextDevice(const QWidget* widget)
        : m_size(widget->size()), m_dpiX(widget->logicalDpiX()), m_dpiY(widget->logicalDpiY())
    {
    }
    TextDevice(QSize size, int dpi) : m_size(size), m_dpiX(dpi), m_dpiY(dpi) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<TextEngine::Drawn>& Drawn() const { return m_engine.drawn; }

  protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return m_dpiX;
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return m_dpiY;
        case PdmWidthMM:
            return m_size.width() * 254 / (10 * m_dpiX);
        case PdmHeightMM:
            return m_size.height() * 254 / (10 * m_dpiY);
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        }
        return 0;
    }

  private:
    QSize m_size;
    int m_dpiX;
    int m_dpiY;
    mutable TextEngine m_engine;
};

// What the widget draws, as texts with their boxes.
inline std::vector<TextEngine::Drawn> DrawnTexts(QWidget* widget)
{
    TextDevice device(widget);
    widget->render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
    return device.Drawn();
}

// Every problem with what a plot or view draws: a text cut off, and, for English, any
// Japanese; count gets the number of texts drawn.
inline QStringList DrawnProblems(QWidget* plot, int* count = nullptr,
                                 Wording wording = Wording::English)
{
    QStringList problems;
    const auto drawn = DrawnTexts(plot);
    for (const auto& d : drawn) {
        if (wording == Wording::English && HasJapanese(d.text))
            problems << QStringLiteral("%1 draws Japanese: \"%2\"").arg(plot->objectName(), d.text);
        if (d.cut)
            problems << QStringLiteral("%1 (%2 wide) cuts \"%3\" (%4 wide)")
                            .arg(plot->objectName())
                            .arg(plot->width())
                            .arg(d.text)
                            .arg(d.box.width());
    }
    if (count)
        *count = int(drawn.size());
    return problems;
}

// Where a page in a tab's scroll area scrolls more than it must: down although the
// viewport holds the least height the page needs at its width, sideways although it holds
// the least width, or (with `sideways` false) sideways at all.
inline QStringList ScrollingProblems(QWidget* page, bool sideways)
{
    QScrollArea* area = nullptr;
    for (QWidget* w = page->parentWidget(); w && !area; w = w->parentWidget())
        area = qobject_cast<QScrollArea*>(w);
    if (!area)
        return {QStringLiteral("%1 is in no scroll area").arg(page->objectName())};
    const QSize view = area->viewport()->size();
    const QSize least = page->minimumSizeHint().expandedTo(
        {0, page->layout()->totalMinimumHeightForWidth(view.width())});
    QStringList problems;
    const QString where = QStringLiteral("%1: %2 x %3 in %4 x %5")
                              .arg(QString::fromLatin1(page->metaObject()->className()))
                              .arg(page->width())
                              .arg(page->height())
                              .arg(view.width())
                              .arg(view.height());
    if (page->height() > std::max(least.height(), view.height()))
        problems << where + QStringLiteral(" scrolls down");
    if (area->horizontalScrollBar()->isVisible() &&
        (!sideways || page->width() > std::max(least.width(), view.width())))
        problems << where + QStringLiteral(" scrolls sideways");
    return problems;
}
