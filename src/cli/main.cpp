// ravelin-cli: the filter engine for scripts and batch work.
#include "Arguments.h"
#include "DesignCommand.h"
#include "Version.h"
#include "engine/Commands.h"
#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "engine/RavelinDoc.h"
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "words/Language.h"
#include "words/Words.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace ravelin;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The frequencies of 'response': at least two (0 and half the rate), at most 2^20 + 1.
constexpr int kMinPoints = 2;
constexpr int kMaxPoints = (1 << 20) + 1;
constexpr int kDefaultPoints = 513;

constexpr const char* kMainHelp =
    "Usage: ravelin-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  filter    filter a mono 8/16-bit WAV file into another WAV file\n"
    "  demo      run the 20 steps of the ten-tap demonstration and print the table\n"
    "  presets   list the filter and input presets\n"
    "  response  print a filter's magnitude and phase response as CSV\n"
    "  design    design a FIR filter by the window method and print its coefficients\n"
    "\n"
    "Options:\n"
    "  --help     show this help (also after a command)\n"
    "  --version  show the version\n";

template <typename T> std::string List(const std::array<T, 3>& values)
{
    return Number(values[0]) + "," + Number(values[1]) + "," + Number(values[2]);
}

// "0..5 or pass, delay5, ...": the first n presets of a table.
std::string PresetChoice(const auto& table, int n)
{
    std::string text = "0.." + std::to_string(n - 1) + " or ";
    for (int i = 0; i < n; ++i)
        text += std::string(i ? ", " : "") + std::string(table[static_cast<std::size_t>(i)].name);
    return text;
}

// The --preset line of the commands that take a file-mode filter.
std::string PresetOption()
{
    return "  --preset P         filter preset, number 0.." + std::to_string(kFilterCount - 1) +
           " or name (default " + std::string(kFilterPresets[CRavelinDoc().m_nFilterPreset].name) +
           "); see 'presets'\n";
}

std::string FilterHelp()
{
    const UserTaps user;
    return "Usage: ravelin-cli filter [--preset P] [--taps T0,T1,T2] [--coefs C0,C1,C2] INPUT.wav "
           "OUTPUT.wav\n"
           "\n"
           "Filters every sample of INPUT.wav and writes OUTPUT.wav (replaced only when the\n"
           "whole file was written; INPUT.wav itself may be the output). Prints the input's\n"
           "header information, and how many samples were clipped and where the first was.\n"
           "\n" +
           PresetOption() + kCoefFileOption +
           "  --taps T0,T1,T2    tap numbers of the user three-tap filter, each " +
           Number(kUserTapMin) + ".." + Number(kUserTapMax) + " (default " + List(user.tap) +
           ")\n"
           "  --coefs C0,C1,C2   its coefficients, each " +
           Number(kUserCoefMin) + ".." + Number(kUserCoefMax) + " (default " + List(user.coef) +
           ")\n"
           "\n"
           "Exit status: 0 written; 1 input refused (missing, unreadable, not a regular file or\n"
           "not a mono 8/16-bit linear PCM WAV file, or a malformed coefficient file), output\n"
           "not written or standard output failed, with the error and the system's reason on\n"
           "stderr and any existing OUTPUT.wav untouched; 2 usage error, nothing read or "
           "written.\n";
}

// The waveforms' menu item that animates a file's samples.
constexpr Word kAnimateFromHere{"この位置からアニメーション", "Animate from here"};

