// The diagram as the view shows it and as it prints: boxes, lines, and every string
// with its place at known steps, on screen and on a PDF page at five times scale.

#include "GuiTestSupport.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QtTest>
#include <set>

using namespace ravelin;

namespace {

// Points inside the boxes' rings, in the diagram's units, and their colours.
const std::pair<QPoint, QColor> kBoxes[] = {
    {{68, 27}, {192, 192, 192}}, // panel, outer ring
    {{70, 29}, {128, 128, 0}},   // panel, middle ring
    {{79, 50}, {0, 255, 255}},   // first register cell, middle ring
    {{619, 50}, {0, 255, 255}},  // last register cell
    {{79, 85}, {0, 128, 0}},     // first coefficient box
    {{619, 85}, {0, 128, 0}},    // last coefficient box
    {{689, 120}, {255, 0, 0}},   // output box at the summing line
    {{9, 50}, {255, 0, 255}},    // input box at the register line
    {{477, 203}, {128, 128, 0}}, // filter block
};
// Points on the lines between the boxes.
const QPoint kLines[] = {
    {65, 60},   // input box to the register
    {134, 60},  // between the first two cells
    {105, 78},  // first cell to its coefficient
    {645, 78},  // last cell to its coefficient
    {105, 125}, // first coefficient to the sum
    {400, 130}, // summing line
    {684, 130}, // summing line into the output box
    {465, 225}, // block diagram: input to the filter
    {590, 225}, // filter to output
};

// Checks a picture of the diagram drawn at scale device pixels per unit: the boxes'
// colours at the units' centres and the lines (one device pixel, at the unit's first
// pixel row or column). The strings are checked where they are painted.
void CheckDiagram(const QImage& img, int scale)
{
    const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    for (const auto& [at, colour] : kBoxes)
        QCOMPARE(img.pixelColor(scale * at.x() + scale / 2, scale * at.y() + scale / 2), colour);
    for (const QPoint& at : kLines) {
        const int x = scale * at.x(), y = scale * at.y();
        QVERIFY2(dark(x, y) || dark(x - 1, y) || dark(x + 1, y) || dark(x, y - 1) || dark(x, y + 1),
                 qPrintable(QStringLiteral("line at %1,%2").arg(at.x()).arg(at.y())));
    }
}

QString Fixed(double v)
{
    return QString::asprintf("%6.3f", v);
}

// Every string the diagram must show for doc, as "x,y text" with (x, y) the top-left
// corner of its 12-unit cell, in the diagram's units.
std::multiset<QString> ExpectedTexts(const CRavelinDoc& doc)
{
    std::multiset<QString> texts;
    const auto add = [&](int x, int y, const QString& text) {
        texts.insert(QStringLiteral("%1,%2 %3").arg(x).arg(y).arg(text));
    };
    add(400, 300, QStringLiteral("FIRディジタルフィルタアニメーション"));
    add(78, 35, QStringLiteral("シフトレジスタ→"));
    add(78, 110, QStringLiteral("タップ係数"));
    add(8, 80, QStringLiteral("入力信号"));
    add(688, 150, QStringLiteral("出力信号"));
    for (int j = 0; j < 9; ++j) {
        add(160 + 60 * j, 132, QStringLiteral("+"));
        add(158 + 60 * j, 118, QStringLiteral("+"));
    }
    add(400, 245, QStringLiteral("入力信号"));
    add(600, 245, QStringLiteral("出力信号"));
    add(495, 212, QStringLiteral("FIR デジタル"));
    add(502, 224, QStringLiteral("フィルタ"));
    for (int k = 0; k < 10; ++k) {
        add(88 + 60 * k, 54, Fixed(doc.m_x[k]));
        add(88 + 60 * k, 89, Fixed(doc.m_h[k]));
    }
    const double output = doc.m_nStep >= 1 ? doc.m_out[doc.m_nStep - 1] : 0.0;
    add(18, 54, Fixed(doc.m_x[0]));
    add(410, 219, Fixed(doc.m_x[0]));
    add(698, 124, Fixed(output));
    add(610, 219, Fixed(output));
    if (doc.m_nStep >= 1)
        add(378, 153, QStringLiteral("時刻：") + QString::asprintf("%2d", doc.m_nStep - 2));
    add(125, 170, QStringLiteral("時刻　入力信号　出力信号"));
    for (int i = 0; i < doc.m_nStep; ++i)
        add(125, 182 + 12 * i,
            QString::asprintf("%4d    %6.3f    %6.3f", i - 1, doc.m_in[i], doc.m_out[i]));
    return texts;
}

// The strings painted, in the same form. Qt paints a string in runs of one script each;
// a run that starts where the last ended on its baseline belongs to the same string. Each
// baseline must sit the same distance below its cell's top, which the fixed label
// "入力信号" at (8, 80) gives.
std::multiset<QString> PaintedTexts(const std::vector<TextEngine::Drawn>& runs, double scale)
{
    std::vector<std::pair<QPointF, QString>> strings;
    double runEnd = 0;
    for (const auto& run : runs) {
        if (!strings.empty() && std::abs(strings.back().first.y() - run.at.y()) < 0.01 &&
            std::abs(runEnd - run.at.x()) < 0.01)
            strings.back().second += run.text;
        else
            strings.emplace_back(run.at, run.text);
        runEnd = run.box.right();
    }
    double baseline = -1;
    for (const auto& [at, text] : strings)
        if (text == QStringLiteral("入力信号") && qRound(at.x() / scale) == 8)
            baseline = at.y() / scale - 80;
    std::multiset<QString> texts;
    for (const auto& [at, text] : strings) {
        const double x = at.x() / scale, top = at.y() / scale - baseline;
        // Off the unit grid means drawn somewhere the cells are not.
        const bool onGrid = std::abs(x - qRound(x)) < 0.01 && std::abs(top - qRound(top)) < 0.01;
        texts.insert(QStringLiteral("%1,%2 %3")
                         .arg(onGrid ? QString::number(qRound(x)) : QString::number(x))
                         .arg(onGrid ? QString::number(qRound(top)) : QString::number(top))
                         .arg(text));
    }
    if (baseline < 0 || baseline > 12)
        texts.insert(QStringLiteral("baseline outside the cell: %1").arg(baseline));
    return texts;
}

QString Show(const std::multiset<QString>& texts)
{
    QStringList lines(texts.begin(), texts.end());
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestDiagram : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { IsolateSettings(); }

    void viewShowsTheDiagram_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("fresh") << 0;
        QTest::newRow("first step") << 1;
        QTest::newRow("complete") << kDemoSteps;
    }

