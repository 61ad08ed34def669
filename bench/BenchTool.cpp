// ravelin_bench_tool: the pieces scripts/bench needs besides ravelin-cli and sox.
//
//   wav FILE [SECONDS]            writes the workload: deterministic 44.1 kHz mono 16-bit
//                                 "music" (sweeps, a sawtooth and noise), 60 s by default
//   coefs [FILTER]                prints the filter's coefficients, one per line, for sox
//   plain [FILTER] IN OUT         filters a 16-bit mono WAV with the plain loop: Process
//                                 once per sample, truncation toward zero, saturation to
//                                 16 bits as the file run does; the reference for speed
//                                 and for the output bytes
//   same-samples A B              exit 0 when the sample data of two WAV files are
//                                 byte for byte the same
//   plain-check [FILTER] IN OUT [WINDOWS]
//                                 checks OUT, the file run's output for IN, against the
//                                 plain loop: the whole file on every core (0, the
//                                 default), or WINDOWS one-second windows spread evenly
//                                 over it; prints "yes" or where the first difference is
//   fft-stats [FILTER] IN         filters a 16-bit mono WAV as the file run does (blocks of
//                                 64 Ki samples through ProcessSamples) and prints the
//                                 outputs the FFT path rechecked and its margin, or "-"
//                                 for a filter that stays on the direct path
//   time COMMAND [ARGS...]        runs COMMAND with its output discarded and prints its wall
//                                 time in milliseconds, from the fork to the end of its wait,
//                                 and its peak resident memory in KiB; exits 1 when it
//                                 failed
// FILTER is --preset P (number or name) [--taps T0,T1,T2 --coefs C0,C1,C2], or
// --coef-file FILE (a coefficient file, as ravelin-cli design writes it).

#include "engine/Presets.h"
#include "engine/RavelinDoc.h"
#include "files/CoefFile.h"
#include "files/WavHeader.h"
#include "support/WavFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using ravelin::test::Bytes;

// Writes a mono 16-bit 44.1 kHz WAV file of the samples.
bool WriteWav16(const std::string& path, const std::vector<std::int16_t>& samples)
{
    Bytes b = ravelin::test::WavHeaderBytes({.rate = 44100},
                                            static_cast<std::uint32_t>(2 * samples.size()));
    b.reserve(b.size() + 2 * samples.size());
    for (std::int16_t s : samples)
        ravelin::test::Put(b, static_cast<std::uint16_t>(s), 2);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(f);
}

// The samples of a mono 16-bit WAV file, read with the program's own header reader:
// the declared data, cut to what the file holds.
std::optional<std::vector<std::int16_t>> ReadWav16(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    ravelin::WavHeader h;
    std::optional<std::vector<std::int16_t>> samples;
    if (h.ReadWavHeader(f) == 0 && h.Channels() == 1 && h.BitsPerSample() == 16) {
        Bytes bytes(h.DataSize());
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f) / 2 * 2);
        samples.emplace(bytes.size() / 2);
        for (std::size_t i = 0; i < samples->size(); ++i)
            (*samples)[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    std::fclose(f);
    return samples;
}

int MakeWorkload(const std::string& path, double seconds)
{
    const auto n = static_cast<std::uint32_t>(seconds * 44100.0);
    std::vector<std::int16_t> samples(n);
    std::uint32_t noise = 12345;
    double phase = 0.0;
    for (std::uint32_t i = 0; i < n; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = i / 44100.0;
        phase += 2.0 * 3.14159265358979 * (220.0 + 200.0 * std::sin(0.25 * t)) / 44100.0;
        const double saw = 2.0 * (t * 110.0 - std::floor(t * 110.0)) - 1.0;
        const double v = 12000.0 * std::sin(phase) + 5000.0 * saw +
                         static_cast<double>(static_cast<int>(noise >> 19) - 4096);
        const auto s =
            static_cast<std::int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, v))));
        samples[i] = s;
    }
    return WriteWav16(path, samples) ? 0 : 1;
}

