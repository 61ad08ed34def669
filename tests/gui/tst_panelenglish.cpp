// The filter panel's three pages and the designer in English: no Japanese left in what
// they show, say or draw, and no text cut off by its box, at the width the window has at
// first start and at a wide one.

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "app/LanguageChoice.h"
#include "engine/Commands.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"
#include "words/Language.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <limits>
#include <optional>

using namespace ravelin;

namespace {

bool HasJapanese(const QString& s)
{
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        // Kana and CJK punctuation, the ideographs, the full- and half-width forms.
        if ((u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) ||
            (u >= 0xff00 && u <= 0xffef))
            return true;
    }
    return false;
}

// The text a label, button or tab shows: its mnemonic's '&' gone, rich text as plain.
QString Shown(const QString& text)
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

// Keeps the texts a widget paints, each with the box it covers and whether the painter
// cut it: a painter clips drawText's box only when the text overflows it, and the
// render's own clip is the widget itself.
class TextEngine : public QPaintEngine {
  public:
    struct Drawn {
        QString text;
        QRectF box;
        bool cut = false;
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
        drawn.push_back({item.text(), box, cut});
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

// The widget's own size and resolution, so that its fonts measure as on screen.
class TextDevice : public QPaintDevice {
  public:
    explicit TextDevice(const QWidget* widget)
        : m_size(widget->size()), m_dpiX(widget->logicalDpiX()), m_dpiY(widget->logicalDpiY())
    {
    }
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
std::vector<TextEngine::Drawn> DrawnTexts(QWidget* widget)
{
    TextDevice device(widget);
    widget->render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
    return device.Drawn();
}

// Every problem with the texts of the visible widgets under root, one line each.
QStringList TextProblems(QWidget* root)
{
    QStringList problems;
    const auto say = [&](const QWidget* w, const QString& what, const QString& text) {
        problems << QStringLiteral("%1 (%2): %3: \"%4\"")
                        .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()),
                             what, text);
    };
    const auto japanese = [&](const QWidget* w, const QString& what, const QString& text) {
        if (HasJapanese(text))
            say(w, what + QStringLiteral(" in Japanese"), text);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisible())
            continue;
        japanese(w, QStringLiteral("tool tip"), w->toolTip());
        japanese(w, QStringLiteral("accessible name"), w->accessibleName());
        japanese(w, QStringLiteral("accessible description"), w->accessibleDescription());
        japanese(w, QStringLiteral("title"), w->windowTitle());
        for (const QAction* a : w->actions()) {
            japanese(w, QStringLiteral("action"), a->text());
            japanese(w, QStringLiteral("action tip"), a->toolTip());
        }
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = Shown(label->text());
            japanese(w, QStringLiteral("label"), text);
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                if (!text.isEmpty() && label->heightForWidth(room.width()) > room.height())
                    say(w, QStringLiteral("label taller than its box"), text);
            } else {
                for (const QString& line : text.split(QLatin1Char('\n')))
                    if (fm.horizontalAdvance(line) > room.width() - 2 * label->margin())
                        say(w, QStringLiteral("label wider than its box"), line);
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            japanese(w, QStringLiteral("button"), button->text());
            // A button shows its whole text when it is at least as wide as it asks.
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
                say(w, QStringLiteral("button narrower than its text"), Shown(button->text()));
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const int room = combo->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option,
                                                  QStyle::SC_ComboBoxEditField, combo)
                                 .width();
            for (int i = 0; i < combo->count(); ++i) {
                japanese(w, QStringLiteral("item"), combo->itemText(i));
                if (fm.horizontalAdvance(combo->itemText(i)) > room)
                    say(w, QStringLiteral("item wider than its box"), combo->itemText(i));
            }
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            const int pad = tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
            for (int i = 0; i < tabs->count(); ++i) {
                const QString text = Shown(tabs->tabText(i));
                japanese(w, QStringLiteral("tab"), text);
                japanese(w, QStringLiteral("tab tip"), tabs->tabToolTip(i));
                if (QFontMetrics(tabs->font()).horizontalAdvance(text) + pad / 2 >
                    tabs->tabRect(i).width())
                    say(w, QStringLiteral("tab narrower than its title"), text);
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            japanese(w, QStringLiteral("group"), group->title());
            if (fm.horizontalAdvance(Shown(group->title())) > group->width())
                say(w, QStringLiteral("group narrower than its title"), group->title());
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
            japanese(w, QStringLiteral("spin box"), spin->text());
        }
    }
    return problems;
}

