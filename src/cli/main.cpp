// ravelin-cli: the filter engine for scripts and batch work.
#include "engine/Commands.h"
#include "engine/Presets.h"
#include "engine/RavelinDoc.h"
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "files/UserPrompts.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
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

constexpr const char* kMainHelp =
    "Usage: ravelin-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  filter    filter a mono 8/16-bit WAV file into another WAV file\n"
    "  demo      run the 20 steps of the ten-tap demonstration and print the table\n"
    "  presets   list the filter and input presets\n"
    "\n"
    "Options:\n"
    "  --help     show this help (also after a command)\n"
    "  --version  show the version\n";

constexpr const char* kFilterHelp =
    "Usage: ravelin-cli filter [--preset P] [--taps T0,T1,T2] [--coefs C0,C1,C2] INPUT.wav OUTPUT.wav\n"
    "\n"
    "Filters every sample of INPUT.wav and writes OUTPUT.wav (replaced only when the\n"
    "whole file was written). Prints the input's header information.\n"
    "\n"
    "  --preset P         filter preset, number 0..11 or name (default pass); see 'presets'\n"
    "  --taps T0,T1,T2    tap numbers of the user three-tap filter, each 0..8192 (default 0,1,2)\n"
    "  --coefs C0,C1,C2   its coefficients, each -2..2 (default 0.5,0.25,0.166666666666667)\n"
    "\n"
    "Exit status: 0 written; 1 input refused (missing, unreadable, not a regular file or\n"
    "not a mono 8/16-bit WAV file) or output not written, with the error on stderr and\n"
    "any existing OUTPUT.wav untouched; 2 usage error, nothing read or written.\n";

constexpr const char* kDemoHelp =
    "Usage: ravelin-cli demo [--preset P] [--input I] [-o FILE]\n"
    "\n"
    "Runs the 20 steps of the ten-tap demonstration and prints the coefficients and\n"
    "the time/input/output table (UTF-8). With -o, writes the text file the desktop\n"
    "program saves (Shift_JIS, CR LF) instead.\n"
    "\n"
    "  --preset P   filter preset 0..5 or pass, delay5, echo5, ma5, lag1, lag2 (default pass)\n"
    "  --input I    input preset 0..2 or impulse, impulse2, test (default test)\n"
    "  -o FILE      write the text file to FILE\n"
    "\n"
    "Exit status: 0 done; 1 not a demonstration pair or FILE not written (any existing\n"
    "FILE untouched); 2 usage error, nothing written.\n";

constexpr const char* kPresetsHelp =
    "Usage: ravelin-cli presets\n"
    "\n"
    "Lists the filter presets and the input presets: number, name and caption.\n";

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

template <typename T>
std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

template <std::size_t N>
std::optional<int> ParsePreset(std::string_view text, const std::array<PresetInfo, N>& table,
                               int limit)
{
    if (auto n = ParseNumber<int>(text); n && *n >= 0 && *n < limit)
        return n;
    for (int i = 0; i < limit; ++i)
        if (table[static_cast<std::size_t>(i)].name == text)
            return i;
    return std::nullopt;
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
                             std::string_view range, T lo, T hi)
{
    const auto parts = SplitComma(text);
    if (parts.size() != 3)
        throw UsageError(std::string(option) + " needs three " + std::string(what) + "s, got '" +
                             std::string(text) + "'",
                         "filter");
    std::array<T, 3> values{};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto v = ParseNumber<T>(parts[i]);
        if (!v || !(*v >= lo && *v <= hi))
            throw UsageError(std::string(what) + " '" + std::string(parts[i]) + "' is not " +
                                 std::string(range),
                             "filter");
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
        return arg == option || (arg.starts_with(option) && arg.size() > option.size() &&
                                 arg[option.size()] == '=');
    }
    const std::string& Command() const { return m_command; }

private:
    std::span<char*> m_args;
    std::size_t m_pos = 0;
    std::string m_command;
};

// Answers the file run's questions from the command line and prints its messages.
class CliPrompts : public IUserPrompts {
public:
    CliPrompts(std::string input, std::string output)
        : m_input(std::move(input)), m_output(std::move(output))
    {
    }
    std::optional<std::string> AskOpenPath(const std::string&, const std::string&) override
    {
        return m_input;
    }
    std::optional<std::string> AskSavePath(const std::string&, const std::string&) override
    {
        return m_output;
    }
    void ShowMessage(const std::string& text, const std::string&, MessageIcon icon) override
    {
        std::ostream& out = icon == MessageIcon::Error ? std::cerr : std::cout;
        out << text;
        if (!text.ends_with('\n'))
            out << '\n';
        out.flush();
    }

private:
    std::string m_input;
    std::string m_output;
};