// Parses --preset, --taps, --coefs from args[from...]; the rest is returned.
bool ParseFilter(const std::vector<std::string>& args, ravelin::CRavelinDoc& doc,
                 std::vector<std::string>& rest)
{
    doc.m_nFilterPreset = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--coef-file" && i + 1 < args.size()) {
            ravelin::CoefFileResult file = ravelin::ReadCoefficientFile(args[++i]);
            if (file.error != ravelin::CoefFileError::None)
                return false;
            doc.UseCustomFilter(std::move(file.taps), "");
        } else if ((a == "--preset" || a == "--taps" || a == "--coefs") && i + 1 < args.size()) {
            const std::string v = args[++i];
            if (a == "--preset") {
                doc.m_nFilterPreset = ravelin::FindFilterPreset(v);
                if (doc.m_nFilterPreset < 0)
                    return false;
            } else {
                std::stringstream s(v);
                std::string item;
                for (int k = 0; k < 3 && std::getline(s, item, ','); ++k) {
                    if (a == "--taps")
                        doc.m_nUserTap[k] = std::stoi(item);
                    else
                        doc.m_dUserCoef[k] = std::stod(item);
                }
            }
        } else {
            rest.push_back(a);
        }
    }
    return doc.LoadFilePreset();
}

int PrintCoefs(ravelin::CRavelinDoc& doc)
{
    for (int k = 0; k < doc.m_filter.Length(); ++k)
        std::printf("%.17g\n", doc.m_filter.Coef(k));
    return 0;
}

int PlainLoop(ravelin::CRavelinDoc& doc, const std::string& in, const std::string& out)
{
    const auto x = ReadWav16(in);
    if (!x) {
        std::cerr << "plain: " << in << " is not a mono 16-bit WAV file\n";
        return 1;
    }
    std::vector<std::int16_t> result(x->size());
    ravelin::CStreamFilter& f = doc.m_filter;
    for (std::size_t i = 0; i < x->size(); ++i) {
        const double t = std::trunc(f.Process((*x)[i]));
        const double c = t < -32768.0 ? -32768.0 : t > 32767.0 ? 32767.0 : t;
        result[i] = static_cast<std::int16_t>(c);
    }
    return WriteWav16(out, result) ? 0 : 1;
}

int FftStats(ravelin::CRavelinDoc& doc, const std::string& in)
{
    const auto samples = ReadWav16(in);
    if (!samples) {
        std::cerr << "fft-stats: " << in << " is not a mono 16-bit WAV file\n";
        return 1;
    }
    const std::size_t n = samples->size();
    std::vector<std::int32_t> x(samples->begin(), samples->end());
    constexpr std::size_t kBlock = 65536;
    ravelin::CStreamFilter& f = doc.m_filter;
    for (std::size_t i = 0; i < n; i += kBlock)
        f.ProcessSamples(&x[i], &x[i], std::min(kBlock, n - i), -32768, 32767);
    const ravelin::FftStatistics stats = f.FftStats();
    if (stats.samples == 0) {
        std::cout << "- -\n";
        return 0;
    }
    char margin[32];
    const auto [end, ec] = std::to_chars(margin, margin + sizeof margin, stats.margin,
                                         std::chars_format::scientific, 2);
    std::cout << stats.rechecked << " " << std::string_view(margin, end - margin) << "\n";
    return ec == std::errc() ? 0 : 1;
}

// The plain loop over samples [from, to) of x, its delay line first filled with the
// inputs before from (a FIR filter's state is its last N inputs, so this is the state
// the whole run has there); false at the first output that differs from expected.
bool PlainWindow(const ravelin::SettingsValues& settings, const std::vector<double>& custom,
                 const std::vector<std::int16_t>& x, const std::vector<std::int16_t>& expected,
                 std::size_t from, std::size_t to, std::size_t& firstDifference)
{
    ravelin::CRavelinDoc doc;
    doc.ApplySettings(settings);
    if (!custom.empty())
        doc.UseCustomFilter(custom, "");
    if (!doc.LoadFilePreset())
        return false;
    ravelin::CStreamFilter& f = doc.m_filter;
    const std::size_t n = static_cast<std::size_t>(f.Length());
    for (std::size_t i = from - std::min(from, n); i < from; ++i)
        f.Process(x[i]);
    for (std::size_t i = from; i < to; ++i) {
        const double t = std::trunc(f.Process(x[i]));
        const double c = t < -32768.0 ? -32768.0 : t > 32767.0 ? 32767.0 : t;
        if (static_cast<std::int16_t>(c) != expected[i]) {
            firstDifference = i;
            return false;
        }
    }
    return true;
}

