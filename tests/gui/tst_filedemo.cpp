// The demonstration on the user's own file: from the waveforms' context menu to the
// diagram's table, checked against ravelin-cli demo with the same 20 values (the
// diagram's own tests check that the view and the page show the document's values).

#include "GuiTestSupport.h"
#include "app/FilterDock.h"
#include "files/TextExport.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"

#include <QPushButton>
#include <QtTest>
#include <charconv>
#include <cmath>

using namespace ravelin;

namespace {

std::string Shortest(double v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

} // namespace

class TestFileDemo : public QObject {
    Q_OBJECT

  private slots:
    void animationFromTheFileMatchesTheCommandLine()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        // The settings dialog, its radio buttons clicked by name, then OK.
        const auto settings = [&frame](std::initializer_list<const char*> buttons) {
            ModalDriver driver(ModalDriver::On<QDialog>([buttons](QDialog* dlg) {
                for (const char* name : buttons)
                    dlg->findChild<QRadioButton*>(QString::fromLatin1(name))->click();
                dlg->findChild<QPushButton*>(QStringLiteral("ok"))->click();
            }));
            Action(frame.get(), "actionSettings")->trigger();
            return driver.done();
        };
        // Moving average 5 (a filter the animation can show) on file data.
        QVERIFY(settings({"filter3", "input3"}));

        QTemporaryDir dir;
        std::vector<int> samples(4000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = int(std::lround(20000 * std::sin(0.05 * double(i)) + double(i % 7) * 31));
        const QString in = WriteFile(dir.filePath(QStringLiteral("in.wav")),
                                     ToQByteArray(test::MonoWav(samples, 16, 8000)));
        ModalDriver run{ModalDriver::TypeFileName(in), ModalDriver::Press(QMessageBox::Ok),
                        ModalDriver::TypeFileName(dir.filePath(QStringLiteral("out.wav"))),
                        ModalDriver::Press(QMessageBox::Ok)};
        Action(frame.get(), "actionRunFile")->trigger();
        QVERIFY(run.done());
        FilterDock* dock = frame->FilterPanel();
        WaveView* view = dock->Waves()->View(WavePanel::Input);
        QTRY_VERIFY(view->isVisible());
        QVERIFY(view->AnimateHereAction()->isEnabled());

        // Right-click a third of the way in: the animation starts on those samples.
        CRavelinDoc& doc = frame->Document();
        const QPoint at(view->XForSample(1333), view->height() / 2);
        ChooseFromNextMenu(QStringLiteral("この位置からアニメーション"));
        RightClick(view, at);
        QTRY_VERIFY(doc.m_nStep >= 1);
        QCOMPARE(doc.m_nRunMode, int(kRunAnimate));
        QVERIFY(doc.HasFileDemoInput());
        // The 20 values are consecutive samples of the file over 32768, from the one
        // under the pointer (within the pixel's width of samples).
        const double perPixel = double(samples.size()) / view->PlotRect().width();
        std::size_t from = 0;
        while (from + kDemoSteps <= samples.size() && doc.m_in[0] != samples[from] / 32768.0)
            ++from;
        QVERIFY(std::abs(double(from) - 1333.0) <= perPixel + 1);
        for (int i = 0; i < kDemoSteps; ++i)
            QCOMPARE(doc.m_in[std::size_t(i)], samples[from + std::size_t(i)] / 32768.0);

        // The rest of the 20 steps, then the table against the command line's.
        for (int i = 1; i < kDemoSteps; ++i)
            Action(frame.get(), "actionTbStep")->trigger();
        QCOMPARE(doc.m_nStep, kDemoSteps);
        QVERIFY(Action(frame.get(), "actionFileSave")->isEnabled());
        std::string values;
        for (int i = 0; i < kDemoSteps; ++i) {
            if (i > 0)
                values += ',';
            values += Shortest(doc.m_in[std::size_t(i)]);
        }
        QProcess cli;
        cli.start(QStringLiteral(RAVELIN_CLI),
                  {QStringLiteral("demo"), QStringLiteral("--preset"), QStringLiteral("ma5"),
                   QStringLiteral("--values"), QString::fromStdString(values)});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput().toStdString(),
                 FormatTextExport(doc, TextEncoding::Utf8, "\n"));

        // Choosing an input preset in the settings returns to it.
        QVERIFY(settings({"input0"}));
        QVERIFY(!doc.HasFileDemoInput());
        Action(frame.get(), "actionTbStep")->trigger();
        Action(frame.get(), "actionTbStep")->trigger();
        QCOMPARE(doc.m_in[1], 1.0);

        // A filter the animation cannot show leaves the item disabled, saying why.
        QVERIFY(settings({"filter8", "input3"}));
        QVERIFY(!view->AnimateHereAction()->isEnabled());
        QVERIFY(view->AnimateHereAction()->text().contains(QStringLiteral("10 タップ")));
    }
};

QTEST_MAIN(TestFileDemo)
#include "tst_filedemo.moc"