// Every problem with what the plot draws: Japanese, or cut off.
QStringList DrawnProblems(QWidget* plot, int* count = nullptr)
{
    QStringList problems;
    const auto drawn = DrawnTexts(plot);
    for (const auto& d : drawn) {
        if (HasJapanese(d.text))
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

// The texts of the next context menu, noted into seen; then its item starting with choose
// is chosen (or, with none, the menu closed).
void PeekNextMenu(const std::shared_ptr<QStringList>& seen, const QString& choose)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, seen, choose] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu && clock->elapsed() < 10000)
            return;
        if (menu) {
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                *seen << a->text() << a->toolTip();
                if (!choose.isEmpty() && a->text().startsWith(choose) && a->isEnabled())
                    chosen = a;
            }
            if (chosen) {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            }
            if (menu->isVisible())
                menu->close();
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
    });
    timer->start(20);
}

// The title and the visible words of a dialog.
QStringList DialogTexts(QWidget* dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible())
            texts << label->text();
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible())
            texts << button->text();
    for (const QComboBox* combo : dialog->findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    return texts;
}

QStringList JapaneseAmong(const QStringList& texts)
{
    QStringList found;
    for (const QString& t : texts)
        if (HasJapanese(t))
            found << t;
    return found;
}

} // namespace

