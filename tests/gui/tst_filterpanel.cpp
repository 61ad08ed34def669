// The filter dock: its View menu item and the remembered state, the responses as the
// settings change, the plots and waveforms where they land, and playback through a
// recording audio output (no sound card needed).

#include "GuiTestSupport.h"
#include "RecordingOutput.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "engine/Commands.h"
#include "engine/FilterResponse.h"
#include "view/FilterPlot.h"
#include "view/ResponseControls.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest>

using namespace ravelin;
using test::AudioLog;
using test::RecordingOutput;

namespace {

// A mono WAV file at 8000 Hz; 16-bit samples, or 8-bit ones given as -128..127.
QByteArray MakeWav(const std::vector<int>& samples, int bits = 16)
{
    return ToQByteArray(ravelin::test::MonoWav(samples, bits));
}

bool IsBlue(QRgb c)
{
    return qBlue(c) > 150 && qRed(c) < 100 && qGreen(c) < 140;
}

bool IsRed(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}

// The rows of column x whose pixel passes test, top to bottom.
template <class F> std::vector<int> Rows(const QImage& image, int x, const QRect& within, F test)
{
    std::vector<int> rows;
    for (int y = within.top(); y <= within.bottom(); ++y)
        if (test(image.pixel(x, y)))
            rows.push_back(y);
    return rows;
}

} // namespace