int RunFilter(ArgReader& args)
{
    CRavelinDoc doc;
    doc.m_nInputPreset = kInputFile;
    std::vector<std::string_view> positional;
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << kFilterHelp;
            return kExitOk;
        }
        if (ArgReader::Is(arg, "--preset")) {
            const auto v = args.Value(arg, "--preset");
            const auto p = ParsePreset(v, kFilterPresets, kFilterCount);
            if (!p)
                throw UsageError("unknown filter preset '" + std::string(v) + "'", "filter");
            doc.m_nFilterPreset = *p;
        } else if (ArgReader::Is(arg, "--taps")) {
            doc.m_nUserTap = ParseTriple<int>(args.Value(arg, "--taps"), "--taps", "tap number",
                                              "an integer from 0 to 8192", 0, 8192);
        } else if (ArgReader::Is(arg, "--coefs")) {
            doc.m_dUserCoef = ParseTriple<double>(args.Value(arg, "--coefs"), "--coefs",
                                                  "coefficient", "a number from -2 to 2", -2.0, 2.0);
        } else if (arg.starts_with("-") && arg.size() > 1) {
            throw UsageError("unknown option '" + std::string(arg) + "'", "filter");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2)
        throw UsageError("filter needs INPUT.wav and OUTPUT.wav", "filter");
    if (positional.size() > 2)
        throw UsageError("unexpected argument '" + std::string(positional[2]) + "'", "filter");
    // An empty name would read as a cancelled file dialog and end without a word.
    if (positional[0].empty() || positional[1].empty())
        throw UsageError("empty file name", "filter");

    CliPrompts prompts{std::string(positional[0]), std::string(positional[1])};
    const RunResult result = RunFileFilter(doc, prompts);
    return result == RunResult::Done ? kExitOk : kExitFailed;
}

int RunDemo(ArgReader& args)
{
    CRavelinDoc doc;
    std::optional<std::string> outPath;
    std::string filterText = "pass";
    std::string inputText = "test";
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << kDemoHelp;
            return kExitOk;
        }
        if (ArgReader::Is(arg, "--preset")) {
            filterText = args.Value(arg, "--preset");
            const auto p = ParsePreset(filterText, kFilterPresets, kFilterCount);
            if (!p)
                throw UsageError("unknown filter preset '" + filterText + "'", "demo");
            doc.m_nFilterPreset = *p;
        } else if (ArgReader::Is(arg, "--input")) {
            inputText = args.Value(arg, "--input");
            const auto p = ParsePreset(inputText, kInputPresets, kInputCount);
            if (!p)
                throw UsageError("unknown input preset '" + inputText + "'", "demo");
            doc.m_nInputPreset = *p;
        } else if (arg == "-o" || ArgReader::Is(arg, "--output")) {
            outPath = std::string(args.Value(arg, arg == "-o" ? "-o" : "--output"));
            if (outPath->empty())
                throw UsageError("empty file name for '" + std::string(arg) + "'", "demo");
        } else if (arg.starts_with("-") && arg.size() > 1) {
            throw UsageError("unknown option '" + std::string(arg) + "'", "demo");
        } else {
            throw UsageError("unexpected argument '" + std::string(arg) + "'", "demo");
        }
    }
    if (!doc.IsDemoPair()) {
        std::cerr << "ravelin-cli: '" << filterText << "' with '" << inputText
                  << "' is not a demonstration pair (filters 0..5 with inputs 0..2)\n";
        return kExitFailed;
    }
    for (int i = 0; i < kDemoSteps; ++i)
        doc.Advance();
    if (!outPath) {
        std::cout << FormatTextExport(doc, TextEncoding::Utf8, "\n");
        return kExitOk;
    }
    const std::string error = WriteTextExport(doc, *outPath);
    if (!error.empty()) {
        std::cerr << error;
        return kExitFailed;
    }
    return kExitOk;
}

int RunPresets(ArgReader& args)
{
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << kPresetsHelp;
            return kExitOk;
        }
        throw UsageError("unexpected argument '" + std::string(arg) + "'", "presets");
    }
    std::cout << "filter presets:\n";
    for (std::size_t i = 0; i < kFilterPresets.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%4zu  %-10s ", i, std::string(kFilterPresets[i].name).c_str());
        std::cout << line << kFilterPresets[i].caption << '\n';
    }
    std::cout << "input presets:\n";
    for (std::size_t i = 0; i < kInputPresets.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%4zu  %-10s ", i, std::string(kInputPresets[i].name).c_str());
        std::cout << line << kInputPresets[i].caption << '\n';
    }
    return kExitOk;
}

// Text that never reached standard output (a full disk, a closed pipe end) is a
// failure too, not a silent success.
int CheckStdout(int status)
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
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
            std::cout << "ravelin-cli 1.0\n";
            return kExitOk;
        }
        if (command == "filter")
            return RunFilter(args);
        if (command == "demo")
            return RunDemo(args);
        if (command == "presets")
            return RunPresets(args);
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
