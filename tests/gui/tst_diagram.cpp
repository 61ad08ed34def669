// The diagram as the view shows it and as it prints: boxes, lines and the
// listing's rows at known steps, on screen and on a PDF page at five times scale.

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
// colours at the units' centres, the lines (one device pixel, at the unit's first
// pixel row or column) and the listing's rows, one for each step done.
void CheckDiagram(const QImage& img, int scale, int steps)
{
    const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    for (const auto& [at, colour] : kBoxes)
        QCOMPARE(img.pixelColor(scale * at.x() + scale / 2, scale * at.y() + scale / 2), colour);
    for (const QPoint& at : kLines) {
        const int x = scale * at.x(), y = scale * at.y();
        QVERIFY2(dark(x, y) || dark(x - 1, y) || dark(x + 1, y) || dark(x, y - 1) || dark(x, y + 1),
                 qPrintable(QStringLiteral("line at %1,%2").arg(at.x()).arg(at.y())));
    }
    int rows = 0;
    for (int row = 0; row <= kDemoSteps; ++row)
        for (int y = scale * (182 + 12 * row); y < scale * (194 + 12 * row); ++y)
            for (int x = scale * 125; x < scale * 275; ++x)
                if (dark(x, y))
                    rows = row + 1;
    QCOMPARE(rows, steps);
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
        CheckDiagram(view.grab().toImage().convertToFormat(QImage::Format_RGB32), 1, steps);
    }

    void printsOneLandscapePageAtFiveTimesScale()
    {
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdfinfo.isEmpty() || pdftoppm.isEmpty())
            QSKIP("poppler-utils (pdfinfo, pdftoppm) are needed to read the page back");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::unique_ptr<CMainFrame> frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        for (int i = 0; i < 9; ++i)
            Action(frame.get(), "actionRunStep")->trigger();

        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        QPrinter& printer = frame->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        ModalDriver driver(ModalDriver::On<QPrintDialog>([](QPrintDialog* d) { d->accept(); }));
        Action(frame.get(), "actionFilePrint")->trigger();
        QVERIFY(driver.done());

        QProcess info;
        info.start(pdfinfo, {pdf});
        QVERIFY(info.waitForFinished(20000));
        const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
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
        QProcess render;
        render.start(pdftoppm, {"-r", QString::number(printer.resolution()), "-x",
                                QString::number(o.x()), "-y", QString::number(o.y()), "-W", "4000",
                                "-H", "2200", "-png", "-singlefile", pdf, base});
        QVERIFY(render.waitForFinished(60000));
        const QImage page = QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const int s = CRavelinView::kPrintScale;
        CheckDiagram(page, s, 9);
        // Nothing right of the diagram: it is not fitted to the paper.
        for (int y = 0; y < 430; y += 5)
            QCOMPARE(page.pixelColor(s * 760, s * y), QColor(Qt::white));
    }
};

QTEST_MAIN(TestDiagram)
#include "tst_diagram.moc"
