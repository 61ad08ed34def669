// Drives the desktop program through the four scenes the README shows and saves each
// window as a PNG: the main window mid-animation, the settings dialog, the filter
// dock for the 1/4 low-pass filter, the waveforms after a file run, and the designer.
// Usage: ravelin_screenshots OUTPUT_FOLDER (run by scripts/screenshots under Xvfb).

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "app/MainFrame.h"
#include "app/RavelinApp.h"
#include "engine/Commands.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <numbers>

using namespace ravelin;

namespace {

// A sound output that takes a fixed number of samples and plays nothing more, so the
// scene shows a position line without a sound card.
class StillOutput : public IAudioOutput {
  public:
    QString Start(PlaybackStream* stream, int) override
    {
        stream->read(5200 * 2);
        return {};
    }
    void Stop() override {}
    bool IsPlaying() const override { return true; }
    std::int64_t Pending() const override { return 0; }
    QString Failure() const override { return {}; }
    std::int64_t TailSamples(int) const override { return 0; }
};

bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(20);
    return done();
}

// Two seconds at 8000 Hz: a low tone with a high one, interrupted by a loud square wave
// whose ringing after the low-pass filter goes past full scale (the clipped samples).
QByteArray SignalWav()
{
    const int rate = 8000, count = 2 * rate;
    std::vector<int> samples;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double low = std::sin(2 * std::numbers::pi * 200 * t);
        const double high = std::sin(2 * std::numbers::pi * 2500 * t);
        const bool burst = i >= rate && i < rate * 7 / 5;
        const double value = burst ? (low >= 0 ? 31000 : -31000) : 9000 * (low + 0.6 * high);
        samples.push_back(int(std::lround(value)));
    }
    return ToQByteArray(ravelin::test::MonoWav(samples, 16, rate));
}

bool Save(QWidget* widget, const QString& path)
{
    const bool ok = widget->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ravelin_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QTemporaryDir scratch;
    bool ok = scratch.isValid();

    IsolateSettings(); // a first start, whatever an earlier run left behind
    CRavelinApp program;
    if (!program.InitInstance({QStringLiteral("ravelin")}))
        return 1;
    CMainFrame* frame = program.MainFrame();
    ok = ok && QTest::qWaitForWindowExposed(frame);

    // 1. Six steps into the animation of the default filter and input.
    Action(frame, "actionTbAnimate")->trigger();
    ok = ok && WaitFor([frame] { return frame->Document().m_nStep >= 7; });
    Action(frame, "actionTbAnimate")->trigger(); // stopped, so the scene holds still
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-window.png"))) && ok;

    // 2. The settings dialog, choosing the 1/4 low-pass filter and file data.
    ModalDriver settings(ModalDriver::On<QDialog>([&](QDialog* dlg) {
        QTest::mouseClick(dlg->findChild<QRadioButton*>(QStringLiteral("filter8")), Qt::LeftButton);
        QTest::mouseClick(dlg->findChild<QRadioButton*>(QStringLiteral("input3")), Qt::LeftButton);
        QTest::qWait(100);
        ok = Save(dlg, out.filePath(QStringLiteral("settings.png"))) && ok;
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    }));
    Action(frame, "actionSettings")->trigger();
    ok = ok && settings.done();
    if (!ok)
        return 1;

    // 3. The filter dock, the pointer at the cut-off frequency.
    Action(frame, "actionViewFilterPanel")->trigger();
    FilterPlot* plot = frame->FilterPanel()->Plot();
    ok = ok && WaitFor([plot] { return plot->isVisible() && plot->Computations() > 0; });
    QTest::qWait(200);
    QTest::mouseMove(plot,
                     QPoint(int(plot->XForFrequency(0.125)), plot->MagnitudeRect().center().y()));
    WaitFor([plot] { return !plot->Readout().isEmpty(); }, 2000);
    ok = Save(frame, out.filePath(QStringLiteral("filter-panel.png"))) && ok;
    if (!ok)
        return 1;

    // 4. A file run through the 1/4 low-pass filter, then its waveforms, output playing.
    QFile input(scratch.filePath(QStringLiteral("tones.wav")));
    ok = ok && input.open(QIODevice::WriteOnly) && input.write(SignalWav()) > 0;
    input.close();
    const QString output = scratch.filePath(QStringLiteral("tones-lpf4.wav"));
    ModalDriver run{ModalDriver::TypeFileName(input.fileName()),
                    ModalDriver::Press(QMessageBox::Ok), ModalDriver::TypeFileName(output),
                    ModalDriver::Press(QMessageBox::Ok)};
    Action(frame, "actionRunFile")->trigger();
    ok = ok && run.done();
    WavePanel* panel = frame->FilterPanel()->Waves();
    ok = ok && panel->HasRun();
    panel->SetAudioOutput(std::make_unique<StillOutput>());
    panel->Play(WavePanel::Output);
    QTest::qWait(300);
    ok = Save(frame, out.filePath(QStringLiteral("waveforms.png"))) && ok;
    panel->Stop();

    // 5. Zoomed in where the filtered square wave first clips, the output moved back by
    // the filter's delay: single samples as stems, the clipped ones marked, a
    // selection, and the readout at the pointer.
    WaveView* outView = panel->View(WavePanel::Output);
    panel->ShiftBox()->setChecked(true);
    const std::int64_t clip = std::int64_t(panel->Summary(WavePanel::Output)->NextMarked(0)) -
                              std::int64_t(outView->Shift());
    panel->SetRange(double(clip - 20), double(clip + 40));
    panel->SetSelection(clip - 10, clip);
    outView->setFocus();
    QTest::mouseMove(outView, QPoint(outView->XForSample(double(clip + 5)) + 3,
                                     outView->PlotRect().center().y()));
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("waveforms-zoomed.png"))) && ok;

    // 6. The designer with its first-start design.
    frame->FilterPanel()->ShowPage(frame->FilterPanel()->Designer());
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("designer.png"))) && ok;
    return ok ? 0 : 1;
}
