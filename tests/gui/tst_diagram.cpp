// The diagram painter through the view: what lands where for known document
// states, the listing's rows, the time label, the font, the window colour around
// the diagram, and the painter's timer rule.

#include "GuiTestSupport.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "view/RavelinView.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

using namespace ravelin;

namespace {

QColor Silver() { return {192, 192, 192}; }
QColor Navy() { return {0, 0, 128}; }
QColor Aqua() { return {0, 255, 255}; }
QColor Lime() { return {0, 255, 0}; }
QColor Grey() { return {128, 128, 128}; }
QColor Green() { return {0, 128, 0}; }
QColor Red() { return {255, 0, 0}; }
QColor Fuchsia() { return {255, 0, 255}; }
QColor Olive() { return {128, 128, 0}; }
QColor Black() { return {0, 0, 0}; }

bool IsDark(QRgb c)
{
    return qGray(c) < 128;
}

// Number of dark pixels in the rectangle.
int DarkPixels(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (IsDark(img.pixel(x, y)))
                ++n;
    return n;
}

// Listing rows: the 12-unit bands below the header that hold any dark pixel.
int ListingRows(const QImage& img)
{
    int rows = 0;
    for (int i = 0; i < 24; ++i)
        if (DarkPixels(img, QRect(125, 182 + 12 * i, 150, 12)) > 0)
            rows = i + 1;
    return rows;
}

} // namespace

class TestDiagram : public QObject {
    Q_OBJECT

private:
    // The view paints itself exactly as on screen.
    static QImage Render(CRavelinView& view)
    {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    static void RunSteps(CRavelinDoc& doc, int n)
    {
        for (int i = 0; i < n; ++i)
            doc.Advance();
    }

private slots:
    void initTestCase() { IsolateSettings(); }

    void boxesAndFramesAtTheirPlaces()
    {
        CRavelinDoc doc;
        CRavelinView view(doc);
        view.resize(800, 480);
        const QImage img = Render(view);

        // Panel: three rings of two pixels.
        QCOMPARE(img.pixelColor(68, 27), Silver());
        QCOMPARE(img.pixelColor(70, 29), Olive());
        QCOMPARE(img.pixelColor(72, 31), Black());
        QCOMPARE(img.pixelColor(681, 149), Black());
        for (int k = 0; k < 10; ++k) {
            const int x = 78 + 60 * k;
            QCOMPARE(img.pixelColor(x, 49), Silver());       // register, outer top-left
            QCOMPARE(img.pixelColor(x + 1, 50), Aqua());     // middle ring
            QCOMPARE(img.pixelColor(x + 53, 71), Navy());    // outer bottom-right
            QCOMPARE(img.pixelColor(x, 84), Lime());         // coefficient box
            QCOMPARE(img.pixelColor(x + 1, 85), Green());
            QCOMPARE(img.pixelColor(x + 53, 106), Grey());
        }
        QCOMPARE(img.pixelColor(689, 120), Red());     // output box at the summing line
        QCOMPARE(img.pixelColor(601, 215), Red());     // block diagram output
        QCOMPARE(img.pixelColor(9, 50), Fuchsia());    // input box at the register line
        QCOMPARE(img.pixelColor(401, 215), Fuchsia()); // block diagram input
        QCOMPARE(img.pixelColor(477, 203), Olive());   // filter block, two-pixel rings
        QCOMPARE(img.pixelColor(475, 201), Silver());
    }

    void linesShowBetweenTheBoxes()
    {
        CRavelinDoc doc;
        CRavelinView view(doc);
        view.resize(800, 480);
        const QImage img = Render(view);

        QCOMPARE(img.pixelColor(65, 60), Black());  // register line, input box to panel
        QCOMPARE(img.pixelColor(75, 60), Black());  // inside the panel
        for (int k = 0; k < 9; ++k)
            QCOMPARE(img.pixelColor(134 + 60 * k, 60), Black()); // between register cells
        for (int k = 0; k < 10; ++k) {
            QCOMPARE(img.pixelColor(105 + 60 * k, 78), Black());  // cell to coefficient
            QCOMPARE(img.pixelColor(105 + 60 * k, 125), Black()); // coefficient to sum
        }
        for (int x = 106; x <= 687; ++x)
            QCOMPARE(img.pixelColor(x, 130), Black()); // summing line, "+" marks beside it
        QCOMPARE(img.pixelColor(465, 225), Black());  // block line, input to filter
        QCOMPARE(img.pixelColor(590, 225), Black());  // filter to output
        // Nothing beyond the right end of the summing line's box.
        QCOMPARE(img.pixelColor(745, 130), view.palette().color(QPalette::Base));
    }

    void windowColourAroundTheDiagram()
    {
        CRavelinDoc doc;
        CRavelinView view(doc);
        view.resize(900, 600);
        const QImage img = Render(view);
        const QColor window = view.palette().color(QPalette::Base);
        QCOMPARE(img.pixelColor(850, 550), window);
        QCOMPARE(img.pixelColor(4, 4), window);
        QCOMPARE(img.pixelColor(760, 20), window);
    }

    void listingAndTimeLabelFollowTheStep_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("fresh") << 0;
        QTest::newRow("first step") << 1;
        QTest::newRow("middle") << 7;
        QTest::newRow("last but one") << 19;
        QTest::newRow("complete") << 20;
    }

