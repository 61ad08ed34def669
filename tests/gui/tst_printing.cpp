// Printing and print preview: landscape by default, one page, the diagram at five
// device units per unit from the printable area's corner, printing to a PDF file
// on a machine without printers, and failures reported.

#include "GuiTestSupport.h"
#include "ModalDriver.h"

#include "app/MainFrame.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QAction>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace ravelin;

class TestPrinting : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    QAction* Action(const char* name) const
    {
        auto* action = m_frame->findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            qFatal("no action %s", name);
        return action;
    }

    static QString Tool(const char* name)
    {
        return QStandardPaths::findExecutable(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        IsolateSettings();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup() { m_frame.reset(); }

    void landscapeByDefault()
    {
        QCOMPARE(m_frame->printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void printToPdfThroughTheDialog()
    {
        const QString pdftoppm = Tool("pdftoppm"), pdfinfo = Tool("pdfinfo");
        if (pdftoppm.isEmpty() || pdfinfo.isEmpty())
            QSKIP("poppler-utils (pdftoppm, pdfinfo) are needed to read the page back");

        // A state with a listing: nine steps of the echo.
        CRavelinDoc& doc = m_frame->document();
        SettingsValues values = doc.Settings();
        values.nFilter = FILTER_ECHO5;
        doc.ApplySettings(values);
        for (int i = 0; i < 9; ++i)
            Action("actionRunStep")->trigger();

        const QString pdf = m_dir.filePath(QStringLiteral("page.pdf"));
        QPrinter& printer = m_frame->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);

        ModalDriver driver([](QWidget* modal) {
            auto* dialog = qobject_cast<QPrintDialog*>(modal);
            if (!dialog)
                return false;
            dialog->accept();
            return true;
        });
        Action("actionFilePrint")->trigger();
        QVERIFY(driver.done());
        QVERIFY(!driver.timedOut());
        QVERIFY(QFileInfo::exists(pdf));

        // One landscape page.
        QProcess info;
        info.start(pdfinfo, {pdf});
        QVERIFY(info.waitForFinished(20000));
        const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(text));
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
        QVERIFY2(size.hasMatch(), qPrintable(text));
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble());

        // Read back at the printer's resolution, one device unit per pixel, from
        // the corner of the printable area: unit (x, y) must cover the pixels
        // 5x..5x+4, 5y..5y+4; its centre is sampled.
        QCOMPARE(printer.resolution(), 600);
        const QPoint o = printer.pageLayout().paintRectPixels(printer.resolution()).topLeft();
        const QString base = m_dir.filePath(QStringLiteral("page"));
        QProcess render;
        render.start(pdftoppm, {QStringLiteral("-r"), QString::number(printer.resolution()),
                                QStringLiteral("-x"), QString::number(o.x()),
                                QStringLiteral("-y"), QString::number(o.y()),
                                QStringLiteral("-W"), QStringLiteral("4000"),
                                QStringLiteral("-H"), QStringLiteral("2200"),
                                QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, base});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const QImage page = QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const int s = CRavelinView::kPrintScale;
        auto unit = [&](int x, int y) { return page.pixelColor(s * x + s / 2, s * y + s / 2); };

        // Both ends of the panel and of the rows of boxes: position and scale.
        QCOMPARE(unit(68, 27), QColor(192, 192, 192));
        QCOMPARE(unit(70, 29), QColor(128, 128, 0));
        QCOMPARE(unit(681, 149), QColor(0, 0, 0));
        QCOMPARE(unit(79, 50), QColor(0, 255, 255));  // first register cell, middle ring
        QCOMPARE(unit(619, 50), QColor(0, 255, 255)); // last
        QCOMPARE(unit(619, 85), QColor(0, 128, 0));   // last coefficient box
        QCOMPARE(unit(741, 141), QColor(0, 0, 0));    // output box, bottom-right corner
        QCOMPARE(unit(742, 141), QColor(255, 255, 255));
        // Lines are hairlines of one device pixel, at the unit's first pixel row or column.
        auto darkNear = [&](int px, int py) {
            for (int d = -1; d <= 1; ++d)
                if (qGray(page.pixel(px + d, py)) < 128 || qGray(page.pixel(px, py + d)) < 128)
                    return true;
            return false;
        };
        QVERIFY(darkNear(s * 645, s * 78));  // last tap line
        QVERIFY(darkNear(s * 590, s * 225)); // block line
        QVERIFY(darkNear(s * 684, s * 130)); // summing line into the output box

        // The ninth listing row is there, no tenth.
        auto darkIn = [&](int y0) {
            int n = 0;
            for (int y = s * y0; y < s * (y0 + 12); ++y)
                for (int x = s * 125; x < s * 275; x += 2)
                    n += qGray(page.pixel(x, y)) < 128;
            return n;
        };
        QVERIFY(darkIn(182 + 12 * 8) > 0);
        QCOMPARE(darkIn(182 + 12 * 9), 0);
        // Nothing right of the diagram: no fitting to the paper.
        for (int y = 0; y < 430; y += 5)
            QCOMPARE(unit(760, y), QColor(255, 255, 255));
    }

    void previewShowsOneLandscapePage()
    {
        int pages = -1;
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(modal);
            if (!dialog)
                return false;
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            if (!preview || preview->pageCount() == 0)
                return false; // not laid out yet
            pages = preview->pageCount();
            orientation = preview->orientation();
            dialog->reject();
            return true;
        });
        Action("actionFilePrintPreview")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(pages, 1);
        QCOMPARE(orientation, QPageLayout::Landscape);
    }

    void previewDuringAnimationKeepsItRunning()
    {
        for (int i = 0; i < 12; ++i)
            Action("actionRunStep")->trigger();
        Action("actionTbFast")->trigger();
        ModalDriver driver([&](QWidget* modal) {
            if (!qobject_cast<QPrintPreviewDialog*>(modal))
                return false;
            if (m_frame->document().m_nStep < 16)
                return false;
            return ModalDriver::Close(modal);
        });
        Action("actionFilePrintPreview")->trigger();
        QVERIFY(driver.done());
        QTRY_COMPARE_WITH_TIMEOUT(m_frame->document().m_nStep, DEMO_STEPS, 10000);
    }

    void pageSetupKeepsLandscapeWhenCancelled()
    {
        ModalDriver driver([](QWidget* modal) {
            if (!qobject_cast<QPageSetupDialog*>(modal))
                return false;
            return ModalDriver::Close(modal);
        });
        Action("actionFilePrintSetup")->trigger();
        QVERIFY(driver.done());
        QVERIFY(!driver.timedOut());
        QCOMPARE(m_frame->printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void pageSetupWorksWithoutPrinters()
    {
        // No printer installed: the page set-up still chooses the orientation of
        // the PDF output.
        ModalDriver driver([](QWidget* modal) {
            auto* dialog = qobject_cast<QPageSetupDialog*>(modal);
            if (!dialog)
                return false;
            auto* portrait = dialog->findChild<QRadioButton*>(QStringLiteral("portrait"));
            if (!portrait)
                return ModalDriver::Close(modal);
            portrait->click();
            dialog->accept();
            return true;
        });
        Action("actionFilePrintSetup")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(m_frame->printer().pageLayout().orientation(), QPageLayout::Portrait);
    }

    void unwritableOutputIsReported()
    {
        QPrinter& printer = m_frame->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath(QStringLiteral("missing/folder/page.pdf")));
        ModalDriver driver([](QWidget* modal) {
            if (!qobject_cast<QMessageBox*>(modal))
                return false;
            return ModalDriver::Close(modal);
        });
        QVERIFY(!m_frame->view()->PrintPages(printer));
        QVERIFY(driver.done());
        QVERIFY(driver.seenText().contains(QStringLiteral("印刷")));
        QVERIFY(!QFileInfo::exists(printer.outputFileName()));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