int PlainCheck(ravelin::CRavelinDoc& doc, const std::string& in, const std::string& out,
               std::size_t windows)
{
    const auto x = ReadWav16(in), y = ReadWav16(out);
    if (!x || !y || x->size() != y->size()) {
        std::cerr << "plain-check: " << in << " and " << out
                  << " are not mono 16-bit WAV files of the same length\n";
        return 2;
    }
    const std::size_t n = x->size();
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    if (windows == 0) {
        const std::size_t parts = std::max(1u, std::thread::hardware_concurrency());
        for (std::size_t k = 0; k < parts; ++k)
            ranges.emplace_back(n * k / parts, n * (k + 1) / parts);
    } else {
        const std::size_t width = std::min<std::size_t>(44100, n);
        for (std::size_t k = 0; k < windows; ++k) {
            const std::size_t from = windows > 1 ? (n - width) * k / (windows - 1) : 0;
            ranges.emplace_back(from, from + width);
        }
    }
    std::vector<std::size_t> differences(ranges.size(), n);
    std::vector<std::thread> threads;
    const ravelin::SettingsValues settings = doc.Settings();
    const std::size_t parallel = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t k = 0; k < ranges.size(); k += parallel) {
        for (std::size_t j = k; j < std::min(ranges.size(), k + parallel); ++j)
            threads.emplace_back([&, j] {
                PlainWindow(settings, doc.CustomTaps(), *x, *y, ranges[j].first, ranges[j].second,
                            differences[j]);
            });
        for (auto& t : threads)
            t.join();
        threads.clear();
    }
    const std::size_t first = *std::min_element(differences.begin(), differences.end());
    if (first < n) {
        std::cout << "NO (sample " << first << ")\n";
        return 1;
    }
    std::cout << "yes\n";
    return 0;
}

int SameSamples(const std::string& a, const std::string& b)
{
    const auto x = ReadWav16(a), y = ReadWav16(b);
    if (!x || !y) {
        std::cerr << "same-samples: cannot read the samples of both files\n";
        return 2;
    }
    if (x->size() != y->size()) {
        std::cout << "different lengths: " << x->size() << " and " << y->size() << " samples\n";
        return 1;
    }
    const auto [p, q] = std::mismatch(x->begin(), x->end(), y->begin());
    if (p != x->end()) {
        std::cout << "first difference at sample " << (p - x->begin()) << "\n";
        return 1;
    }
    return 0;
}

// The command's own wall time: measured here rather than around a wrapper such as
// time(1), whose start would count for both programs alike and shrink every ratio.
int TimeRun(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("ravelin_bench_tool: fork");
        return 1;
    }
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR) {
            std::perror("ravelin_bench_tool: wait4");
            return 1;
        }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %ld\n", ms, usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "usage: ravelin_bench_tool "
                     "wav|coefs|plain|plain-check|same-samples|fft-stats|time ...\n";
        return 2;
    }
    const std::string& command = args[0];
    const std::vector<std::string> tail(args.begin() + 1, args.end());
    if (command == "wav" && !tail.empty())
        return MakeWorkload(tail[0], tail.size() > 1 ? std::stod(tail[1]) : 60.0);
    if (command == "time" && !tail.empty())
        return TimeRun(tail);
    if (command == "same-samples" && tail.size() == 2)
        return SameSamples(tail[0], tail[1]);
    if (command == "coefs" || command == "plain" || command == "fft-stats" ||
        command == "plain-check") {
        std::vector<std::string> rest;
        ravelin::CRavelinDoc doc;
        if (!ParseFilter(tail, doc, rest)) {
            std::cerr << "ravelin_bench_tool: unknown filter\n";
            return 2;
        }
        if (command == "coefs" && rest.empty())
            return PrintCoefs(doc);
        if (command == "plain" && rest.size() == 2)
            return PlainLoop(doc, rest[0], rest[1]);
        if (command == "fft-stats" && rest.size() == 1)
            return FftStats(doc, rest[0]);
        if (command == "plain-check" && (rest.size() == 2 || rest.size() == 3))
            return PlainCheck(doc, rest[0], rest[1],
                              rest.size() == 3 ? std::stoul(rest[2]) : std::size_t{0});
    }
    std::cerr << "ravelin_bench_tool: bad arguments\n";
    return 2;
}
