// The filter dock: its View menu item and the remembered state, the responses as the
// settings change, the plots and waveforms where they land, and playback through a
// recording audio output (no sound card needed).

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "app/FilterDock.h"
#include "engine/Commands.h"
#include "engine/FilterResponse.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"

#include <QAudioDevice>
#include <QImage>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace ravelin;

namespace {

// A mono WAV file at 8000 Hz; 16-bit samples, or 8-bit ones given as -128..127.
QByteArray MakeWav(const std::vector<int>& samples, int bits = 16)
{
    return ToQByteArray(ravelin::test::MonoWav(samples, bits));
}

// Remembers what the panel asked of the sound output; the test plays the device.
struct AudioLog {
    std::vector<std::vector<std::int16_t>> starts;
    std::vector<int> rates;
    int stops = 0;
    QString refusal; // Start fails with this when set
    bool playing = false;
    std::int64_t played = 0;
    QString failure;
};

class RecordingOutput : public IAudioOutput {
  public:
    explicit RecordingOutput(std::shared_ptr<AudioLog> log) : m_log(std::move(log)) {}
    QString Start(std::span<const std::int16_t> samples, int rate) override
    {
        if (!m_log->refusal.isEmpty())
            return m_log->refusal;
        m_log->starts.emplace_back(samples.begin(), samples.end());
        m_log->rates.push_back(rate);
        m_log->playing = true;
        m_log->played = 0;
        m_log->failure.clear();
        return {};
    }
    void Stop() override
    {
        ++m_log->stops;
        m_log->playing = false;
    }
    bool IsPlaying() const override { return m_log->playing; }
    std::int64_t Played() const override { return m_log->played; }
    QString Failure() const override { return m_log->failure; }

  private:
    std::shared_ptr<AudioLog> m_log;
};

QImage Paint(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    return image;
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
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
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
        QVERIFY(Action(frame.get(), "actionViewFilterPanel")->isChecked());
        // Its close button hides it just as the menu does, and that is remembered too.
        frame->FilterPanel()->close();
        QVERIFY(!Action(frame.get(), "actionViewFilterPanel")->isChecked());
        frame.reset();
        CMainFrame again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(!again.FilterPanel()->isVisible());
    }

    // In a window too low for both, the dock gives way and the diagram keeps its room;
    // the dock takes its height back as the window grows again.
    void aLowWindowKeepsTheDiagramsRoom()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        FilterDock* dock = frame->FilterPanel();
        auto* view = frame->findChild<QWidget*>(QStringLiteral("view"));
        Action(frame.get(), "actionViewFilterPanel")->trigger();
        QTRY_VERIFY(dock->isVisible());
        frame->resize(788, 900);
        QTRY_COMPARE(frame->height(), 900);
        QTRY_COMPARE(dock->height(), dock->sizeHint().height());
        const int roomy = dock->height();
        QVERIFY(view->height() >= view->sizeHint().height());

        frame->resize(480, 420);
        QTRY_COMPARE(frame->height(), 420);
        QTRY_COMPARE(dock->height(), dock->minimumSizeHint().height());
        QVERIFY2(
            view->height() > 2 * dock->height(),
            qPrintable(
                QStringLiteral("diagram %1, dock %2").arg(view->height()).arg(dock->height())));

