// ravelin-cli: the filter engine for scripts and batch work.
#include "Version.h"
#include "engine/Commands.h"
#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "engine/RavelinDoc.h"
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "words/Words.h"

#include <algorithm>
#include <charconv>
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
    "\n"
    "Options:\n"
    "  --help     show this help (also after a command)\n"
    "  --version  show the version\n";

// Numbers in the help as the C locale writes them, 15 significant digits.
std::string Number(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, end.ptr);
}

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
           PresetOption() + "  --taps T0,T1,T2    tap numbers of the user three-tap filter, each " +
           Number(kUserTapMin) + ".." + Number(kUserTapMax) + " (default " + List(user.tap) +
           ")\n"
           "  --coefs C0,C1,C2   its coefficients, each " +
           Number(kUserCoefMin) + ".." + Number(kUserCoefMax) + " (default " + List(user.coef) +
           ")\n"
           "\n"
           "Exit status: 0 written; 1 input refused (missing, unreadable, not a regular file or\n"
           "not a mono 8/16-bit linear PCM WAV file), output not written or standard output\n"
           "failed, with the error and the system's reason on stderr and any existing\n"
           "OUTPUT.wav untouched; 2 usage error, nothing read or written.\n";
}

std::string DemoHelp()
{
    const CRavelinDoc defaults;
    return "Usage: ravelin-cli demo [--preset P] [--input I] [-o FILE]\n"
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
           PresetOption() +
           "  --taps T0,T1,T2    tap numbers of the user three-tap filter, as for 'filter'\n"
           "  --coefs C0,C1,C2   its coefficients, as for 'filter'\n"
           "  --rate HZ          sample rate: frequencies in Hz (default: cycles per sample)\n"
           "  --points N         number of frequencies, " +
           std::to_string(kMinPoints) + ".." + std::to_string(kMaxPoints) + " (default " +
           std::to_string(kDefaultPoints) +
           ")\n"
           "\n"
           "Exit status: 0 printed; 2 usage error.\n";
}

class UsageError {
  public:
    UsageError(std::string message, std::string command)
        : m_message(std::move(message)), m_command(std::move(command))
    {
    }
    int Report() const
    {
        std::cerr << "ravelin-cli: " << m_message << " (see 'ravelin-cli "
                  << (m_command.empty() ? "" : m_command + " ") << "--help')\n";
        return kExitUsage;
    }

  private:
    std::string m_message;
    std::string m_command;
};