std::string DemoHelp()
{
    const CRavelinDoc defaults;
    return "Usage: ravelin-cli demo [--preset P] [--input I | --values V,...] [-o FILE]\n"
           "\n"
           "Runs the 20 steps of the ten-tap demonstration and prints the coefficients and\n"
           "the time/input/output table (UTF-8). With -o, writes the text file the desktop\n"
           "program saves (Shift_JIS, CR LF) instead.\n"
           "\n"
           "  --preset P   filter preset " +
           PresetChoice(kFilterPresets, kDemoFilterCount) + " (default " +
           std::string(kFilterPresets[defaults.m_nFilterPreset].name) +
           ")\n"
           "  --input I    input preset " +
           PresetChoice(kInputPresets, kDemoInputCount) + " (default " +
           std::string(kInputPresets[defaults.m_nInputPreset].name) +
           ")\n"
           "  --values V,...  up to 20 input values for times -1 .. 18, comma-separated\n"
           "               (zeros after the last), instead of an input preset: what the\n"
           "               desktop program's \"" +
           kAnimateFromHere.Text() +
           "\" takes from a file\n"
           "  -o FILE      write the text file to FILE\n"
           "\n"
           "Exit status: 0 done; 1 not a demonstration pair or FILE not written (any existing\n"
           "FILE untouched); 2 usage error, nothing written.\n";
}

constexpr const char* kPresetsHelp =
    "Usage: ravelin-cli presets\n"
    "\n"
    "Lists the filter presets and the input presets: number, name and caption.\n";

std::string ResponseHelp()
{
    return "Usage: ravelin-cli response [--preset P] [--taps T0,T1,T2] [--coefs C0,C1,C2]\n"
           "                            [--rate HZ] [--points N]\n"
           "\n"
           "Prints the frequency response of the filter a file run would use, as CSV with a\n"
           "header line: frequency, magnitude in dB (at least -300) and phase in radians\n"
           "(-pi..pi), at N evenly spaced frequencies from 0 to half the sample rate.\n"
           "\n" +
           PresetOption() + kCoefFileOption +
           "  --taps T0,T1,T2    tap numbers of the user three-tap filter, as for 'filter'\n"
           "  --coefs C0,C1,C2   its coefficients, as for 'filter'\n"
           "  --rate HZ          sample rate: frequencies in Hz (default: cycles per sample)\n"
           "  --points N         number of frequencies, " +
           std::to_string(kMinPoints) + ".." + std::to_string(kMaxPoints) + " (default " +
           std::to_string(kDefaultPoints) +
           ")\n"
           "\n"
           "Exit status: 0 printed; 1 malformed coefficient file; 2 usage error.\n";
}

// Three comma-separated values of the user three-tap filter, each within [lo, hi].
template <typename T>
std::array<T, 3> ParseTriple(std::string_view text, std::string_view option, std::string_view what,
                             std::string_view range, T lo, T hi, const std::string& command)
{
    const auto parts = SplitComma(text);
    if (parts.size() != 3)
        throw UsageError(std::string(option) + " needs three " + std::string(what) + "s, got '" +
                             std::string(text) + "'",
                         command);
    std::array<T, 3> values{};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto v = ParseNumber<T>(parts[i]);
        if (!v || !(*v >= lo && *v <= hi))
            throw UsageError(std::string(what) + " '" + std::string(parts[i]) + "' is not " +
                                 std::string(range),
                             command);
        values[i] = *v;
    }
    return values;
}

// A message of the file run as the desktop program would show it, on its own line(s),
// followed, when there is one, by the system's reason on a line of its own.
void PrintMessage(std::ostream& out, const std::string& text, int systemError = 0)
{
    out << text;
    if (!text.ends_with('\n'))
        out << '\n';
    if (const std::string reason = ReasonText(systemError); !reason.empty())
        out << reason << '\n';
    out.flush();
}