    void listingAndTimeLabelFollowTheStep()
    {
        QFETCH(int, steps);
        CRavelinDoc doc;
        doc.m_nFilterPreset = FILTER_ECHO5;
        RunSteps(doc, steps);
        CRavelinView view(doc);
        view.resize(800, 480);
        const QImage img = Render(view);

        QVERIFY(DarkPixels(img, QRect(125, 170, 140, 12)) > 0); // header always
        QCOMPARE(ListingRows(img), steps);
        const bool label = DarkPixels(img, QRect(378, 153, 60, 12)) > 0;
        QCOMPARE(label, steps >= 1);
        // The twentieth row is the last thing the listing draws.
        QCOMPARE(DarkPixels(img, QRect(125, 422, 150, 30)), 0);
    }

    void timeLabelAndOutputsShowTheCurrentValues()
    {
        // Two states that differ only in the output must render differently in
        // both output boxes and nowhere else but the listing.
        CRavelinDoc a, b;
        RunSteps(a, 2); // output at time 0 is 1.000
        RunSteps(b, 2);
        b.m_out[1] = 0.0;
        CRavelinView viewA(a), viewB(b);
        viewA.resize(800, 480);
        viewB.resize(800, 480);
        const QImage ia = Render(viewA), ib = Render(viewB);
        QVERIFY(ia.copy(698, 124, 40, 12) != ib.copy(698, 124, 40, 12));
        QVERIFY(ia.copy(610, 219, 40, 12) != ib.copy(610, 219, 40, 12));
        QVERIFY(ia.copy(125, 194, 150, 12) != ib.copy(125, 194, 150, 12));
        QCOMPARE(ia.copy(0, 0, 800, 118), ib.copy(0, 0, 800, 118));
    }

    void fontIsFixedPitchWithJapaneseGlyphs()
    {
        const QFont font = CRavelinView::DiagramFont(QFont());
        const QFontInfo info(font);
        QCOMPARE(info.family(), QStringLiteral("IPAGothic"));
        QCOMPARE(info.pixelSize(), 12);
        // Fixed pitch in the Japanese sense ("dual" spacing): every half-width
        // character one cell, every full-width character two.
        const QFontMetrics fm(font);
        for (char c = ' '; c <= '~'; ++c)
            QCOMPARE(fm.horizontalAdvance(QLatin1Char(c)), fm.horizontalAdvance(QLatin1Char('0')));
        for (QChar c : QStringLiteral("時刻入力信号出力フィルタ"))
            QVERIFY(fm.inFont(c));
        // The listing's columns: every row is as wide as its character count says.
        const int cell = fm.horizontalAdvance(QLatin1Char('0'));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("  -1     0.000    -0.500")), 24 * cell);
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("時刻　入力信号　出力信号")), 24 * cell);
    }

    void painterArmsTheTimerOnlyWhileAnimating()
    {
        CRavelinDoc doc;
        RunSteps(doc, 5);
        CRavelinView view(doc);
        view.resize(800, 480);

        doc.m_nRunMode = RUN_STEP;
        Render(view);
        QVERIFY(!view.IsAnimTimerArmed());

        doc.m_nRunMode = RUN_ANIMATE;
        doc.m_nInterval = 250;
        Render(view);
        QVERIFY(view.IsAnimTimerArmed());
        QCOMPARE(view.AnimTimerInterval(), 250);

        // Idle or step mode: the painter leaves an armed timer alone.
        doc.m_nRunMode = RUN_IDLE;
        Render(view);
        QVERIFY(view.IsAnimTimerArmed());

        // The off-screen redraw applies the same rule, also to a hidden view.
        CRavelinView other(doc);
        doc.m_nRunMode = RUN_ANIMATE;
        doc.m_nInterval = INTERVAL_FAST;
        other.OnDrawDiagram();
        QVERIFY(other.IsAnimTimerArmed());
        QCOMPARE(other.AnimTimerInterval(), INTERVAL_FAST);

        // Twenty steps done: nothing is armed, even in animation mode.
        CRavelinDoc done;
        RunSteps(done, 20);
        done.m_nRunMode = RUN_ANIMATE;
        CRavelinView last(done);
        last.OnDrawDiagram();
        Render(last);
        QVERIFY(!last.IsAnimTimerArmed());
    }

    void offscreenRedrawShowsTheSamePicture()
    {
        CRavelinDoc doc;
        doc.m_nFilterPreset = FILTER_LAG2;
        RunSteps(doc, 9);
        CRavelinView view(doc);
        view.resize(800, 480);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage painted = Render(view);

        // Change the document behind the window's back, then redraw off-screen:
        // the window must show the new state straight away, whole.
        doc.Advance();
        view.OnDrawDiagram();
        const QImage shown = view.screen()
                                 ->grabWindow(view.winId(), 0, 0, view.width(), view.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage expected = Render(view);
        QCOMPARE(shown.size(), expected.size());
        QCOMPARE(shown, expected);
        QVERIFY(shown != painted);
        QCOMPARE(ListingRows(shown), 10);
    }

    void valuesOutsideTheBoxRangeAreDrawnWhole()
    {
        CRavelinDoc doc;
        doc.m_h[3] = -123.5; // "-123.500": eight characters, past the box's right edge
        CRavelinView view(doc);
        view.resize(800, 480);
        const QImage img = Render(view);
        const int x = 88 + 60 * 3;
        const int cell = QFontMetrics(CRavelinView::DiagramFont(QFont())).horizontalAdvance(
            QLatin1Char('0'));
        // The last character lies beyond the box (x + 44 .. x + 47 is the frame).
        QVERIFY(DarkPixels(img, QRect(x + 7 * cell, 89, cell, 12)) > 0);
    }
};

QTEST_MAIN(TestDiagram)
#include "tst_diagram.moc"