template <typename T> std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitComma(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
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

// Walks "--name value", "--name=value" and positional arguments of one command.
class ArgReader {
  public:
    ArgReader(std::span<char*> args, std::string command)
        : m_args(args), m_command(std::move(command))
    {
    }
    bool Done() const { return m_pos >= m_args.size(); }
    std::string_view Peek() const { return m_args[m_pos]; }
    std::string_view Next() { return m_args[m_pos++]; }

    // The option's value, from "--opt=value" or the next argument.
    std::string_view Value(std::string_view arg, std::string_view option)
    {
        if (arg.size() > option.size() && arg[option.size()] == '=')
            return arg.substr(option.size() + 1);
        if (Done())
            throw UsageError("option '" + std::string(option) + "' needs a value", m_command);
        return Next();
    }
    static bool Is(std::string_view arg, std::string_view option)
    {
        return arg == option ||
               (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=');
    }
    const std::string& Command() const { return m_command; }

  private:
    std::span<char*> m_args;
    std::size_t m_pos = 0;
    std::string m_command;
};

// One option of a command: "--name value", "--name=value" or "alias value". apply gets
// the argument as given and the value.
struct Option {
    std::string_view name;
    std::string_view alias; // empty when there is none
    std::function<void(std::string_view arg, std::string_view value)> apply;
};

// What every command shares: --help and -h print its help, an option it does not know
// is a usage error, and so is a positional argument unless the command collects them.
// False when the help was printed.
bool ParseArguments(ArgReader& args, const std::string& help, const std::vector<Option>& options,
                    std::vector<std::string_view>* positional = nullptr)
{
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << help;
            return false;
        }
        const auto option = std::find_if(options.begin(), options.end(), [&](const Option& o) {
            return ArgReader::Is(arg, o.name) || (!o.alias.empty() && arg == o.alias);
        });
        if (option != options.end())
            option->apply(arg,
                          args.Value(arg, arg == option->alias ? option->alias : option->name));
        else if (arg.starts_with("-") && arg.size() > 1)
            throw UsageError("unknown option '" + std::string(arg) + "'", args.Command());
        else if (positional)
            positional->push_back(arg);
        else
            throw UsageError("unexpected argument '" + std::string(arg) + "'", args.Command());
    }
    return true;
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

// --preset, --taps and --coefs: the file-mode filter of the commands that take one.
std::vector<Option> FilterOptions(CRavelinDoc& doc, const std::string& command)
{
    return {
        {"--preset", "",
         [&doc, command](std::string_view, std::string_view v) {
             doc.m_nFilterPreset = FindFilterPreset(v);
             if (doc.m_nFilterPreset < 0)
                 throw UsageError("unknown filter preset '" + std::string(v) + "'", command);
         }},
        {"--taps", "",
         [&doc, command](std::string_view, std::string_view v) {
             doc.m_nUserTap = ParseTriple<int>(v, "--taps", "tap number",
                                               "an integer from " + Number(kUserTapMin) + " to " +
                                                   Number(kUserTapMax),
                                               kUserTapMin, kUserTapMax, command);
         }},
        {"--coefs", "",
         [&doc, command](std::string_view, std::string_view v) {
             doc.m_dUserCoef = ParseTriple<double>(v, "--coefs", "coefficient",
                                                   "a number from " + Number(kUserCoefMin) +
                                                       " to " + Number(kUserCoefMax),
                                                   kUserCoefMin, kUserCoefMax, command);
         }},
    };
}

int RunFilter(ArgReader& args)
{
    CRavelinDoc doc;
    doc.m_nInputPreset = kInputFile;
    std::vector<std::string_view> positional;
    if (!ParseArguments(args, FilterHelp(), FilterOptions(doc, "filter"), &positional))
        return kExitOk;
    if (positional.size() < 2)
        throw UsageError("filter needs INPUT.wav and OUTPUT.wav", "filter");
    if (positional.size() > 2)
        throw UsageError("unexpected argument '" + std::string(positional[2]) + "'", "filter");
    // An empty name would read as a cancelled file dialog and end without a word.
    if (positional[0].empty() || positional[1].empty())
        throw UsageError("empty file name", "filter");

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
                                                 {}, [](const FileRunOutcome& done) {
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

int RunDemo(ArgReader& args)
{
    CRavelinDoc doc;
    std::optional<std::string> outPath;
    std::string filterText(kFilterPresets[doc.m_nFilterPreset].name);
    std::string inputText(kInputPresets[doc.m_nInputPreset].name);
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
             doc.m_nInputPreset = FindInputPreset(inputText);
             if (doc.m_nInputPreset < 0)
                 throw UsageError("unknown input preset '" + inputText + "'", "demo");
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
    if (!doc.IsDemoPair()) {
        std::cerr << "ravelin-cli: '" << filterText << "' with '" << inputText
                  << "' is not a demonstration pair (filters 0.." << kDemoFilterCount - 1
                  << " with inputs 0.." << kDemoInputCount - 1 << ")\n";
        return kExitFailed;
    }
    for (int i = 0; i < kDemoSteps; ++i)
        doc.Advance();
    if (!outPath) {
        std::cout << FormatTextExport(doc, TextEncoding::Utf8, "\n");
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
            std::cout << line << captions[i] << '\n';
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
    CRavelinDoc doc;
    std::optional<double> rate;
    int points = kDefaultPoints;
    std::vector<Option> options = FilterOptions(doc, "response");
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
    const FrequencyResponse r = ComputeFrequencyResponse(FilePresetTaps(doc.Settings()), points);
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

int Run(std::span<char*> all)
{
    try {
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
