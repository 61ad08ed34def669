// The designer tab on one change of a parameter: the design, its measures, the plot's
// response and the painting of the whole tab, for 255 and 4,095 taps (offscreen).

#include "app/DesignPanel.h"

#include <QApplication>
#include <QImage>
#include <QSpinBox>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

namespace {

using namespace ravelin;

void BM_DesignerChangeAndPaint(benchmark::State& state)
{
    DesignPanel panel;
    panel.resize(1200, 380);
    QImage image(panel.size(), QImage::Format_RGB32);
    const int taps = int(state.range(0));
    int step = 0;
    for (auto _ : state) {
        panel.TapsBox()->setValue(taps - 2 * (step++ % 2)); // the arrow keys
        panel.render(&image);
    }
}
BENCHMARK(BM_DesignerChangeAndPaint)->Arg(255)->Arg(4095)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true); // the user's last design stays as it is
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
