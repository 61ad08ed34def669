// The main window as the accessibility check reads it: the filter panel after a file run
// of a short file whose output clips, every page of the panel painted once so that each
// view has something to describe. Prints "ready" when it is, then stays until its
// standard input closes (or a minute has passed).
// Usage: ravelin_atspi_window (tests/gui/atspi-check runs it).

#include "GuiTestSupport.h"
#include "app/FilterDock.h"

#include <QSocketNotifier>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

using namespace ravelin;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    // Quiet first half, loud second half; doubled by the filter, the loud half clips.
    std::vector<int> samples(4000, 0);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = i < 2000 ? int(i % 20) * 50 - 500 : (i % 2 ? 20000 : -20000);
    const QString in = WriteFile(dir.filePath(QStringLiteral("in.wav")),
                                 ToQByteArray(test::MakeWav({}, test::Samples16(samples))));
    const QString out = dir.filePath(QStringLiteral("out.wav"));

    auto frame = ShowMainFrame();
    UseDoublingFilterOnAFile(frame->Document());

    ModalDriver driver{ModalDriver::TypeFileName(in), ModalDriver::Press(QMessageBox::Ok),
                       ModalDriver::TypeFileName(out), ModalDriver::Press(QMessageBox::Ok)};
    QTimer::singleShot(0, frame.get(), [&] {
        Action(frame.get(), "actionRunFile")->trigger();
        if (!driver.done() || !frame->FilterPanel()->isVisible()) {
            std::fprintf(stderr, "atspi window: the file run did not finish\n");
            QApplication::exit(1);
            return;
        }
        // Each page painted once, the waveforms last, as a user leaves them after a run.
        QTabWidget* tabs = frame->FilterPanel()->Tabs();
        for (int i : {0, 2, 1}) {
            tabs->setCurrentIndex(i);
            tabs->currentWidget()->repaint();
            QApplication::processEvents();
        }
        std::printf("ready\n");
        std::fflush(stdout);
    });
    // The check closes our input when it is done.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) <= 0) {
            input.setEnabled(false);
            QApplication::quit();
        }
    });
    QTimer::singleShot(60000, &app, [] { QApplication::exit(3); });
    return app.exec();
}
