// CStreamFilter::ProcessBlock on one minute of 44.1 kHz audio, per file-mode preset.
// Besides the time, each run reports:
//   Msamples/s   filtered samples per second, in millions
//   GMAC/s       multiply-add pairs per second actually computed (non-zero taps only)
//   peak         that rate as a share of the cores' peak pair rate (PeakRate.h) for the
//                threads the block used
//   vs_scalar    speed-up over Process called once per sample on the same preset
// BM_ProcessSamples runs ProcessSamples, the file run's operation, on the same minute as
// 16-bit samples in blocks of 64 Ki, and also reports
//   rechecked    outputs of the FFT path recomputed with the sequential sum, per minute
//   margin       the FFT path's margin
//   identical    1 when every output equals the plain loop's (Process, truncation, clamp)
// BM_PathCost times both paths of ProcessSamples on random filters of several lengths
// and densities, on one thread: the measurements behind FftBlock's kFftCostPerTap.

#include "PeakRate.h"
#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
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
            const double tri1 =
                2.0 *
                    std::abs(phase1 - 2.0 * static_cast<double>(static_cast<long>(phase1 / 2.0))) -
                2.0;
            const double v = 9000.0 * tri1 +
                             4000.0 * (phase2 - static_cast<double>(static_cast<long>(phase2))) +
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

// Samples per second of the plain loop, out[i] = Process(in[i]), on a stretch of the
// workload.
double ScalarRate(int preset)
{
    static std::map<int, double> rates;
    if (auto it = rates.find(preset); it != rates.end())
        return it->second;
    CStreamFilter f;
    LoadPreset(f, preset);
    const std::vector<double>& x = Workload();
    const std::size_t n = std::min<std::size_t>(x.size(), 400'000'000 / (f.Length() + 8));
    std::vector<double> y(n);
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    for (std::size_t i = 0; i < n; ++i)
        y[i] = f.Process(x[i]);
    benchmark::ClobberMemory();
    const std::chrono::duration<double> took = clock::now() - start;
    benchmark::DoNotOptimize(y.data());
    return rates[preset] = static_cast<double>(n) / took.count();
}

// Args: preset, threads (0 automatic), block length (0 = the whole minute at once),
// widest instruction set (0 baseline, 1 AVX2, 2 AVX-512 or whatever the processor has).
void BM_ProcessBlock(benchmark::State& state)
{
    const int preset = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const auto blockLength = static_cast<std::size_t>(state.range(2));
    const auto simd = static_cast<CStreamFilter::Simd>(state.range(3));
    CStreamFilter f;
    LoadPreset(f, preset);
    f.SetThreads(threads);
    f.LimitSimd(simd);
    if (f.ActiveSimd() != simd) {
        state.SkipWithError("the processor lacks this instruction set");
        return;
    }
    const std::vector<double>& x = Workload();
    std::vector<double> y(x.size());
    const std::size_t block = blockLength == 0 ? x.size() : blockLength;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < x.size(); i += block)
            f.ProcessBlock(x.data() + i, y.data() + i, std::min(block, x.size() - i));
        benchmark::ClobberMemory();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        seconds += took.count();
    }
    const double samples = static_cast<double>(x.size()) * static_cast<double>(state.iterations());
    const double pairs = samples * static_cast<double>(NonZeroTaps(f));
    const unsigned hw = std::max(1u, std::thread::hardware_concurrency());
    const double used = threads == 0 ? std::min<double>(hw, CStreamFilter::kMaxThreads) : threads;
    state.counters["Msamples/s"] = samples / seconds * 1e-6;
    state.counters["GMAC/s"] = pairs / seconds * 1e-9;
    state.counters["peak"] = pairs / seconds / (PeakPairsPerCore() * used);
    state.counters["vs_scalar"] = samples / seconds / ScalarRate(preset);
}

void PresetArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"preset", "threads", "block", "simd"});
    const auto best = static_cast<int>(CStreamFilter::BestSimd());
    for (int preset = 0; preset < 12; ++preset)
        for (int threads : {0, 1})
            b->Args({preset, threads, 0, best});
    // The file run's way: the minute in blocks of 64 Ki samples.
    for (int preset : {7, 8, 11})
        for (int threads : {0, 1})
            b->Args({preset, threads, 65536, best});
    // The narrower kernels, on one thread.
    for (int simd = 0; simd < best; ++simd)
        for (int preset : {7, 8, 11})
            b->Args({preset, 1, 0, simd});
}

BENCHMARK(BM_ProcessBlock)->Apply(PresetArgs)->Unit(benchmark::kMillisecond)->UseManualTime();

const std::vector<std::int32_t>& WorkloadSamples()
{
    static const std::vector<std::int32_t> samples(Workload().begin(), Workload().end());
    return samples;
}