class TestPanelEnglish : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // As --lang en does at start-up.
        m_translator = InstallLanguage(Language::English);
        QVERIFY(m_translator);
        QCOMPARE(CurrentLanguage(), Language::English);
    }

    void cleanupTestCase()
    {
        QCoreApplication::removeTranslator(m_translator.get());
        SetLanguage(Language::Japanese);
    }

    // The seam sees what a painter cuts, or the checks below could pass blind.
    void theDrawnTextsShowACutTitle()
    {
        FilterPlot plot;
        plot.setObjectName(QStringLiteral("plot"));
        plot.SetTaps(std::vector<double>(5, 0.2));
        plot.resize(900, 300);
        int count = 0;
        QVERIFY2(DrawnProblems(&plot, &count).isEmpty(),
                 qPrintable(DrawnProblems(&plot).join('\n')));
        QVERIFY(count > 10);
        plot.resize(140, 300);
        QVERIFY(!DrawnProblems(&plot).isEmpty());
    }

    void everyPageInEnglishAndUncut_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("first start") << 0;
        QTest::newRow("wide") << 1600;
    }

    void everyPageInEnglishAndUncut()
    {
        QFETCH(int, width);
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        if (width > 0)
            frame->resize(width, frame->height());
        ConfirmSettings(frame->Document(), kFilterLpf4, frame->Document().Settings().input);
        RunFile(*frame);
        FilterDock* dock = frame->FilterPanel();
        QVERIFY(dock->isVisible());
        QVERIFY(dock->Waves()->HasRun());

        // What the page shows once its layout has settled (the window and the dock may
        // still be growing for a few events after the run).
        const auto pageProblems = [&](QWidget* page) {
            QStringList problems = TextProblems(dock);
            // With the read-outs up, under the pointer in each plot.
            for (auto* plot : page->findChildren<FilterPlot*>()) {
                for (const QRect& area : {plot->MagnitudeRect(), plot->ImpulseRect()}) {
                    QTest::mouseMove(plot, area.center());
                    int count = 0;
                    problems << DrawnProblems(plot, &count);
                    if (count <= 10)
                        problems << QStringLiteral("%1 draws no axes").arg(plot->objectName());
                }
            }
            for (auto* view : page->findChildren<WaveView*>()) {
                QTest::mouseMove(view, view->PlotRect().center());
                int count = 0;
                problems << DrawnProblems(view, &count);
                if (count <= 2)
                    problems << QStringLiteral("%1 draws no scales").arg(view->objectName());
            }
            problems << TextProblems(dock);
            problems.removeDuplicates();
            return problems;
        };
        QStringList problems;
        for (QWidget* page :
             {static_cast<QWidget*>(dock->Plot()->parentWidget()),
              static_cast<QWidget*>(dock->Waves()), static_cast<QWidget*>(dock->Designer())}) {
            dock->ShowPage(page);
            QTRY_VERIFY2((problems = pageProblems(page)).isEmpty(),
                         qPrintable(problems.join(QLatin1Char('\n'))));
        }
        // The designer saying what is wrong with a design.
        DesignPanel* designer = dock->Designer();
        designer->findChild<QComboBox*>(QStringLiteral("designType"))->setCurrentIndex(1);
        designer->findChild<QSpinBox*>(QStringLiteral("designTaps"))->setValue(254);
        QVERIFY(!designer->Problem().isEmpty());
        QTRY_VERIFY2((problems = TextProblems(dock)).isEmpty(),
                     qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // In a narrow window the pages scroll rather than squeeze: in English none asks for
    // more width than in Japanese, so that English scrolls no more than Japanese does.
    void englishPagesNoWiderThanJapanese()
    {
        const auto widths = [] {
            FilterDock dock;
            dock.SetSettings(SettingsValues{});
            std::vector<int> w;
            for (QWidget* page : {dock.Plot()->parentWidget(), static_cast<QWidget*>(dock.Waves()),
                                  static_cast<QWidget*>(dock.Designer())})
                w.push_back(page->minimumSizeHint().width());
            return w;
        };
        const std::vector<int> english = widths();
        QCoreApplication::removeTranslator(m_translator.get());
        SetLanguage(Language::Japanese);
        const std::vector<int> japanese = widths();
        QCoreApplication::installTranslator(m_translator.get());
        SetLanguage(Language::English);
        for (std::size_t i = 0; i < english.size(); ++i)
            QVERIFY2(english[i] <= japanese[i],
                     qPrintable(QStringLiteral("page %1: %2 wide in English, %3 in Japanese")
                                    .arg(i)
                                    .arg(english[i])
                                    .arg(japanese[i])));
    }

    // The plots' and waveforms' right-button menus, and the save dialog one of them opens.
    void menusAndTheSaveDialogInEnglish()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        RunFile(*frame);
        FilterDock* dock = frame->FilterPanel();
        auto seen = std::make_shared<QStringList>();
        QStringList dialog;
        {
            ModalDriver driver(ModalDriver::On<QFileDialog>([&dialog](QFileDialog* d) {
                dialog = DialogTexts(d);
                ModalDriver::Close(d);
            }));
            dock->ShowPage(dock->Plot()->parentWidget());
            PeekNextMenu(seen, QStringLiteral("Save image"));
            RightClick(dock->Plot(), dock->Plot()->MagnitudeRect().center());
            QVERIFY(QTest::qWaitFor([&driver] { return driver.done(); }));
        }
        QVERIFY(seen->contains(QStringLiteral("Save image (PNG/SVG)…")));
        QVERIFY(seen->contains(QStringLiteral("Fit all")));
        QVERIFY(dialog.contains(QStringLiteral("Save Image")));
        dock->ShowPage(dock->Waves());
        WaveView* wave = dock->Waves()->View(WavePanel::Input);
        PeekNextMenu(seen, QString());
        RightClick(wave, wave->PlotRect().center());
        QVERIFY(seen->contains(QStringLiteral("Animate from here")));
        QVERIFY2(JapaneseAmong(*seen + dialog).isEmpty(),
                 qPrintable(JapaneseAmong(*seen + dialog).join(QLatin1Char('\n'))));
    }

  private:
    // A file run on a short signal through the menu and its dialogs, as a user does it.
    void RunFile(CMainFrame& frame)
    {
        std::vector<int> samples(8000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = i % 40 < 20 ? 30000 : -30000;
        const QString in = m_dir.filePath(QStringLiteral("in.wav"));
        const QString out = m_dir.filePath(QStringLiteral("out%1.wav").arg(++m_runs));
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ToQByteArray(test::MonoWav(samples, 16)));
        file.close();
        SettingsValues s = frame.Document().Settings();
        s.input = kInputFile;
        frame.Document().ApplySettings(s);
        ModalDriver driver{ModalDriver::TypeFileName(in), ModalDriver::Press(QMessageBox::Ok),
                           ModalDriver::TypeFileName(out), ModalDriver::Press(QMessageBox::Ok)};
        Action(&frame, "actionRunFile")->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.seenClass() + driver.seenText()));
    }

    QTemporaryDir m_dir;
    int m_runs = 0;
    std::unique_ptr<QTranslator> m_translator;
};

QTEST_MAIN(TestPanelEnglish)
#include "tst_panelenglish.moc"