// Whether everything written to standard output so far has reached it.
bool StdoutWritten()
{
    std::cout.flush();
    return std::cout && std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// --coef-file of the commands that take a filter: a file in place of the preset.
struct CoefFileChoice {
    std::optional<std::string> path;
    bool presetGiven = false; // --preset, --taps or --coefs, which a file replaces

    void Check(const std::string& command) const
    {
        if (path && presetGiven)
            throw UsageError("--coef-file replaces --preset, --taps and --coefs; give one or "
                             "the other",
                             command);
    }
};

// --preset, --taps, --coefs and --coef-file: the file-mode filter of the commands that
// take one.
std::vector<Option> FilterOptions(CRavelinDoc& doc, CoefFileChoice& coefFile,
                                  const std::string& command)
{
    return {
        {"--coef-file", "",
         [&coefFile, command](std::string_view, std::string_view v) {
             coefFile.path = std::string(v);
             if (coefFile.path->empty())
                 throw UsageError("empty file name for '--coef-file'", command);
         }},
        {"--preset", "",
         [&doc, &coefFile, command](std::string_view, std::string_view v) {
             coefFile.presetGiven = true;
             doc.m_nFilterPreset = FindFilterPreset(v);
             if (doc.m_nFilterPreset < 0)
                 throw UsageError("unknown filter preset '" + std::string(v) + "'", command);
         }},
        {"--taps", "",
         [&doc, &coefFile, command](std::string_view, std::string_view v) {
             coefFile.presetGiven = true;
             doc.m_nUserTap = ParseTriple<int>(v, "--taps", "tap number",
                                               "an integer from " + Number(kUserTapMin) + " to " +
                                                   Number(kUserTapMax),
                                               kUserTapMin, kUserTapMax, command);
         }},
        {"--coefs", "",
         [&doc, &coefFile, command](std::string_view, std::string_view v) {
             coefFile.presetGiven = true;
             doc.m_dUserCoef = ParseTriple<double>(v, "--coefs", "coefficient",
                                                   "a number from " + Number(kUserCoefMin) +
                                                       " to " + Number(kUserCoefMax),
                                                   kUserCoefMin, kUserCoefMax, command);
         }},
    };
}

int RunFilter(ArgReader& args)
{
    CoefFileChoice coefFile;
    CRavelinDoc doc;
    doc.m_nInputPreset = kInputFile;
    std::vector<std::string_view> positional;
    if (!ParseArguments(args, FilterHelp(), FilterOptions(doc, coefFile, "filter"), &positional))
        return kExitOk;
    if (positional.size() < 2)
        throw UsageError("filter needs INPUT.wav and OUTPUT.wav", "filter");
    if (positional.size() > 2)
        throw UsageError("unexpected argument '" + std::string(positional[2]) + "'", "filter");
    // An empty name would read as a cancelled file dialog and end without a word.
    if (positional[0].empty() || positional[1].empty())
        throw UsageError("empty file name", "filter");
    coefFile.Check("filter");
    if (coefFile.path) {
        auto taps = LoadCoefFile(*coefFile.path);
        if (!taps)
            return kExitFailed;
        doc.UseCustomFilter(std::move(*taps), "");
    }

    if (!doc.LoadFilePreset()) {
        std::cerr << filerun::kFilterMemory;
        return kExitFailed;
    }
    WavInput input;
    if (!input.Open(std::string(positional[0]))) {
        PrintMessage(std::cerr, FaultText(input.Fault(), input.Path(), input.Header()),
                     input.SystemError());
        return kExitFailed;
    }
    PrintMessage(std::cout, InformationText(input.Path(), input.Header()));
    // What the run has to say must reach standard output before the target is replaced:
    // a run whose report is lost exits with 1, and 1 leaves the target as it was.
    const FileRunOutcome outcome = FilterWavFile(doc.m_filter, input, std::string(positional[1]),
                                                 {}, nullptr, [](const FileRunOutcome& done) {
                                                     PrintMessage(std::cout, CompletionText(done));
                                                     return StdoutWritten();
                                                 });
    if (outcome.result == RunResult::Cancelled)
        return kExitFailed; // standard output failed; CheckStdout says so
    if (outcome.result != RunResult::Done) {
        PrintMessage(std::cerr, FaultText(outcome.fault, outcome.faultPath, outcome.input),
                     outcome.systemError);
        return kExitFailed;
    }
    return kExitOk;
}

// "0.5,-0.25,1e-3": 1 .. kDemoSteps finite numbers in the C locale's notation.
std::optional<std::vector<double>> ParseValues(const std::string& text)
{
    std::vector<double> values;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        double v = 0.0;
        const auto [next, error] = std::from_chars(at, end, v);
        if (error != std::errc() || !std::isfinite(v) || values.size() == kDemoSteps)
            return std::nullopt;
        values.push_back(v);
        if (next == end)
            return values;
        if (*next != ',')
            return std::nullopt;
        at = next + 1;
    }
}

