// CStreamFilter::ProcessBlock on one minute of 44.1 kHz audio, per file-mode preset.
// Besides the time, each run reports:
//   samples/s    filtered samples per second
//   GMAC/s       multiply-add pairs per second actually computed (non-zero taps only)
//   peak         that rate as a share of the cores' peak pair rate (PeakRate.h) for the
//                threads the block used
//   vs_scalar    speed-up over Process called once per sample on the same preset

#include "PeakRate.h"

#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <thread>
#include <vector>

namespace {

using ravelin::CStreamFilter;

constexpr std::size_t kSamples = 60 * 44100;

// Deterministic sixteen-bit "music": a few sine-like sweeps and noise, as doubles.
const std::vector<double>& Workload()
{
    static const std::vector<double> signal = [] {
        std::vector<double> x(kSamples);
        std::uint32_t noise = 12345;
        double phase1 = 0.0, phase2 = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            phase1 += 0.01 + 1e-7 * static_cast<double>(i % 100000);
            phase2 += 0.113;
            const double tri1 = 2.0 * std::abs(phase1 - 2.0 * static_cast<double>(static_cast<long>(phase1 / 2.0))) - 2.0;
            const double v = 9000.0 * tri1 + 4000.0 * (phase2 - static_cast<double>(static_cast<long>(phase2))) +
                             static_cast<double>(static_cast<int>(noise >> 20) - 2048);
            x[i] = static_cast<double>(static_cast<int>(std::clamp(v, -32768.0, 32767.0)));
        }
        return x;
    }();
    return signal;
}

void LoadPreset(CStreamFilter& f, int preset)
{
    ravelin::CRavelinDoc doc;
    doc.m_nFilterPreset = preset;
    doc.m_nUserTap = {0, 4096, 8192};
    doc.m_dUserCoef = {0.5, 0.25, 0.25};
    doc.LoadFilePreset();
    f.SetLength(doc.m_filter.Length());
    for (int k = 0; k < f.Length(); ++k)
        f.SetCoef(k, doc.m_filter.Coef(k));
}

std::size_t NonZeroTaps(const CStreamFilter& f)
{
    std::size_t n = 0;
    for (int k = 0; k < f.Length(); ++k)
        n += f.Coef(k) != 0.0;
    return n;
}

// Pairs per second one core reaches at its widest vector width, measured once.
double PeakPairsPerCore()
{
    static const double rate = [] {
        using clock = std::chrono::steady_clock;
        auto run = [](long iterations) {
            switch (CStreamFilter::BestSimd()) {
#if defined(RAVELIN_BENCH_X86)
            case CStreamFilter::Simd::Avx512:
                return std::make_pair(ravelin::bench::PeakLoopAvx512(iterations), 8);
            case CStreamFilter::Simd::Avx2:
                return std::make_pair(ravelin::bench::PeakLoopAvx2(iterations), 4);
#endif
            default:
                return std::make_pair(ravelin::bench::PeakLoopBaseline(iterations), 2);
            }
        };
        double best = 0.0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            const long iterations = 20'000'000;
            const auto start = clock::now();
            const auto [check, lanes] = run(iterations);
            const std::chrono::duration<double> took = clock::now() - start;
            benchmark::DoNotOptimize(check);
            best = std::max(best, 16.0 * lanes * static_cast<double>(iterations) / took.count());
        }
        return best;
    }();
    return rate;
}

// Samples per second of Process, once per sample, on a stretch of the workload.
double ScalarRate(int preset)
{
    static std::map<int, double> rates;
    if (auto it = rates.find(preset); it != rates.end())
        return it->second;
    CStreamFilter f;
    LoadPreset(f, preset);
    const std::vector<double>& x = Workload();
    const std::size_t n = std::min<std::size_t>(x.size(), 400'000'000 / (f.Length() + 8));
    double sink = 0.0;
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    for (std::size_t i = 0; i < n; ++i)
        sink += f.Process(x[i]);
    const std::chrono::duration<double> took = clock::now() - start;
    benchmark::DoNotOptimize(sink);
    return rates[preset] = static_cast<double>(n) / took.count();
}

// Args: preset, threads (0 automatic), block length (0 = the whole minute at once).
void BM_ProcessBlock(benchmark::State& state)
{
    const int preset = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const auto blockLength = static_cast<std::size_t>(state.range(2));
    CStreamFilter f;
    LoadPreset(f, preset);
    f.SetThreads(threads);
    const std::vector<double>& x = Workload();
    std::vector<double> y(x.size());
    const std::size_t block = blockLength == 0 ? x.size() : blockLength;
    for (auto _ : state) {
        for (std::size_t i = 0; i < x.size(); i += block)
            f.ProcessBlock(x.data() + i, y.data() + i, std::min(block, x.size() - i));
        benchmark::ClobberMemory();
    }
    const double samples = static_cast<double>(x.size()) * static_cast<double>(state.iterations());
    const double pairs = samples * static_cast<double>(NonZeroTaps(f));
    const unsigned hw = std::max(1u, std::thread::hardware_concurrency());
    const double used = threads == 0 ? std::min<double>(hw, CStreamFilter::kMaxThreads) : threads;
    state.counters["samples/s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
    state.counters["GMAC/s"] = benchmark::Counter(pairs * 1e-9, benchmark::Counter::kIsRate);
    state.counters["peak"] = benchmark::Counter(pairs / (PeakPairsPerCore() * used),
                                                benchmark::Counter::kIsRate);
    state.counters["vs_scalar"] = benchmark::Counter(samples / ScalarRate(preset),
                                                     benchmark::Counter::kIsRate);
}

const char* const kPresetNames[] = {"pass",    "delay5", "echo5", "ma5",   "lag1",  "lag2",
                                    "delay1023", "echo1023", "lpf4", "lpf8", "lpf20", "user3"};

void PresetArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"preset", "threads", "block"});
    for (int preset = 0; preset < 12; ++preset)
        for (int threads : {0, 1})
            b->Args({preset, threads, 0});
    // The file run's way: the minute in blocks of 64 Ki samples.
    for (int preset : {7, 8, 11})
        b->Args({preset, 0, 65536});
}

BENCHMARK(BM_ProcessBlock)->Apply(PresetArgs)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakPairRate(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PeakPairsPerCore());
    state.counters["GMAC/s per core"] = PeakPairsPerCore() * 1e-9;
}
BENCHMARK(BM_PeakPairRate)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