// The plain loop's outputs on the minute: Process per sample, truncated and clamped.
const std::vector<std::int32_t>& PlainOutputs(int preset)
{
    static std::map<int, std::vector<std::int32_t>> outputs;
    if (auto it = outputs.find(preset); it != outputs.end())
        return it->second;
    CStreamFilter f;
    LoadPreset(f, preset);
    std::vector<std::int32_t> y;
    for (std::int32_t v : WorkloadSamples())
        y.push_back(
            static_cast<std::int32_t>(std::clamp(std::trunc(f.Process(v)), -32768.0, 32767.0)));
    return outputs[preset] = std::move(y);
}

constexpr std::size_t kFileBlock = 65536;

// Args: preset, path (0 automatic, 1 direct, 2 FFT), threads (0 automatic).
void BM_ProcessSamples(benchmark::State& state)
{
    const int preset = static_cast<int>(state.range(0));
    const auto path = static_cast<CStreamFilter::SamplePath>(state.range(1));
    CStreamFilter f;
    LoadPreset(f, preset);
    f.ChooseSamplePath(path);
    f.SetThreads(static_cast<int>(state.range(2)));
    const std::vector<std::int32_t>& x = WorkloadSamples();
    std::vector<std::int32_t> y(x.size());
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < x.size(); i += kFileBlock)
            f.ProcessSamples(x.data() + i, y.data() + i, std::min(kFileBlock, x.size() - i), -32768,
                             32767);
        benchmark::ClobberMemory();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        seconds += took.count();
    }
    const auto iterations = static_cast<double>(state.iterations());
    const double samples = static_cast<double>(x.size()) * iterations;
    const ravelin::FftStatistics stats = f.FftStats();
    state.counters["Msamples/s"] = samples / seconds * 1e-6;
    state.counters["vs_scalar"] = samples / seconds / ScalarRate(preset);
    state.counters["rechecked"] = static_cast<double>(stats.rechecked) / iterations;
    state.counters["margin"] = stats.margin;
    // A fresh filter, so that the outputs start from silence as the plain loop's do.
    CStreamFilter g;
    LoadPreset(g, preset);
    g.ChooseSamplePath(path);
    for (std::size_t i = 0; i < x.size(); i += kFileBlock)
        g.ProcessSamples(x.data() + i, y.data() + i, std::min(kFileBlock, x.size() - i), -32768,
                         32767);
    state.counters["identical"] = y == PlainOutputs(preset) ? 1.0 : 0.0;
}

void SamplesArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"preset", "path", "threads"});
    for (int preset = 0; preset < 12; ++preset)
        b->Args({preset, 0, 0});
    for (int preset : {8, 9, 10})
        for (int path : {1, 2})
            for (int threads : {0, 1})
                b->Args({preset, path, threads});
}

BENCHMARK(BM_ProcessSamples)->Apply(SamplesArgs)->Unit(benchmark::kMillisecond)->UseManualTime();

// Args: taps, non-zero taps per thousand, path (1 direct, 2 FFT). One thread, 64 Ki
// blocks; reports nanoseconds per sample and, for the direct path, per non-zero tap.
void BM_PathCost(benchmark::State& state)
{
    const auto taps = static_cast<int>(state.range(0));
    const auto perMille = static_cast<unsigned>(state.range(1));
    CStreamFilter f;
    f.SetLength(taps);
    std::mt19937_64 rng(static_cast<std::uint64_t>(taps) * 1000 + perMille);
    std::uniform_real_distribution<double> coef(-0.1, 0.1);
    int nonZero = 0;
    for (int k = 0; k < taps; ++k)
        if (rng() % 1000 < perMille) {
            f.SetCoef(k, coef(rng));
            ++nonZero;
        }
    f.ChooseSamplePath(static_cast<CStreamFilter::SamplePath>(state.range(2)));
    f.SetThreads(1);
    const std::vector<std::int32_t>& all = WorkloadSamples();
    const std::vector<std::int32_t> x(all.begin(), all.begin() + 16 * kFileBlock);
    std::vector<std::int32_t> y(x.size());
    for (auto _ : state)
        for (std::size_t i = 0; i < x.size(); i += kFileBlock)
            f.ProcessSamples(x.data() + i, y.data() + i, kFileBlock, -32768, 32767);
    const double samples = static_cast<double>(x.size()) * static_cast<double>(state.iterations());
    state.counters["ns/sample"] = benchmark::Counter(
        samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["nonzero"] = nonZero;
    state.counters["ns/tap"] =
        benchmark::Counter(samples * std::max(nonZero, 1) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void PathCostArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"taps", "permille", "path"});
    for (int taps : {32, 64, 128, 256, 511, 1024, 2048, 4096, 8193})
        for (int perMille : {1000, 250, 50})
            for (int path : {1, 2})
                b->Args({taps, perMille, path});
}

BENCHMARK(BM_PathCost)->Apply(PathCostArgs)->Unit(benchmark::kMillisecond);

void BM_PeakPairRate(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PeakPairsPerCore());
    state.counters["GMAC/s per core"] = PeakPairsPerCore() * 1e-9;
}
BENCHMARK(BM_PeakPairRate)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
