// What the filter panel computes: the frequency response of the longest presets (once
// per change of the settings), and the waveform summary of an hour of 44.1 kHz audio
// (once per run) with one overview of 1000 pixel columns (once per repaint).

#include "engine/FilterDesign.h"
#include "engine/FilterResponse.h"
#include "engine/WaveSummary.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

namespace {

using namespace ravelin;

void BM_Response(benchmark::State& state)
{
    CRavelinDoc doc;
    SettingsValues s = doc.Settings();
    s.filter = int(state.range(0));
    s.tap = {0, 4096, 8192};
    const std::vector<double> taps = FilePresetTaps(s);
    const int points = ResponsePointsFor(taps.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeFrequencyResponse(taps, points));
    state.counters["taps"] = double(taps.size());
    state.counters["points"] = points;
}
BENCHMARK(BM_Response)
    ->Arg(kFilterLpf4)
    ->Arg(kFilterEcho1023)
    ->Arg(kFilterUser3)
    ->Unit(benchmark::kMillisecond);

// What the designer computes on each change of a parameter, before it paints: the
// design, the plot's response and the measures, for 4,095 Kaiser-windowed taps.
void BM_DesignUpdate(benchmark::State& state)
{
    DesignSpec spec;
    spec.taps = int(state.range(0));
    spec.window = WindowKind::Kaiser;
    spec.beta = KaiserBeta(80);
    spec.low = 1000.0 / 44100;
    int step = 0;
    for (auto _ : state) {
        spec.low = (1000.0 + 10.0 * (step++ % 50)) / 44100; // a cut-off being dragged
        const DesignResult d = DesignFilter(spec);
        benchmark::DoNotOptimize(
            ComputeFrequencyResponse(d.taps, ResponsePointsFor(d.taps.size())));
        benchmark::DoNotOptimize(MeasureDesign(spec, d.taps));
    }
}
BENCHMARK(BM_DesignUpdate)->Arg(255)->Arg(4095)->Unit(benchmark::kMillisecond);

std::vector<std::int32_t> HourOfAudio()
{
    std::vector<std::int32_t> samples(std::size_t{44100} * 3600);
    std::uint32_t x = 1;
    for (auto& s : samples) {
        x = x * 1664525u + 1013904223u;
        s = std::int16_t(x >> 16);
    }
    return samples;
}

void BM_SummaryBuild(benchmark::State& state)
{
    static const std::vector<std::int32_t> samples = HourOfAudio();
    for (auto _ : state) {
        WaveSummary summary;
        // As the file run feeds it: a block at a time.
        for (std::size_t i = 0; i < samples.size(); i += 65536)
            summary.Append(samples.data() + i, std::min<std::size_t>(65536, samples.size() - i));
        benchmark::DoNotOptimize(summary.Size());
    }
}
BENCHMARK(BM_SummaryBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Overview1000Columns(benchmark::State& state)
{
    static const std::vector<std::int32_t> samples = HourOfAudio();
    WaveSummary summary;
    summary.Append(samples.data(), samples.size());
    const std::size_t n = samples.size();
    for (auto _ : state)
        for (std::size_t c = 0; c < 1000; ++c)
            benchmark::DoNotOptimize(summary.Query(c * n / 1000, (c + 1) * n / 1000));
}
BENCHMARK(BM_Overview1000Columns)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
