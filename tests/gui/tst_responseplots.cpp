// The response plots read closely: axes, zoom and scroll by wheel and keys, the
// views of phase, group delay and step response, the file's spectra, the focus frame
// and the export of pictures and data.

#include "GuiTestSupport.h"
#include "app/FilterDock.h"
#include "engine/FilterResponse.h"
#include "view/FilterPlot.h"
#include "view/PlotExport.h"
#include "view/ResponseControls.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

using namespace ravelin;

namespace {

std::vector<double> Taps(int filter)
{
    SettingsValues s;
    s.filter = filter;
    return FilePresetTaps(s);
}

void Wheel(QWidget* w, QPoint at, int notches, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWheelEvent event(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// The pointer moved onto `at` (a move event even when the cursor is already there).
void Hover(QWidget* w, QPoint at)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

class TestResponsePlots : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { IsolateSettings(); }

    void wheelZoomsTheFrequencyAxisAroundThePointerDownToANull()
    {
        FilterPlot plot;
        plot.resize(720, 300);
        plot.SetTaps(Taps(kFilterMa5));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QRect mag = plot.MagnitudeRect();
        const QPoint at(int(std::lround(plot.XForFrequency(0.2))), mag.center().y());
        const double before = plot.FrequencyAt(at.x());
        for (int i = 0; i < 12; ++i)
            Wheel(&plot, at, 1);
        const auto [f0, f1] = plot.FrequencySpan();
        QVERIFY(f1 - f0 < 0.5 / 10);
        // The frequency under the pointer stays under it.
        QVERIFY(std::abs(plot.FrequencyAt(at.x()) - before) < 1e-9);
        // Zoomed in, some column reads the null exactly: minus infinity, not a number.
        bool sawNull = false;
        for (int dx = -6; dx <= 6 && !sawNull; ++dx) {
            Hover(&plot, at + QPoint(dx, 0));
            sawNull = plot.Readout().endsWith(QStringLiteral("−∞ dB"));
        }
        QVERIFY2(sawNull, qPrintable(plot.Readout()));
        // Wheeling back out stops at the whole band; the double click fits at once.
        for (int i = 0; i < 40; ++i)
            Wheel(&plot, at, -1);
        QCOMPARE(plot.FrequencySpan(), std::make_pair(0.0, 0.5));
        Wheel(&plot, at, 3);
        QTest::mouseDClick(&plot, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(plot.FrequencySpan(), std::make_pair(0.0, 0.5));
        // Ctrl+wheel narrows the dB scale instead, the top kept.
        const double top = plot.DbTop();
        Wheel(&plot, at, 2, Qt::ControlModifier);
        QCOMPARE(plot.DbTop(), top);
        QVERIFY(plot.DbRange() < 90.0 * 0.7);
    }

    void keysZoomTheTapsToSingleStemsAndReadEachOne()
    {
        FilterPlot plot;
        plot.resize(720, 300);
        plot.SetTaps(Taps(kFilterLpf4)); // 511 taps in about 200 pixels
        plot.show();
        plot.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&plot));
        plot.setFocus();
        QTest::keyClick(&plot, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(plot.ActivePane(), FilterPlot::Pane::Time);
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(&plot, Qt::Key_Plus);
        const auto [t0, t1] = plot.TapSpan();
        QVERIFY(t1 - t0 <= 4.0 + 1e-9);
        QVERIFY(plot.XForTap(256) - plot.XForTap(255) > 30);
        // The arrows step from stem to stem, each read out by its number.
        QTest::keyClick(&plot, Qt::Key_Home);
        QTest::keyClick(&plot, Qt::Key_Right);
        const QString first = plot.Readout();
        QVERIFY(first.startsWith(QStringLiteral("h[")));
        QTest::keyClick(&plot, Qt::Key_Right);
        const QString second = plot.Readout();
        const int n1 = first.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0).toInt();
        const int n2 = second.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0).toInt();
        QCOMPARE(n2, n1 + 1);
        QVERIFY(second.endsWith(QString::number(Taps(kFilterLpf4)[std::size_t(n2)], 'g', 6)));
        // A stem is drawn in its own column; the next column over is empty.
        const QImage image = Paint(&plot);
        const QRect imp = plot.ImpulseRect();
        const int x = int(plot.XForTap(n2));
        const int y = int(std::lround(plot.YForTap(Taps(kFilterLpf4)[std::size_t(n2)])));
        const QColor curve = plot.palette().color(QPalette::Link);
        bool stem = false, beside = false;
        for (int yy = imp.top() + 1; yy < imp.bottom(); ++yy) {
            stem = stem || QColor(image.pixel(x, yy)) == curve;
            beside = beside || QColor(image.pixel(x + 12, yy)) == curve;
        }
        QVERIFY(stem);
        QVERIFY(!beside);
        QVERIFY(std::abs(y - imp.center().y()) < imp.height()); // inside the plot
        // The focus frame marks the plot the keys act on, in the highlight colour.
        const QColor highlight = plot.palette().color(QPalette::Highlight);
        QCOMPARE(QColor(image.pixel(imp.left() - 3, imp.center().y())), highlight);
        QTest::keyClick(&plot, Qt::Key_Right, Qt::ControlModifier);
        const QImage other = Paint(&plot);
        QVERIFY(QColor(other.pixel(imp.left() - 3, imp.center().y())) != highlight);
        QCOMPARE(
            QColor(other.pixel(plot.MagnitudeRect().left() - 3, plot.MagnitudeRect().center().y())),
            highlight);
        // Back to the whole filter with 0.
        QTest::keyClick(&plot, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(&plot, Qt::Key_0);
        QCOMPARE(plot.TapSpan(), std::make_pair(-0.5, 510.5));
        // Up and Down zoom the dB scale of the frequency plot; PageUp moves it.
        QTest::keyClick(&plot, Qt::Key_Up);
        QCOMPARE(plot.ActivePane(), FilterPlot::Pane::Frequency);
        QCOMPARE(plot.DbRange(), 45.0);
        const double top = plot.DbTop();
        QTest::keyClick(&plot, Qt::Key_PageUp);
        QCOMPARE(plot.DbTop(), top + 45.0 / 4);
    }

    void logAxisHasDecadeTicksInHertz()
    {
        FilterPlot plot;
        plot.resize(720, 300);
        plot.SetTaps(Taps(kFilterLpf8));
        plot.SetSampleRate(44100);
        plot.SetLogFrequency(true);
        const QImage image = Paint(&plot);
        const QRect mag = plot.MagnitudeRect();
        // Grid lines at 100 Hz, 1 kHz and 10 kHz, evenly spaced; nothing half way.
        const double x100 = plot.XForFrequency(100.0 / 44100);
        const double x1k = plot.XForFrequency(1000.0 / 44100);
        const double x10k = plot.XForFrequency(10000.0 / 44100);
        QVERIFY(std::abs((x1k - x100) - (x10k - x1k)) < 1.0);
        const QColor base = plot.palette().color(QPalette::Base);
        const int y = mag.bottom() - 2; // below the curve of a low-pass filter at 10 kHz
        for (double x : {x100, x1k, x10k})
            QVERIFY(QColor(image.pixel(int(std::lround(x)), y)) != base);
        const int between = int(std::lround(0.5 * (x1k + plot.XForFrequency(2000.0 / 44100))));
        QCOMPARE(QColor(image.pixel(between, mag.top() + 3)), base);
        // Back to linear: 0 Hz at the left edge again.
        plot.SetLogFrequency(false);
        QCOMPARE(plot.XForFrequency(0.0), double(mag.left()));
    }

    void phaseGroupDelayAndStepReadTheirValues()
    {
        FilterDock dock;
        SettingsValues s;
        s.filter = kFilterDelay5;
        dock.SetSettings(s);
        dock.SetSampleRate(8000);
        dock.resize(900, 360);
        dock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dock));
        FilterPlot* plot = dock.Plot();
        auto* controls = dock.findChild<ResponseControls*>();
        QVERIFY(controls);
        const QPoint at(int(std::lround(plot->XForFrequency(0.05))),
                        plot->MagnitudeRect().center().y());
        // 400 Hz at 8 kHz through a delay of five samples: -90 degrees, 5 samples.
        controls->FrequencyChoice()->setCurrentIndex(1);
        QCOMPARE(plot->GetFrequencyView(), FilterPlot::FrequencyView::Phase);
        QVERIFY(!controls->RangeDb()->isEnabled());
        Hover(plot, at);
        QTRY_COMPARE(plot->Readout(), QStringLiteral("400 Hz  -90.0°"));
        controls->FrequencyChoice()->setCurrentIndex(2);
        Hover(plot, at + QPoint(0, 1));
        QTRY_VERIFY(
            plot->Readout().startsWith(QStringLiteral("400 Hz  5.00 サンプル（0.625 ms）")));
        // The step response: 0 before the delay, 1 from it on.
        controls->TimeChoice()->setCurrentIndex(1);
        Hover(plot, QPoint(int(plot->XForTap(5)), plot->ImpulseRect().center().y()));
        QTRY_COMPARE(plot->Readout(), QStringLiteral("s[5] = 1"));
        Hover(plot, QPoint(int(plot->XForTap(4)), plot->ImpulseRect().center().y()));
        QTRY_COMPARE(plot->Readout(), QStringLiteral("s[4] = 0"));
        // The controls follow a zoom made in the plot, and the pass-band button.
        controls->FrequencyChoice()->setCurrentIndex(0);
        controls->LogAxis()->setChecked(true);
        QVERIFY(plot->LogFrequency());
        s.filter = kFilterLpf4;
        dock.SetSettings(s);
        dock.findChild<QPushButton*>(QStringLiteral("zoomPassBand"))->click();
        QVERIFY(plot->DbRange() <= 5.0);
        QCOMPARE(controls->RangeDb()->value(), plot->DbRange());
        controls->RangeDb()->setValue(60.0);
        QCOMPARE(plot->DbRange(), 60.0);
        dock.findChild<QPushButton*>(QStringLiteral("fitAll"))->click();
        QCOMPARE(plot->DbRange(), 90.0);
    }

    void spectraShowUnderTheResponseAndAreDescribed()
    {
        FilterPlot plot;
        plot.resize(720, 300);
        plot.SetTaps(Taps(kFilterLpf4));
        // Flat input at -40 dB; the output 30 dB lower above a quarter of the band.
        std::vector<double> in(1025, -40.0), out(1025, -40.0);
        for (std::size_t k = 300; k < out.size(); ++k)
            out[k] = -70.0;
        plot.SetSpectra(in, out, 48000);
        QCOMPARE(plot.SampleRate(), 48000);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QImage image = Paint(&plot);
        const int x = int(std::lround(plot.XForFrequency(0.4)));
        const int yIn = int(std::lround(plot.YForDb(-40.0)));
        const int yOut = int(std::lround(plot.YForDb(-70.0)));
        QVERIFY(QColor(image.pixel(x, yIn)) != plot.palette().color(QPalette::Base));
        QVERIFY(QColor(image.pixel(x, yOut)) != plot.palette().color(QPalette::Base));
        QVERIFY(QColor(image.pixel(x, yIn)) != QColor(image.pixel(x, yOut)));
        Hover(&plot, QPoint(x, plot.MagnitudeRect().center().y()));
        QTRY_VERIFY(plot.Readout().contains(QStringLiteral("入力 -40.00 dB  出力 -70.00 dB")));
        QVERIFY(plot.accessibleDescription().contains(QStringLiteral("阻止域")));
        QVERIFY(plot.accessibleDescription().contains(QStringLiteral("スペクトル")));
        QCOMPARE(plot.accessibleName(), QStringLiteral("フィルタの応答"));
        QCOMPARE(plot.focusPolicy(), Qt::StrongFocus);
        plot.SetSpectra({}, {}, 0);
        QVERIFY(!plot.HasSpectra());
    }

    void rightClickSavesThePictureAndTheData()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FilterPlot plot;
        plot.resize(640, 280);
        plot.SetTaps(Taps(kFilterMa5));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QPoint at = plot.MagnitudeRect().center();
        Hover(&plot, at);
        QTRY_VERIFY(!plot.Readout().isEmpty());

        const auto save = [&](const QString& item, const QString& name) {
            const QString path = dir.filePath(name);
            ModalDriver driver(ModalDriver::TypeFileName(path));
            ChooseFromNextMenu(item);
            RightClick(&plot, at);
            return QTest::qWaitFor([&driver] { return driver.done(); }) ? path : QString();
        };
        // PNG: the plot as drawn, without the pointer's line and read-out.
        const QString png = save(QStringLiteral("画像として保存"), QStringLiteral("plot.png"));
        QImage saved(png);
        QCOMPARE(saved.size(), plot.size() * plot.devicePixelRatio());
        Hover(&plot, at); // the menu took the pointer away
        const QImage onScreen = Paint(&plot);
        const QColor highlight = plot.palette().color(QPalette::Highlight);
        QCOMPARE(QColor(onScreen.pixel(at.x(), at.y() + 30)), highlight);
        QVERIFY(QColor(saved.pixel(at.x(), at.y() + 30)) != highlight);
        // SVG by its name.
        const QString svg = save(QStringLiteral("画像として保存"), QStringLiteral("plot.svg"));
        const QByteArray svgText = ReadFile(svg);
        QVERIFY(svgText.contains("<svg"));
        QVERIFY(svgText.contains("<title>フィルタの応答</title>"));
        // CSV of the frequency response: a header, one row per point, no level at nulls.
        const QString csv =
            save(QStringLiteral("周波数特性のデータ"), QStringLiteral("response.csv"));
        const QList<QByteArray> lines = ReadFile(csv).split('\n');
        QCOMPARE(lines.front(), QByteArray("frequency_cycles_per_sample,magnitude_db,phase_deg,"
                                           "group_delay_samples"));
        const std::size_t points = plot.Response().frequency.size();
        QCOMPARE(std::size_t(lines.size()), points + 2); // and the last line's end
        QVERIFY(lines[1].startsWith("0,0,"));
        QVERIFY(lines[1 + 800].startsWith("0.2,,,")); // the null at a fifth of the rate
        // The taps, and the step response beside them.
        const QString taps = save(QStringLiteral("時間応答のデータ"), QStringLiteral("taps.csv"));
        QCOMPARE(ReadFile(taps),
                 QByteArray("n,h,step\n0,0.2,0.2\n1,0.2,0.4\n2,0.2,0.6000000000000001\n"
                            "3,0.2,0.8\n4,0.2,1\n"));
    }

    void failedSaveSaysSoAndLeavesNothing()
    {
        QTemporaryDir dir;
        FilterPlot plot;
        plot.resize(400, 200);
        plot.SetTaps(Taps(kFilterPass));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QString path = dir.filePath(QStringLiteral("missing/plot.png"));
        QVERIFY(!SavePlotPicture(&plot, path));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestResponsePlots)
#include "tst_responseplots.moc"