int RunDemo(ArgReader& args)
{
    CRavelinDoc doc;
    std::optional<std::string> outPath;
    std::string filterText(kFilterPresets[doc.m_nFilterPreset].name);
    std::string inputText(kInputPresets[doc.m_nInputPreset].name);
    bool valuesGiven = false, inputGiven = false;
    const std::vector<Option> options{
        {"--preset", "",
         [&](std::string_view, std::string_view v) {
             filterText = v;
             doc.m_nFilterPreset = FindFilterPreset(filterText);
             if (doc.m_nFilterPreset < 0)
                 throw UsageError("unknown filter preset '" + filterText + "'", "demo");
         }},
        {"--input", "",
         [&](std::string_view, std::string_view v) {
             inputText = v;
             inputGiven = true;
             doc.m_nInputPreset = FindInputPreset(inputText);
             if (doc.m_nInputPreset < 0)
                 throw UsageError("unknown input preset '" + inputText + "'", "demo");
         }},
        {"--values", "",
         [&](std::string_view, std::string_view v) {
             const std::string text(v);
             const std::optional<std::vector<double>> values = ParseValues(text);
             if (!values)
                 throw UsageError("'--values' takes 1 to " + std::to_string(kDemoSteps) +
                                      " comma-separated numbers, not '" + text + "'",
                                  "demo");
             doc.SetFileDemoInput(*values);
             inputText = "--values";
             valuesGiven = true;
         }},
        {"--output", "-o",
         [&](std::string_view arg, std::string_view v) {
             outPath = std::string(v);
             if (outPath->empty())
                 throw UsageError("empty file name for '" + std::string(arg) + "'", "demo");
         }},
    };
    if (!ParseArguments(args, DemoHelp(), options))
        return kExitOk;
    if (valuesGiven && inputGiven)
        throw UsageError("'--input' and '--values' both choose the input", "demo");
    if (!doc.IsDemoPair()) {
        std::cerr << "ravelin-cli: '" << filterText << "' with '" << inputText
                  << "' is not a demonstration pair (filters 0.." << kDemoFilterCount - 1
                  << " with inputs 0.." << kDemoInputCount - 1 << ")\n";
        return kExitFailed;
    }
    for (int i = 0; i < kDemoSteps; ++i)
        doc.Advance();
    if (!outPath) {
        std::cout << DemoListing(doc);
        return kExitOk;
    }
    int reason = 0;
    const FileFault fault = WriteTextExport(doc, *outPath, &reason);
    if (fault != FileFault::None) {
        PrintMessage(std::cerr, FaultText(fault, *outPath), reason);
        return kExitFailed;
    }
    return kExitOk;
}

int RunPresets(ArgReader& args)
{
    if (!ParseArguments(args, kPresetsHelp, {}))
        return kExitOk;
    // "   8  lpf4       低域通過フィルタ1/4": number, name, caption.
    const auto list = [](const auto& table, const auto& captions) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "%4zu  %-10s ", i, std::string(table[i].name).c_str());
            std::cout << line << captions[i].Text() << '\n';
        }
    };
    std::cout << "filter presets:\n";
    list(kFilterPresets, kFilterCaptions);
    std::cout << "input presets:\n";
    list(kInputPresets, kInputCaptions);
    return kExitOk;
}

// Appends value in the shortest form that reads back exactly, whatever the locale.
void AppendNumber(std::string& line, double value)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, ec == std::errc() ? end : buffer);
}

