// The desktop program's file run on a long file, measured as a user meets it: the real
// main window on the offscreen platform filters INPUT into OUTPUT with the 1/4 low-pass
// filter through its own dialogs, then shows the waveforms. Prints one line:
//   gui-hour: run_ms=N views_ms=N longest_stall_ms=N peak_rss_kb=N
// run_ms: from the save dialog's OK to the completion box; views_ms: from the
// completion box's OK to the waveform tab painted; longest_stall_ms: the longest time
// the window's event loop was away (the largest gap between the ticks of a 10 ms timer,
// less its interval), from the first dialog to the painted views; peak_rss_kb: the
// process's peak resident memory.
// Usage: ravelin_gui_bench INPUT.wav OUTPUT.wav (scripts/bench gui runs it).

#include "app/FilterDock.h"
#include "app/MainFrame.h"
#include "engine/Presets.h"
#include "view/WavePanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace ravelin;

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ravelin_gui_bench INPUT.wav OUTPUT.wav\n");
        return 2;
    }
    QStandardPaths::setTestModeEnabled(true); // the user's settings stay as they are
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    const QString input = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();

    CMainFrame frame;
    frame.show();
    SettingsValues s = frame.Document().Settings();
    s.filter = kFilterLpf4;
    s.input = kInputFile;
    frame.Document().ApplySettings(s);

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = -1, longest = 0, longestAt = 0, longestInRun = 0;
    qint64 runStart = -1, runEnd = -1, viewsStart = -1;
    bool measuring = false;
    constexpr int kTick = 10;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const qint64 stall = lastTick >= 0 ? now - lastTick - kTick : 0;
        if (measuring && stall > longest) {
            longest = stall;
            longestAt = now;
        }
        // Between the save dialog's OK and the completion box: the filtering itself.
        if (runStart >= 0 && runEnd < 0)
            longestInRun = std::max(longestInRun, stall);
        lastTick = now;
    });
    ticker.start();

    // Answers the dialogs as a user would: the two file names, then OK.
    int files = 0;
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->selectFile(files++ == 0 ? input : output);
            if (files == 2)
                runStart = clock.elapsed();
            QMetaObject::invokeMethod(dialog, "accept");
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click(); // replaces the output of an earlier run
                return;
            }
            const bool done = runStart >= 0;
            if (done)
                runEnd = clock.elapsed();
            box->accept();
            if (done)
                viewsStart = clock.elapsed();
        }
    });
    driver.start();

    QTimer::singleShot(200, [&] {
        measuring = true;
        lastTick = -1;
        frame.findChild<QAction*>(QStringLiteral("actionRunFile"))->trigger();
    });
    // The run's command returns into this loop; then the views are painted.
    qint64 viewsEnd = -1;
    QObject::connect(&frame, &CMainFrame::fileRunFinished, [&] {
        QTimer::singleShot(0, [&] {
            WavePanel* panel = frame.FilterPanel()->Waves();
            frame.repaint();
            panel->repaint();
            viewsEnd = clock.elapsed();
            // Stalls after the views appear count too, for a moment.
            QTimer::singleShot(500, [&] { app.quit(); });
        });
    });
    QTimer::singleShot(30 * 60 * 1000, [&] { app.exit(1); });
    const int code = app.exec();
    if (code != 0 || runEnd < 0 || viewsEnd < 0 || !frame.FilterPanel()->Waves()->HasRun()) {
        std::fprintf(stderr, "gui bench: the run did not finish\n");
        return 1;
    }
    std::fprintf(stderr,
                 "longest stall ended at %lld ms; run %lld to %lld (its longest stall %lld ms), "
                 "views %lld to %lld\n",
                 static_cast<long long>(longestAt), static_cast<long long>(runStart),
                 static_cast<long long>(runEnd), static_cast<long long>(longestInRun),
                 static_cast<long long>(viewsStart), static_cast<long long>(viewsEnd));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("gui-hour: run_ms=%lld views_ms=%lld longest_stall_ms=%lld peak_rss_kb=%ld\n",
                static_cast<long long>(runEnd - runStart),
                static_cast<long long>(viewsEnd - viewsStart), static_cast<long long>(longest),
                usage.ru_maxrss);
    return 0;
}