        frame->resize(788, 900);
        QTRY_COMPARE(dock->height(), roomy);
        QVERIFY(view->height() >= view->sizeHint().height());
    }

    // Started with the dock shown, the window gives back the dock's room when it goes and
    // takes the same again when it comes: the same two sizes at every toggle.
    void hidingAndShowingAfterARestartKeepsTheSize()
    {
        {
            auto first = ShowMainFrame();
            QVERIFY(QTest::qWaitForWindowExposed(first.get()));
            Action(first.get(), "actionViewFilterPanel")->trigger();
            first->close();
        }
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.FilterPanel()->isVisible());
        QAction* item = Action(&frame, "actionViewFilterPanel");
        const QSize shown = frame.size();
        item->trigger();
        QTRY_VERIFY(frame.height() < shown.height());
        const QSize hidden = frame.size();
        for (int i = 0; i < 3; ++i) {
            item->trigger();
            QTRY_COMPARE(frame.size(), shown);
            item->trigger();
            QTRY_COMPARE(frame.size(), hidden);
        }
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
        // At a null of the response (a difference filter at 0 Hz) the gain has no finite
        // figure.
        plot.SetTaps({1.0, -1.0});
        QTest::mouseMove(&plot, QPoint(mag.left(), mag.center().y()));
        QTRY_VERIFY(plot.Readout().endsWith(QStringLiteral("∞ dB")));
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
        SettingsValues s = frame->Document().Settings();
        s.filter = kFilterUser3;
        s.tap = {0, 1, 2};
        s.coef = {2.0, 0.0, 0.0};
        s.input = kInputFile;
        frame->Document().ApplySettings(s);

        QSignalSpy started(frame.get(), &CMainFrame::fileRunStarted);
        QSignalSpy finished(frame.get(), &CMainFrame::fileRunFinished);
        ModalDriver driver{ModalDriver::TypeFileName(inPath), ModalDriver::Press(QMessageBox::Ok),
                           ModalDriver::TypeFileName(outPath), ModalDriver::Press(QMessageBox::Ok)};
        Action(frame.get(), "actionRunFile")->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.seenClass() + driver.seenText()));
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), inPath);
        QCOMPARE(finished.at(0).at(1).toString(), outPath);

        FilterDock* dock = frame->FilterPanel();
        QVERIFY(dock->isVisible());
        WavePanel* panel = dock->Waves();
        QCOMPARE(dock->Tabs()->currentWidget(), panel);
        QCOMPARE(dock->Plot()->SampleRate(), 8000);
        QVERIFY(panel->HasRun());
        QCOMPARE(panel->FullScaleCount(), std::size_t(2000));

        // The output's full-scale marks over the loud half only; its waveform spans the scale.
        WaveView* outView = panel->View(WavePanel::Output);
        outView->resize(400, 80);
        const QImage image = Paint(outView);
        const QRect r = outView->PlotRect();
        QVERIFY(Rows(image, outView->XForSample(1000), r, IsRed).empty());
        QVERIFY(!Rows(image, outView->XForSample(3000), r, IsRed).empty());
        const auto loud = Rows(image, outView->XForSample(3000), r, IsBlue);
        QVERIFY(!loud.empty());
        QVERIFY(loud.front() <= r.top() + 8);
        QVERIFY(loud.back() >= r.bottom() - 8);
        const auto quiet = Rows(image, outView->XForSample(1000), r, IsBlue);
        QVERIFY(!quiet.empty());
        QVERIFY(quiet.front() > r.top() + 20);
        QVERIFY(quiet.back() < r.bottom() - 20);

        // Playback: what the sink is given, the moving line, switching at the same moment.
        auto log = std::make_shared<AudioLog>();
        panel->SetAudioOutput(std::make_unique<RecordingOutput>(log));
        QTest::mouseClick(panel->PlayButton(WavePanel::Input), Qt::LeftButton);
        QCOMPARE(panel->Playing(), int(WavePanel::Input));
        QCOMPARE(log->starts.size(), std::size_t(1));
        QCOMPARE(log->rates.at(0), 8000);
        QCOMPARE(log->starts[0], std::vector<std::int16_t>(in.begin(), in.end()));
        log->played = 1000;
        QTRY_COMPARE(panel->View(WavePanel::Input)->Position(), std::int64_t(1000));
        QTest::mouseClick(panel->PlayButton(WavePanel::Output), Qt::LeftButton);
        QCOMPARE(panel->Playing(), int(WavePanel::Output));
        QCOMPARE(log->starts.size(), std::size_t(2));
        QCOMPARE(log->starts[1].size(), std::size_t(3000));
        QCOMPARE(log->starts[1].back(), std::int16_t(32767)); // 2 x 20000, clamped
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
        QCOMPARE(log->starts.back().size(), in.size() - std::size_t(cue));
        // Switched after a cue, the output carries on where the input had got to.
        log->played = 500;
        QTRY_COMPARE(inView->Position(), cue + 500);
        QTest::mouseClick(panel->PlayButton(WavePanel::Output), Qt::LeftButton);
        QCOMPARE(log->starts.back().size(), in.size() - std::size_t(cue + 500));
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
        QCOMPARE(finished.count(), 1); // cancelled: no new waveforms
        QCOMPARE(started.count(), 2);
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

    void noDeviceOrAFailingOneSaysSoOnce()
    {
        WavePanel panel;
        const QString in = Write(QStringLiteral("a.wav"), MakeWav({-128, 0, 127, 5}, 8));
        QVERIFY(panel.LoadRun(in, in));
        auto log = std::make_shared<AudioLog>();
        panel.SetAudioOutput(std::make_unique<RecordingOutput>(log));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

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
        const std::vector<std::int16_t> samples(100, 0);
        auto output = MakeSystemAudioOutput();
        QCOMPARE(output->Start(samples, 8000),
                 QStringLiteral("音声出力装置が見つからないため再生できません。"));
        QVERIFY(!output->IsPlaying());
        QCOMPARE(output->Played(), std::int64_t(0));
    }
};

QTEST_MAIN(TestFilterPanel)
#include "tst_filterpanel.moc"