class TestFilterPanel : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        return WriteFile(m_dir.filePath(name), bytes);
    }

    // A main window with room for the diagram and the whole dock, the dock shown; null
    // (the test failed) if it would not settle.
    static std::unique_ptr<CMainFrame> ShowDockWithRoom()
    {
        auto frame = ShowMainFrame();
        [&frame] {
            QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
            Action(frame.get(), "actionViewFilterPanel")->trigger();
            QTRY_VERIFY(frame->FilterPanel()->isVisible());
            frame->resize(788, 1000);
            QTRY_COMPARE(frame->height(), 1000);
            QTRY_COMPARE(frame->FilterPanel()->height(), frame->FilterPanel()->sizeHint().height());
        }();
        if (QTest::currentTestFailed())
            frame.reset();
        return frame;
    }

  private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(m_dir.isValid());
    }

    void menuItemTogglesTheDockAndIsRemembered()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        QAction* item = Action(frame.get(), "actionViewFilterPanel");
        FilterDock* dock = frame->FilterPanel();
        QVERIFY(!dock->isVisible());
        QVERIFY(!item->isChecked()); // hidden at first start
        // The window grows to make room for the dock (within the screen) and gives it back.
        const int before = frame->height();
        item->trigger();
        QVERIFY(dock->isVisible());
        QVERIFY(item->isChecked());
        QTRY_VERIFY(frame->height() > before);
        QVERIFY(frame->frameGeometry().height() <= frame->screen()->availableGeometry().height());
        item->trigger();
        QVERIFY(!dock->isVisible());
        QVERIFY(!item->isChecked());
        QTRY_COMPARE(frame->height(), before);
        item->trigger();
        // Closing the window hides the dock as well; the next start shows it again.
        frame->close();
        frame.reset();
        frame = std::make_unique<CMainFrame>();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QVERIFY(frame->FilterPanel()->isVisible());
        item = Action(frame.get(), "actionViewFilterPanel");
        QVERIFY(item->isChecked());
        // Started with the dock shown, the window gives back the dock's room when it goes
        // and takes the same again when it comes: the same two sizes at every toggle.
        const QSize shown = frame->size();
        item->trigger();
        QTRY_VERIFY(frame->height() < shown.height());
        const QSize hidden = frame->size();
        for (int i = 0; i < 3; ++i) {
            item->trigger();
            QTRY_COMPARE(frame->size(), shown);
            item->trigger();
            QTRY_COMPARE(frame->size(), hidden);
        }
        item->trigger();
        // Its close button hides it just as the menu does, and that is remembered too.
        frame->FilterPanel()->close();
        QVERIFY(!item->isChecked());
        frame.reset();
        CMainFrame again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(!again.FilterPanel()->isVisible());
    }

    // At the window's first-start width the response page's controls fit whole: nothing
    // to scroll sideways to reach them.
    void responseControlsFitTheFirstStartWidth()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        const int width = frame->width();
        Action(frame.get(), "actionViewFilterPanel")->trigger();
        FilterDock* dock = frame->FilterPanel();
        QVERIFY(dock->isVisible());
        QCOMPARE(frame->width(), width);
        auto* scroll = qobject_cast<QScrollArea*>(dock->Tabs()->widget(0));
        QVERIFY(scroll);
        auto* controls = scroll->widget()->findChild<ResponseControls*>();
        QVERIFY(controls);
        QTRY_VERIFY(controls->isVisible());
        QApplication::processEvents();
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        const QRect page = scroll->viewport()->rect();
        for (QWidget* w : controls->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect at(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
            QVERIFY2(page.contains(at), qPrintable(w->objectName() + w->accessibleName()));
        }
    }

    // At the width the window takes at first start on a real screen, the designer shows
    // every field, both rows of buttons and its plots' words whole: nothing cut, nothing
    // to scroll sideways to, and no scrolling down while the panel holds what it needs.
    void designerReadsWholeAtTheFirstStartWidth()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        frame->resize(frame->sizeHint().width(), frame->height()); // as on a roomy screen
        Action(frame.get(), "actionViewFilterPanel")->trigger();
        FilterDock* dock = frame->FilterPanel();
        DesignPanel* designer = dock->Designer();
        dock->ShowPage(designer);
        QTRY_VERIFY(designer->Plot()->isVisible());
        const auto problems = [designer] {
            QStringList found = ScrollingProblems(designer, false);
            found << TextProblems(designer, {}, Wording::Any);
            found << DrawnProblems(designer->Plot(), nullptr, Wording::Any);
            return found;
        };
        QStringList found;
        QTRY_VERIFY2((found = problems()).isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    // Floated narrow, the designer puts its form above its plots rather than scrolling
    // sideways; made wide again, the form goes back beside them.
    void aNarrowPanelPutsTheDesignersFormAboveItsPlots()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        Action(frame.get(), "actionViewFilterPanel")->trigger();
        FilterDock* dock = frame->FilterPanel();
        DesignPanel* designer = dock->Designer();
        dock->ShowPage(designer);
        dock->setFloating(true);
        dock->resize(440, 560);
        QTRY_VERIFY(designer->FormAbove());
        FilterPlot* plot = designer->Plot();
        QVERIFY(plot->mapTo(designer, QPoint(0, 0)).y() >
                designer->UseButton()->mapTo(designer, QPoint(0, 0)).y());
        QStringList found;
        QTRY_VERIFY2((found = ScrollingProblems(designer, false)).isEmpty(),
                     qPrintable(found.join(QLatin1Char('\n'))));
        dock->resize(1000, 500);
        QTRY_VERIFY(!designer->FormAbove());
        QVERIFY(plot->mapTo(designer, QPoint(0, 0)).x() >
                designer->UseButton()->mapTo(designer, QPoint(0, 0)).x());
    }

    // In a window too low for both, the dock gives way and the diagram keeps its room; the
    // dock takes back the height the user gave it by its separator (not the one it had
    // before) as the window grows again.
    void aLowWindowKeepsTheDiagramsRoom()
    {
        auto frame = ShowDockWithRoom();
        if (!frame)
            return;
        FilterDock* dock = frame->FilterPanel();
        auto* view = frame->findChild<QWidget*>(QStringLiteral("view"));
        const QPoint separator(frame->width() / 2, dock->y() - 2);
        const int taller = dock->height() + 60;
        QTest::mousePress(frame.get(), Qt::LeftButton, {}, separator);
        QTest::mouseMove(frame.get(), separator - QPoint(0, 30));
        QTest::mouseMove(frame.get(), separator - QPoint(0, 60));
        QTRY_COMPARE(dock->height(), taller); // the window follows a drag on its next turn
        QTest::mouseRelease(frame.get(), Qt::LeftButton, {}, separator - QPoint(0, 60));
        QVERIFY(view->height() >= view->sizeHint().height());

        frame->resize(480, 420);
        QTRY_COMPARE(frame->height(), 420);
        QTRY_COMPARE(dock->height(), dock->minimumSizeHint().height());
        QVERIFY(frame->rect().contains(view->geometry())); // not put aside out of sight
        QVERIFY2(
            view->height() > 2 * dock->height(),
            qPrintable(
                QStringLiteral("diagram %1, dock %2").arg(view->height()).arg(dock->height())));

        frame->resize(788, 1000);
        QTRY_COMPARE(dock->height(), taller);
        QVERIFY(view->height() >= view->sizeHint().height());
    }

    // Only a lower window (or the dock's showing) makes the dock give way: a height the user
    // dragged it to, past what the diagram would like, stays when the window is laid out
    // again for another reason.
    void aDockDraggedTallerStaysWhenTheToolBarGoes()
    {
        auto frame = ShowDockWithRoom();
        if (!frame)
            return;
        FilterDock* dock = frame->FilterPanel();
        auto* view = frame->findChild<QWidget*>(QStringLiteral("view"));

        const QPoint separator(frame->width() / 2, dock->y() - 2);
        const int up = view->height() - view->sizeHint().height() + 100;
        QTest::mousePress(frame.get(), Qt::LeftButton, {}, separator);
        QTest::mouseMove(frame.get(), separator - QPoint(0, up));
        QTRY_VERIFY(view->height() < view->sizeHint().height());
        QTest::mouseRelease(frame.get(), Qt::LeftButton, {}, separator - QPoint(0, up));
        const int dragged = dock->height();
        const int viewTop = view->y();

        Action(frame.get(), "actionViewToolBar")->trigger();
        QTRY_VERIFY(view->y() < viewTop); // laid out again
        QCOMPARE(dock->height(), dragged);
    }

    // A window as high as the screen cannot grow for the dock: the dock gives way at once,
    // as far as the diagram needs.
    void aWindowThatCannotGrowKeepsTheDiagramsRoom()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        FilterDock* dock = frame->FilterPanel();
        auto* view = frame->findChild<QWidget*>(QStringLiteral("view"));
        const int screenHigh = frame->screen()->availableGeometry().height() -
                               (frame->frameGeometry().height() - frame->height());
        frame->resize(480, screenHigh);
        QTRY_COMPARE(frame->height(), screenHigh);
        QVERIFY(view->height() < view->sizeHint().height() + dock->sizeHint().height());

        Action(frame.get(), "actionViewFilterPanel")->trigger();
        QTRY_VERIFY(dock->isVisible());
        QCOMPARE(frame->height(), screenHigh);
        QTRY_VERIFY(view->height() >= view->sizeHint().height());
        QVERIFY(frame->rect().contains(view->geometry()));
        QVERIFY(dock->height() < dock->sizeHint().height());
    }

    void followsTheSettingsDialog()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        Action(frame.get(), "actionViewFilterPanel")->trigger();
        FilterPlot* plot = frame->FilterPanel()->Plot();
        QTRY_VERIFY(plot->Computations() >= 1);
        QCOMPARE(plot->Taps(), std::vector<double>{1.0});

        ModalDriver driver(ModalDriver::On<QDialog>([](QDialog* dlg) {
            QTest::mouseClick(dlg->findChild<QRadioButton*>(QStringLiteral("filter8")),
                              Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        }));
        Action(frame.get(), "actionSettings")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(frame->Document().m_nFilterPreset, int(kFilterLpf4));
        QCOMPARE(plot->Taps().size(), std::size_t(511));
        auto* caption = frame->FilterPanel()->findChild<QLabel*>(QStringLiteral("filterCaption"));
        QCOMPARE(caption->text(), QStringLiteral("低域通過フィルタ1/4"));
        QTRY_VERIFY(plot->Computations() >= 2);
        // Steps and rewinds repaint the document but leave the filter: nothing recomputed.
        const int computed = plot->Computations();
        Action(frame.get(), "actionTbStep")->trigger();
        Action(frame.get(), "actionTbRewind")->trigger();
        Paint(plot);
        QCOMPARE(plot->Computations(), computed);
    }

    void plotsLandWhereTheResponseSays()
    {
        FilterPlot plot;
        plot.resize(720, 260);
        CRavelinDoc doc;
        SettingsValues s = doc.Settings();
        s.filter = kFilterMa5;
        plot.SetTaps(FilePresetTaps(s));
        QImage image = Paint(&plot);
        const QRect mag = plot.MagnitudeRect();
        // 0 dB at f = 0; the null at a fifth of the rate reaches the bottom of the plot.
        const auto atZero = Rows(image, int(plot.XForFrequency(0.001)) + 1, mag, IsBlue);
        QVERIFY(!atZero.empty());
        QVERIFY(std::abs(atZero.front() - plot.YForDb(0.0)) <= 2);
        int deepest = 0;
        for (int dx = -1; dx <= 1; ++dx) {
            const auto atNull = Rows(image, int(plot.XForFrequency(0.2)) + dx, mag, IsBlue);
            deepest = std::max(deepest, atNull.empty() ? 0 : atNull.back());
        }
        QVERIFY(deepest >= mag.bottom() - 2);
        const auto between = Rows(image, int(plot.XForFrequency(0.3)), mag, IsBlue);
        QVERIFY(!between.empty());
        QVERIFY(between.back() < mag.bottom() - 20);

        // The delay's one stem at n = 5, from zero to one; nothing at n = 2.
        s.filter = kFilterDelay5;
        plot.SetTaps(FilePresetTaps(s));
        image = Paint(&plot);
        const QRect imp = plot.ImpulseRect();
        const QRect inside = imp.adjusted(0, 1, 0, -1);
        const auto stem = Rows(image, int(plot.XForTap(5)), inside, IsBlue);
        QVERIFY(!stem.empty());
        QVERIFY(std::abs(stem.front() - plot.YForTap(1.0)) <= 3);
        QVERIFY(std::abs(stem.back() - plot.YForTap(0.0)) <= 3);
        QVERIFY(Rows(image, int(plot.XForTap(2)),
                     imp.adjusted(0, 1, 0, -int(imp.bottom() - plot.YForTap(0.0)) - 3), IsBlue)
                    .empty());

        // The pointer reads out frequency and gain: Hz once a file has given a rate.
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QPoint over(int(plot.XForFrequency(0.25)), mag.center().y());
        QTest::mouseMove(&plot, over);
        QTRY_VERIFY(plot.Readout().endsWith(QStringLiteral(" dB")));
        QVERIFY(plot.Readout().contains(QStringLiteral("サイクル/サンプル")));
        plot.SetSampleRate(8000);
        QTest::mouseMove(&plot, over + QPoint(1, 0));
        QTRY_VERIFY(plot.Readout().contains(QStringLiteral(" Hz ")));
        QVERIFY(plot.Readout().startsWith(QStringLiteral("20")));
        QVERIFY(plot.Readout().endsWith(QStringLiteral("0.00 dB")));
    }

    void longUserFilterIsComputedOnce()
    {
        FilterPlot plot;
        plot.resize(720, 260);
        CRavelinDoc doc;
        SettingsValues s = doc.Settings();
        s.filter = kFilterUser3;
        s.tap = {0, 4000, 8192};
        plot.SetTaps(FilePresetTaps(s));
        QCOMPARE(plot.Computations(), 0); // not before it is seen
        const QImage image = Paint(&plot);
        Paint(&plot);
        plot.SetTaps(FilePresetTaps(s));
        Paint(&plot);
        QCOMPARE(plot.Computations(), 1);
        // The last tap is drawn in the last pixel column of the stem plot.
        const QRect imp = plot.ImpulseRect().adjusted(0, 1, 0, -1);
        QVERIFY(!Rows(image, int(plot.XForTap(8192)), imp, IsBlue).empty());
    }

    void fileRunShowsTheWaveformsAndPlaysThem()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        // Quiet first half, loud second half; doubled, the loud half clips.
        std::vector<int> in(4000, 0);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = i < 2000 ? int(i % 20) * 50 - 500 : (i % 2 ? 20000 : -20000);
        const QString inPath = Write(QStringLiteral("in.wav"), MakeWav(in));
        const QString outPath = m_dir.filePath(QStringLiteral("out.wav"));
        UseDoublingFilterOnAFile(frame->Document());

        QSignalSpy finished(frame.get(), &CMainFrame::fileRunFinished);
        ModalDriver driver{ModalDriver::TypeFileName(inPath), ModalDriver::Press(QMessageBox::Ok),
                           ModalDriver::TypeFileName(outPath), ModalDriver::Press(QMessageBox::Ok)};
        Action(frame.get(), "actionRunFile")->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.seenClass() + driver.seenText()));
        QCOMPARE(finished.count(), 1);
        // The run's spectra, made while it streamed, lie under |H(f)|.
        QVERIFY(frame->FilterPanel()->Plot()->HasSpectra());

        FilterDock* dock = frame->FilterPanel();
        QVERIFY(dock->isVisible());
        WavePanel* panel = dock->Waves();
        QCOMPARE(dock->CurrentPage(), panel);
        QCOMPARE(dock->Plot()->SampleRate(), 8000);
        QVERIFY(panel->HasRun());
        QCOMPARE(panel->ClampedCount(), std::uint64_t(2000));

        // The output's clip marks (its clamped samples) over the loud half only; its waveform
        // spans the scale.
        WaveView* outView = panel->View(WavePanel::Output);
        outView->resize(400, 80);
        const QImage image = Paint(outView);
        const QRect r = outView->PlotRect();
        // Marked by triangles a few pixels apart along the clipped stretch.
        const auto redNear = [&](int x) {
            int rows = 0;
            for (int dx = -3; dx <= 3; ++dx)
                rows += int(Rows(image, x + dx, r, IsRed).size());
            return rows;
        };
        QCOMPARE(redNear(outView->XForSample(1000)), 0);
        QVERIFY(redNear(outView->XForSample(3000)) > 0);
        const QRgb wave = outView->palette().color(QPalette::Highlight).rgb();
        const auto IsWave = [wave](QRgb c) { return c == wave; };
        const auto loud = Rows(image, outView->XForSample(3000), r, IsWave);
        QVERIFY(!loud.empty() && loud.front() <= r.top() + 8 && loud.back() >= r.bottom() - 8);
        const auto quiet = Rows(image, outView->XForSample(1000), r, IsWave);
        QVERIFY(!quiet.empty() && quiet.front() > r.top() + 20 && quiet.back() < r.bottom() - 20);

        // Playback: what the sink is given, the moving line, switching at the same moment.
        auto log = std::make_shared<AudioLog>();
        panel->SetAudioOutput(std::make_unique<RecordingOutput>(log));
        QTest::mouseClick(panel->PlayButton(WavePanel::Input), Qt::LeftButton);
        QCOMPARE(panel->Playing(), int(WavePanel::Input));
        QCOMPARE(log->starts.size(), std::size_t(1));
        QCOMPARE(log->rates.at(0), 8000);
        log->Pull(1000);
        QTRY_COMPARE(panel->View(WavePanel::Input)->Position(), std::int64_t(1000));
        QTRY_COMPARE(panel->View(WavePanel::Output)->Position(), std::int64_t(1000));
        // A/B: the same playback goes on with the output from the very next sample.
        QTest::mouseClick(panel->PlayButton(WavePanel::Output), Qt::LeftButton);
        QCOMPARE(panel->Playing(), int(WavePanel::Output));
        QCOMPARE(log->starts.size(), std::size_t(1));
        log->PullAll();
        std::vector<std::int16_t> heard(in.begin(), in.begin() + 1000);
        for (std::size_t i = 1000; i < in.size(); ++i)
            heard.push_back(std::int16_t(std::clamp(2 * in[i], -32768, 32767)));
        QCOMPARE(log->starts[0], heard);
        QCOMPARE(log->starts[0].back(), std::int16_t(32767)); // 2 x 20000, clamped
        // Played to the end: the line goes, the buttons come back.
        log->playing = false;
        QTRY_COMPARE(panel->Playing(), -1);
        QVERIFY(panel->PlayButton(WavePanel::Output)->isEnabled());

        // A click on a waveform cues the next playback there.
        WaveView* inView = panel->View(WavePanel::Input);
        QTest::mouseClick(inView, Qt::LeftButton, {}, QPoint(inView->XForSample(2000), 10));
        QVERIFY(std::abs(inView->Position() - 2000) <= 4000 / inView->width() + 1);
        QTest::mouseClick(panel->PlayButton(WavePanel::Input), Qt::LeftButton);
        const std::int64_t cue = inView->Position();
        // Switched after a cue, the output carries on where the input had got to.
        log->Pull(500);
        QTRY_COMPARE(inView->Position(), cue + 500);
        QTest::mouseClick(panel->PlayButton(WavePanel::Output), Qt::LeftButton);
        log->PullAll();
        QCOMPARE(log->starts.back().size(), in.size() - std::size_t(cue));
        QCOMPARE(log->starts.back().at(499), std::int16_t(in[std::size_t(cue) + 499]));
        QCOMPARE(log->starts.back().at(500),
                 std::int16_t(std::clamp(2 * in[std::size_t(cue) + 500], -32768, 32767)));
        QTest::mouseClick(panel->StopButton(WavePanel::Output), Qt::LeftButton);
        QVERIFY(!log->playing);

        // A new run stops playback before its first dialog.
        QTest::mouseClick(panel->PlayButton(WavePanel::Input), Qt::LeftButton);
        QVERIFY(log->playing);
        {
            ModalDriver cancel(ModalDriver::On<QFileDialog>(&ModalDriver::Close));
            Action(frame.get(), "actionRunFile")->trigger();
            QVERIFY(cancel.done());
        }
        QVERIFY(!log->playing);
        QCOMPARE(panel->Playing(), -1);
        QCOMPARE(finished.count(), 1);              // cancelled: no new waveforms
        QCOMPARE(dock->Plot()->SampleRate(), 8000); // no file opened: the last one's rate

        // Once a file is opened, the frequency axis takes its rate whether the run is then
        // cancelled (at the save dialog) or refused (not mono).
        const QString at11025 =
            Write(QStringLiteral("11025.wav"), ToQByteArray(test::MonoWav({1, 2, 3}, 16, 11025)));
        const QString stereo = Write(QStringLiteral("stereo.wav"),
                                     ToQByteArray(test::MakeWav({1, 2, 22050}, test::Bytes(8))));
        {
            ModalDriver cancelled{ModalDriver::TypeFileName(at11025),
                                  ModalDriver::Press(QMessageBox::Ok),
                                  ModalDriver::On<QFileDialog>(&ModalDriver::Close)};
            Action(frame.get(), "actionRunFile")->trigger();
            QVERIFY(cancelled.done());
            QCOMPARE(dock->Plot()->SampleRate(), 11025);
        }
        {
            ModalDriver refused{ModalDriver::TypeFileName(stereo),
                                ModalDriver::Press(QMessageBox::Ok)};
            Action(frame.get(), "actionRunFile")->trigger();
            QVERIFY(refused.done());
            QCOMPARE(dock->Plot()->SampleRate(), 22050);
        }
        QCOMPARE(finished.count(), 1);

        // Closing the window stops it too.
        QTest::mouseClick(panel->PlayButton(WavePanel::Output), Qt::LeftButton);
        QVERIFY(log->playing);
        frame->close();
        QVERIFY(!log->playing);
    }

    // A full-scale square wave through the 1/4 low-pass filter rings past full scale,
    // also where the input itself sits at full scale: the panel marks exactly what the
    // run clamped, and counts as many as the completion box says.
    void clipCountIsTheRunsOwn()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        std::vector<int> in;
        for (int i = 0; i < 8000; ++i)
            in.push_back(i / 20 % 2 ? -32768 : 32767);
        const QString inPath = Write(QStringLiteral("square.wav"), MakeWav(in));
        const QString outPath = m_dir.filePath(QStringLiteral("square-lpf4.wav"));
        ConfirmSettings(frame->Document(), kFilterLpf4, kInputFile);
        ModalDriver driver{ModalDriver::TypeFileName(inPath), ModalDriver::Press(QMessageBox::Ok),
                           ModalDriver::TypeFileName(outPath), ModalDriver::Press(QMessageBox::Ok)};
        Action(frame.get(), "actionRunFile")->trigger();
        QVERIFY(driver.done());
        const QString done = driver.seenText();
        const QString key = QStringLiteral("クリップしたサンプル: ");
        QVERIFY2(done.contains(key), qPrintable(done));
        const auto told = done.mid(done.indexOf(key) + key.size()).section(QLatin1Char(' '), 0, 0);

        WavePanel* panel = frame->FilterPanel()->Waves();
        QVERIFY(panel->HasRun());
        QCOMPARE(QString::number(panel->ClampedCount()), told);
        const QString label = panel->findChild<QLabel*>(QStringLiteral("waveLabelOutput"))->text();
        QVERIFY2(label.contains(key + told), qPrintable(label));
        // Some of them where the input was at full scale too, which a count made from the
        // output's values alone would leave out.
        int alsoAtFullScale = 0;
        std::uint64_t marked = 0;
        const WavSampleReader& out = panel->Reader(WavePanel::Output);
        const WaveSummary* marks = panel->Summary(WavePanel::Output);
        for (std::size_t i = 0; i < in.size(); ++i) {
            std::int32_t y = 0;
            QCOMPARE(out.Read(i, &y, 1), std::size_t(1));
            if (!marks->Marked(i))
                continue;
            ++marked;
            QVERIFY(y == 32767 || y == -32768);
            alsoAtFullScale += in[i] == y;
        }
        QCOMPARE(marked, panel->ClampedCount());

        // lpf4 is symmetric, 511 taps: the output can be moved back by 255 samples, and
        // the readout then gives the output sample drawn under the pointer.
        QCheckBox* shift = panel->ShiftBox();
        QVERIFY(shift->isEnabled());
        shift->click();
        QCOMPARE(panel->View(WavePanel::Output)->Shift(), 255.0);
        panel->View(WavePanel::Input)->setFocus();
        QTest::keyClick(panel->View(WavePanel::Input), Qt::Key_Home);
        std::int32_t y = 0;
        QCOMPARE(out.Read(255, &y, 1), std::size_t(1));
        QVERIFY2(
            panel->Readout()->text().contains(QStringLiteral("出力 %1（サンプル 255）").arg(y)),
            qPrintable(panel->Readout()->text()));
        QVERIFY(alsoAtFullScale > 0);
        frame->close();
    }

    // The waveforms read as a sound editor's: zoom and scroll by real wheel and key
    // events with both views on the same range, single samples as stems, the readout at
    // the pointer and the keyboard cursor, the axis labels, and the keys of playback.
    void waveformsZoomScrollAndReadOut()
    {
        std::vector<int> in(80000), out(80000);
        for (std::size_t i = 0; i < in.size(); ++i) {
            in[i] = int(i % 100) * 100 - 5000;
            out[i] = -in[i];
        }
        WavePanel panel;
        auto log = std::make_shared<AudioLog>();
        panel.SetAudioOutput(std::make_unique<RecordingOutput>(log));
        QVERIFY(panel.LoadRun(Write(QStringLiteral("zin.wav"), MakeWav(in)),
                              Write(QStringLiteral("zout.wav"), MakeWav(out))));
        panel.resize(900, 500);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        WaveView* a = panel.View(WavePanel::Input);
        WaveView* b = panel.View(WavePanel::Output);
        QCOMPARE(a->RangeEnd() - a->RangeBegin(), 80000.0);

        // The wheel zooms in around the pointer; both views follow.
        const QPoint middle(a->XForSample(40000), a->PlotRect().center().y());
        for (int i = 0; i < 10; ++i) {
            QWheelEvent wheel(middle, a->mapToGlobal(middle), {}, QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(a, &wheel);
        }
        const double size = a->RangeEnd() - a->RangeBegin();
        QVERIFY(size < 80000 * 0.2);
        QVERIFY(a->RangeBegin() < 40000 && a->RangeEnd() > 40000);
        QCOMPARE(b->RangeBegin(), a->RangeBegin());
        QCOMPARE(b->RangeEnd(), a->RangeEnd());

        // Keys: + and - zoom, Page Down scrolls a page, Home goes to the start, 0 fits all.
        a->setFocus();
        QTest::keyClick(a, Qt::Key_Plus);
        QCOMPARE(a->RangeEnd() - a->RangeBegin(), size / 2);
        QTest::keyClick(a, Qt::Key_Minus);
        QCOMPARE(a->RangeEnd() - a->RangeBegin(), size);
        const double before = a->RangeBegin();
        QTest::keyClick(a, Qt::Key_PageDown);
        QCOMPARE(a->RangeBegin(), before + size);
        QTest::keyClick(a, Qt::Key_Home);
        QCOMPARE(a->RangeBegin(), 0.0);
        QCOMPARE(a->Cursor(), std::int64_t(0));
        // The readout follows the keyboard cursor, values of both signals.
        QTest::keyClick(a, Qt::Key_Right);
        const std::int64_t c = a->Cursor();
        QVERIFY(c > 0);
        QCOMPARE(panel.Readout()->text(),
                 QStringLiteral("時刻 %1 秒（サンプル %2）　入力 %3　出力 %4")
                     .arg(QString::number(double(c) / 8000, 'f', 4))
                     .arg(c)
                     .arg(in[std::size_t(c)])
                     .arg(out[std::size_t(c)]));

        // Far enough in, single samples are stems: a dot on each sample's value.
        panel.SetRange(1000, 1040);
        const QImage image = Paint(a);
        const QRgb wave = a->palette().color(QPalette::Highlight).rgb();
        for (int s : {1005, 1020}) {
            const int x = a->XForSample(s) + (a->XForSample(s + 1) - a->XForSample(s)) / 2;
            const int y = a->YForValue(in[std::size_t(s)]);
            QCOMPARE(image.pixel(x, y), wave);
        }
        // The time axis writes sample numbers this close, with a tick below the plot.
        QCOMPARE(WaveView::TimeText(1010, 8000, 5), QStringLiteral("1010"));
        QCOMPARE(WaveView::TimeText(8000 * 3725, 8000, 8000 * 60), QStringLiteral("1:02:05"));
        QCOMPARE(WaveView::TimeText(8000 * 61.5, 8000, 800), QStringLiteral("1:01.500"));
        const QRect r = a->PlotRect();
        const QRgb text = a->palette().color(QPalette::WindowText).rgb();
        int inked = 0;
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.bottom() + 5; y < a->height(); ++y)
                inked += image.pixel(x, y) == text;
        QVERIFY(inked > 20);

        // Pointer: the readout; a drag selects; Z zooms to the selection, Esc clears it.
        panel.FitAll();
        QTest::mouseMove(a, QPoint(a->XForSample(20000), r.center().y()));
        QTRY_VERIFY(panel.Readout()->text().contains(QStringLiteral("入力")));
        QTest::mousePress(a, Qt::LeftButton, {}, QPoint(a->XForSample(10000), r.center().y()));
        QTest::mouseMove(a, QPoint(a->XForSample(30000), r.center().y()));
        QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(a->XForSample(30000), r.center().y()));
        QVERIFY(std::abs(panel.SelectionBegin() - 10000) < 200);
        QVERIFY(std::abs(panel.SelectionEnd() - 30000) < 200);
        QTest::keyClick(a, Qt::Key_Z);
        QCOMPARE(a->RangeBegin(), double(panel.SelectionBegin()));

        // Space plays the selection round and round; A switches to the output at the
        // same sample; Space stops.
        const std::int64_t selBegin = panel.SelectionBegin(), selEnd = panel.SelectionEnd();
        QTest::keyClick(a, Qt::Key_Space);
        QCOMPARE(panel.Playing(), int(WavePanel::Input));
        const std::size_t loop = std::size_t(selEnd - selBegin);
        log->Pull(loop + 10);
        QCOMPARE(log->starts[0].size(), loop + 10);
        QCOMPARE(int(log->starts[0][0]), in[std::size_t(selBegin)]);
        QCOMPARE(int(log->starts[0][loop]), in[std::size_t(selBegin)]); // round again
        QTest::keyClick(a, Qt::Key_A);
        QCOMPARE(panel.Playing(), int(WavePanel::Output));
        log->Pull(1);
        QCOMPARE(int(log->starts[0].back()), out[std::size_t(selBegin) + 10]);
        QTest::keyClick(a, Qt::Key_Space);
        QCOMPARE(panel.Playing(), -1);
        QTest::keyClick(a, Qt::Key_Escape);
        QCOMPARE(panel.SelectionEnd(), std::int64_t(0));

        // Names for screen readers, and a description that says what is shown.
        QCOMPARE(panel.PlayButton(WavePanel::Input)->text(), QStringLiteral("入力を再生"));
        QCOMPARE(a->accessibleName(), QStringLiteral("入力の波形"));
        QVERIFY(b->accessibleDescription().contains(QStringLiteral("クリップなし")));
        QCOMPARE(a->focusPolicy(), Qt::StrongFocus);
    }

    void noDeviceOrAFailingOneSaysSoOnce()
    {
        WavePanel panel;
        const QString in = Write(QStringLiteral("a.wav"), MakeWav({-128, 0, 127, 5}, 8));
        QVERIFY(panel.LoadRun(in, in));
        auto log = std::make_shared<AudioLog>();
        panel.SetAudioOutput(std::make_unique<RecordingOutput>(log));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        // Four samples fill the view however far one zooms in.
        WaveView* view = panel.View(WavePanel::Input);
        QTest::keyClick(view, Qt::Key_Plus);
        QCOMPARE(view->RangeEnd() - view->RangeBegin(), 4.0);

        log->refusal = QStringLiteral("音声出力装置が見つからないため再生できません。");
        ModalDriver told(ModalDriver::Press(QMessageBox::Ok));
        QTest::mouseClick(panel.PlayButton(WavePanel::Input), Qt::LeftButton);
        QTRY_VERIFY(told.done());
        QCOMPARE(told.seenText(), log->refusal);
        QCOMPARE(panel.Playing(), -1);
        QVERIFY(log->starts.empty());
        QVERIFY(panel.PlayButton(WavePanel::Input)->isEnabled());

        // 8-bit samples go out scaled to 16 bits; a device failing midway says so once.
        log->refusal.clear();
        QTest::mouseClick(panel.PlayButton(WavePanel::Input), Qt::LeftButton);
        log->PullAll();
        QCOMPARE(log->starts.at(0), (std::vector<std::int16_t>{-32768, 0, 32512, 1280}));
        ModalDriver failed(ModalDriver::Press(QMessageBox::Ok));
        log->failure = QStringLiteral("音声出力装置の異常のため再生を中止しました。");
        log->playing = false;
        QTRY_VERIFY(failed.done());
        QCOMPARE(failed.seenText(), log->failure);
        QCOMPARE(panel.Playing(), -1);

        // An unreadable file leaves the panel empty with a note.
        QVERIFY(!panel.LoadRun(in, m_dir.filePath(QStringLiteral("gone.wav"))));
        QVERIFY(!panel.HasRun());
        QVERIFY(!panel.PlayButton(WavePanel::Input)->isEnabled());
    }

    void systemOutputWithoutADeviceSaysWhy()
    {
        if (!QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("this machine has a sound device; the recording output covers playback");
        const WavSampleReader none;
        PlaybackStream stream(none, none);
        stream.Begin(0, 0);
        auto output = MakeSystemAudioOutput();
        QCOMPARE(output->Start(&stream, 8000),
                 QStringLiteral("音声出力装置が見つからないため再生できません。"));
        QVERIFY(!output->IsPlaying());
        QCOMPARE(output->Pending(), std::int64_t(0));
    }
};

QTEST_MAIN(TestFilterPanel)
#include "tst_filterpanel.moc"