int RunResponse(ArgReader& args)
{
    CoefFileChoice coefFile;
    CRavelinDoc doc;
    std::optional<double> rate;
    int points = kDefaultPoints;
    std::vector<Option> options = FilterOptions(doc, coefFile, "response");
    options.push_back({"--rate", "", [&](std::string_view, std::string_view v) {
                           rate = ParseNumber<double>(v);
                           if (!rate || !(*rate > 0.0 && *rate <= 1e9))
                               throw UsageError("sample rate '" + std::string(v) +
                                                    "' is not a number above 0 and at most 1e9",
                                                "response");
                       }});
    options.push_back({"--points", "", [&](std::string_view, std::string_view v) {
                           const auto n = ParseNumber<int>(v);
                           if (!n || *n < kMinPoints || *n > kMaxPoints)
                               throw UsageError("points '" + std::string(v) +
                                                    "' is not an integer from " +
                                                    std::to_string(kMinPoints) + " to " +
                                                    std::to_string(kMaxPoints),
                                                "response");
                           points = *n;
                       }});
    if (!ParseArguments(args, ResponseHelp(), options))
        return kExitOk;
    coefFile.Check("response");
    std::vector<double> taps;
    if (coefFile.path) {
        auto loaded = LoadCoefFile(*coefFile.path);
        if (!loaded)
            return kExitFailed;
        taps = std::move(*loaded);
    } else {
        taps = FilePresetTaps(doc.Settings());
    }
    const FrequencyResponse r = ComputeFrequencyResponse(taps, points);
    std::string text = rate ? "frequency_hz,magnitude_db,phase_rad\n"
                            : "frequency_cycles_per_sample,magnitude_db,phase_rad\n";
    for (std::size_t k = 0; k < r.frequency.size(); ++k) {
        AppendNumber(text, rate ? r.frequency[k] * *rate : r.frequency[k]);
        text += ',';
        AppendNumber(text, r.magnitudeDb[k]);
        text += ',';
        AppendNumber(text, r.phase[k]);
        text += '\n';
    }
    std::cout << text;
    return kExitOk;
}

// Text that never reached standard output (a full disk, a closed pipe end) is a
// failure too, not a silent success.
int CheckStdout(int status)
{
    if (!StdoutWritten()) {
        std::cerr << "ravelin-cli: can't write the standard output\n";
        return status == kExitOk ? kExitFailed : status;
    }
    return status;
}

// Takes --lang VALUE or --lang=VALUE out of the arguments, wherever it stands, and sets
// the language of every word from it, RAVELIN_LANG or Japanese.
std::vector<char*> TakeLanguage(std::span<char*> all)
{
    std::vector<char*> rest;
    std::optional<Language> option;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string_view arg = i ? all[i] : "";
        if (!ArgReader::Is(arg, "--lang")) {
            rest.push_back(all[i]);
            continue;
        }
        std::string_view value;
        if (arg.size() > 6)
            value = arg.substr(7);
        else if (i + 1 < all.size())
            value = all[++i];
        option = LanguageFromName(value);
        if (!option)
            throw UsageError("--lang takes ja or en, not '" + std::string(value) + "'", "");
    }
    SetLanguage(ChooseLanguage(option));
    return rest;
}

int Run(std::span<char*> given)
{
    try {
        std::vector<char*> kept = TakeLanguage(given);
        const std::span<char*> all(kept);
        if (all.size() < 2)
            throw UsageError("missing command", "");
        const std::string_view command = all[1];
        ArgReader args(all.subspan(2), std::string(command));
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << kMainHelp;
            return kExitOk;
        }
        if (command == "--version") {
            std::cout << "ravelin-cli " << kVersion << '\n';
            return kExitOk;
        }
        if (command == "filter")
            return RunFilter(args);
        if (command == "demo")
            return RunDemo(args);
        if (command == "presets")
            return RunPresets(args);
        if (command == "response")
            return RunResponse(args);
        if (command == "design")
            return RunDesign(args);
        throw UsageError("unknown command '" + std::string(command) + "'", "");
    } catch (const UsageError& e) {
        return e.Report();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG and the output
    // is cleaned up, instead of the process being killed with its temporary file left.
    std::signal(SIGXFSZ, SIG_IGN);
    return CheckStdout(Run(std::span<char*>(argv, static_cast<std::size_t>(argc))));
}