    void viewShowsTheDiagram()
    {
        QFETCH(int, steps);
        CRavelinDoc doc;
        doc.m_nFilterPreset = kFilterEcho5;
        for (int i = 0; i < steps; ++i)
            doc.Advance();
        CRavelinView view(doc);
        view.resize(800, 480);
        CheckDiagram(view.grab().toImage().convertToFormat(QImage::Format_RGB32), 1);
    }

    // The words and numbers a student reads, and where: every string at its cell,
    // on screen (one device pixel a unit) and on a page (five units a unit), under a
    // comma-decimal locale, which must change nothing.
    void paintsEveryStringAtItsCell_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("fresh") << 0;
        QTest::newRow("first step") << 1;
        QTest::newRow("second step") << 2;
        QTest::newRow("ninth step") << 9;
        QTest::newRow("complete") << kDemoSteps;
    }

    void paintsEveryStringAtItsCell()
    {
        QFETCH(int, steps);
        const CommaLocale comma;
        if (!comma.Active())
            QSKIP("the de_DE.UTF-8 locale is not installed (scripts/install-deps makes it)");
        CRavelinDoc doc;
        doc.m_nFilterPreset = kFilterEcho5;
        for (int i = 0; i < steps; ++i)
            doc.Advance();
        CRavelinView view(doc);
        const std::multiset<QString> expected = ExpectedTexts(doc);
        if (steps == 2) { // the first sample, as a student reads it
            QVERIFY(expected.count(QStringLiteral("88,54  1.000")) == 1);
            QVERIFY(expected.count(QStringLiteral("125,194    0     1.000     0.800")) == 1);
            QVERIFY(expected.count(QStringLiteral("378,153 時刻： 0")) == 1);
        }
        for (const bool printing : {false, true}) {
            TextDevice device(QSize(5 * 800, 5 * 480),
                              printing ? CRavelinView::kPrintResolution : 96);
            {
                QPainter painter(&device);
                view.OnDraw(painter, printing);
            }
            const auto painted =
                PaintedTexts(device.Drawn(), printing ? CRavelinView::kPrintScale : 1);
            QVERIFY2(
                painted == expected,
                qPrintable(
                    (printing ? QStringLiteral("printed:\n") : QStringLiteral("on screen:\n")) +
                    Show(painted) + QStringLiteral("\n--- expected:\n") + Show(expected)));
        }
    }

    void printsOneLandscapePageAtFiveTimesScale()
    {
        // poppler-utils is a requirement of the test build; what a tool wrote, or nothing.
        const auto poppler = [](const char* tool, const QStringList& arguments) {
            QProcess p;
            p.start(QStandardPaths::findExecutable(QString::fromLatin1(tool)), arguments);
            const bool ran = p.waitForFinished(60000) && p.exitCode() == 0;
            return ran ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
        };
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::unique_ptr<CMainFrame> frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        for (int i = 0; i < 9; ++i)
            Action(frame.get(), "actionRunStep")->trigger();

        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        QPrinter& printer = frame->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        ModalDriver driver(ModalDriver::On<QPrintDialog>([](QPrintDialog* d) { d->accept(); }));
        Action(frame.get(), "actionFilePrint")->trigger();
        QVERIFY(driver.done());

        const QString text = poppler("pdfinfo", {pdf});
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(text));
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                .match(text);
        QVERIFY2(size.hasMatch() && size.captured(1).toDouble() > size.captured(2).toDouble(),
                 qPrintable(text));

        // Read back one device unit a pixel from the corner of the printable area.
        const QPoint o = printer.pageLayout().paintRectPixels(printer.resolution()).topLeft();
        const QString base = dir.filePath(QStringLiteral("page"));
        poppler("pdftoppm", {"-r", QString::number(printer.resolution()), "-x",
                             QString::number(o.x()), "-y", QString::number(o.y()), "-W", "4000",
                             "-H", "2200", "-png", "-singlefile", pdf, base});
        const QImage page = QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const int s = CRavelinView::kPrintScale;
        CheckDiagram(page, s);
        // Nothing right of the diagram: it is not fitted to the paper.
        for (int y = 0; y < 430; y += 5)
            QCOMPARE(page.pixelColor(s * 760, s * y), QColor(Qt::white));

        // The page's words as a PDF reader finds them: each number of the listing and
        // of the register at its place, to a unit across and a quarter cell down.
        const double unitsPerPoint = printer.resolution() / 72.0 / s;
        std::vector<std::tuple<double, double, QString>> found; // x, top, word in units
        const QRegularExpression word(
            QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" "
                           "yMax=\"[\\d.]+\">([^<]*)</word>"));
        for (const auto& m : word.globalMatch(poppler("pdftotext", {"-bbox", pdf, "-"})))
            found.emplace_back(m.captured(1).toDouble() * unitsPerPoint - double(o.x()) / s,
                               m.captured(2).toDouble() * unitsPerPoint - double(o.y()) / s,
                               m.captured(3));
        const CRavelinDoc& doc = frame->Document();
        const double advance =
            QFontMetricsF(CRavelinView::DiagramFont(QFont())).horizontalAdvance(QLatin1Char('0'));
        const auto expectWords = [&](int x, int top, const QString& line) {
            for (const auto& m : QRegularExpression(QStringLiteral("\\S+")).globalMatch(line)) {
                const double wx = x + advance * m.capturedStart();
                const bool there = std::any_of(found.begin(), found.end(), [&](const auto& f) {
                    return std::get<2>(f) == m.captured() && std::abs(std::get<0>(f) - wx) <= 1 &&
                           std::abs(std::get<1>(f) - top) <= 3;
                });
                QVERIFY2(
                    there,
                    qPrintable(QStringLiteral("%1 at %2,%3").arg(m.captured()).arg(wx).arg(top)));
            }
        };
        for (int k = 0; k < 10; ++k)
            expectWords(88 + 60 * k, 54, Fixed(doc.m_x[k]));
        for (int i = 0; i < 9; ++i)
            expectWords(
                125, 182 + 12 * i,
                QString::asprintf("%4d    %6.3f    %6.3f", i - 1, doc.m_in[i], doc.m_out[i]));
    }
};

QTEST_MAIN(TestDiagram)
#include "tst_diagram.moc"
