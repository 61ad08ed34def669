#include "DesignCommand.h"

#include "engine/FilterDesign.h"
#include "files/CoefFile.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iostream>
#include <string_view>

namespace ravelin {

const char* const kCoefFileOption =
    "  --coef-file FILE   the filter's coefficients from a text file instead of a preset\n"
    "                     (numbers one a line or separated by commas, spaces or tabs;\n"
    "                     '#' starts a comment), as 'design' writes them\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct UsageError {
    std::string message;
};

// Numbers in messages as the C locale writes them, 15 significant digits.
std::string Number(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, end.ptr);
}

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

// "--name value" and "--name=value".
class Args {
  public:
    explicit Args(std::span<char*> args) : m_args(args) {}
    bool Done() const { return m_pos >= m_args.size(); }
    std::string_view Next() { return m_args[m_pos++]; }
    std::string_view Value(std::string_view arg, std::string_view option)
    {
        if (arg.size() > option.size() && arg[option.size()] == '=')
            return arg.substr(option.size() + 1);
        if (Done())
            throw UsageError{"option '" + std::string(option) + "' needs a value"};
        return Next();
    }
    static bool Is(std::string_view arg, std::string_view option)
    {
        return arg == option ||
               (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=');
    }

  private:
    std::span<char*> m_args;
    std::size_t m_pos = 0;
};

std::string DesignHelp()
{
    return "Usage: ravelin-cli design --type T --cutoff F[,F2] [--rate HZ]\n"
           "                          (--taps N | --transition W) [--window W]\n"
           "                          [--beta B | --atten DB] [--scale] [-o FILE]\n"
           "\n"
           "Designs a linear-phase FIR filter by the window method, h[k] = w[k] * ideal[k]\n"
           "centred on (N - 1) / 2, and prints its coefficients one a line with 17\n"
           "significant digits after a '#' header saying how they were made; 'filter' and\n"
           "'response' read them back with --coef-file.\n"
           "\n"
           "  --type T         lowpass, highpass, bandpass or bandstop\n"
           "  --cutoff F[,F2]  cut-off; band filters take the band's two edges. In Hz with\n"
           "                   --rate, else in cycles per sample; strictly between 0 and\n"
           "                   half the rate\n"
           "  --rate HZ        sample rate of --cutoff and --transition\n"
           "  --taps N         length, " +
           std::to_string(kDesignMinTaps) + ".." + std::to_string(kDesignMaxTaps) +
           "; highpass and bandstop need an odd length (an\n"
           "                   even one has a zero at half the rate)\n"
           "  --window W       rectangular (default), hann, hamming, blackman or kaiser\n"
           "  --beta B         Kaiser window's beta, 0.." +
           Number(kKaiserMaxBeta) +
           "\n"
           "  --atten DB       Kaiser window: beta for this stop-band attenuation by Kaiser's\n"
           "                   formula, " +
           Number(kKaiserMinAttenuation) + ".." + Number(kKaiserMaxAttenuation) +
           " dB\n"
           "  --transition W   with --atten: the length for this transition width by\n"
           "                   Kaiser's formula (made odd where the type needs it)\n"
           "  --scale          scale to exactly 0 dB at the pass band's centre (default:\n"
           "                   unscaled, as the formula gives)\n"
           "  -o FILE          write the coefficients to FILE (replaced only when whole)\n"
           "\n"
           "Exit status: 0 printed or written; 1 FILE not written (any existing FILE\n"
           "untouched); 2 usage error or a filter the parameters cannot give.\n";
}

// Why a design was refused, for the option at fault.
std::string DesignErrorText(DesignError e)
{
    switch (e) {
    case DesignError::None:
        break;
    case DesignError::TapsOutOfRange:
        return "--taps must be from " + std::to_string(kDesignMinTaps) + " to " +
               std::to_string(kDesignMaxTaps);
    case DesignError::CutoffOutOfRange:
        return "--cutoff must lie strictly between 0 and half the sample rate";
    case DesignError::BandEdgesReversed:
        return "--cutoff LOW,HIGH needs LOW below HIGH";
    case DesignError::EvenLengthNyquist:
        return "an even --taps gives a zero at half the sample rate: a highpass or bandstop "
               "needs an odd length";
    case DesignError::BetaOutOfRange:
        return "--beta must be from 0 to " + Number(kKaiserMaxBeta);
    case DesignError::ScaleAtZeroGain:
        return "--scale: the pass band's centre has no gain to scale by";
    }
    return {};
}

int RunDesign(Args& args)
{
    DesignSpec spec;
    bool typeGiven = false, cutoffGiven = false;
    std::optional<double> rate, beta, atten, transition;
    std::optional<int> taps;
    std::array<double, 2> cutoff{};
    bool twoCutoffs = false;
    std::optional<std::string> outPath;
    const auto positive = [&](std::string_view arg, std::string_view option) {
        const auto text = args.Value(arg, option);
        const auto v = ParseNumber<double>(text);
        if (!v || !std::isfinite(*v) || *v < 0.0)
            throw UsageError{std::string(option) + " '" + std::string(text) +
                             "' is not a number of at least 0"};
        return *v;
    };
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << DesignHelp();
            return kExitOk;
        }
        if (Args::Is(arg, "--type")) {
            const auto v = args.Value(arg, "--type");
            if (!FindFilterType(v, spec.type))
                throw UsageError{"unknown filter type '" + std::string(v) + "'"};
            typeGiven = true;
        } else if (Args::Is(arg, "--cutoff")) {
            const auto v = args.Value(arg, "--cutoff");
            const auto parts = SplitComma(v);
            if (parts.size() > 2)
                throw UsageError{"--cutoff takes one or two frequencies, got '" + std::string(v) +
                                 "'"};
            for (std::size_t i = 0; i < parts.size(); ++i) {
                const auto f = ParseNumber<double>(parts[i]);
                if (!f || !std::isfinite(*f))
                    throw UsageError{"cut-off '" + std::string(parts[i]) + "' is not a number"};
                cutoff[i] = *f;
            }
            twoCutoffs = parts.size() == 2;
            cutoffGiven = true;
        } else if (Args::Is(arg, "--rate")) {
            rate = positive(arg, "--rate");
            if (!(*rate > 0.0 && *rate <= 1e9))
                throw UsageError{"--rate must be above 0 and at most 1e9"};
        } else if (Args::Is(arg, "--taps")) {
            const auto v = args.Value(arg, "--taps");
            taps = ParseNumber<int>(v);
            if (!taps)
                throw UsageError{"--taps '" + std::string(v) + "' is not an integer"};
        } else if (Args::Is(arg, "--window")) {
            const auto v = args.Value(arg, "--window");
            if (!FindWindow(v, spec.window))
                throw UsageError{"unknown window '" + std::string(v) + "'"};
        } else if (Args::Is(arg, "--beta")) {
            beta = positive(arg, "--beta");
        } else if (Args::Is(arg, "--atten")) {
            atten = positive(arg, "--atten");
            if (!(*atten >= kKaiserMinAttenuation && *atten <= kKaiserMaxAttenuation))
                throw UsageError{"--atten must be from " + Number(kKaiserMinAttenuation) + " to " +
                                 Number(kKaiserMaxAttenuation) + " dB"};
        } else if (Args::Is(arg, "--transition")) {
            transition = positive(arg, "--transition");
        } else if (arg == "--scale") {
            spec.scale = true;
        } else if (arg == "-o" || Args::Is(arg, "--output")) {
            outPath = std::string(args.Value(arg, arg == "-o" ? "-o" : "--output"));
            if (outPath->empty())
                throw UsageError{"empty file name for '" + std::string(arg) + "'"};
        } else if (arg.starts_with("-") && arg.size() > 1) {
            throw UsageError{"unknown option '" + std::string(arg) + "'"};
        } else {
            throw UsageError{"unexpected argument '" + std::string(arg) + "'"};
        }
    }
    if (!typeGiven || !cutoffGiven)
        throw UsageError{"design needs --type and --cutoff"};
    const bool band = spec.type == FilterType::BandPass || spec.type == FilterType::BandStop;
    if (band != twoCutoffs)
        throw UsageError{band ? "a band filter needs --cutoff LOW,HIGH"
                              : "a lowpass or highpass takes one --cutoff"};
    const double per = rate ? *rate : 1.0;
    spec.low = cutoff[0] / per;
    spec.high = cutoff[1] / per;
    const bool kaiser = spec.window == WindowKind::Kaiser;
    if ((beta || atten) && !kaiser)
        throw UsageError{"--beta and --atten are for --window kaiser"};
    if (beta && atten)
        throw UsageError{"give --beta or --atten, not both"};
    if (transition && !atten)
        throw UsageError{"--transition needs --atten (Kaiser's length formula)"};
    if (taps && transition)
        throw UsageError{"give --taps or --transition, not both"};
    if (!taps && !transition)
        throw UsageError{"design needs --taps N, or --window kaiser --atten DB --transition W"};
    spec.beta = beta ? *beta : atten ? KaiserBeta(*atten) : 0.0;
    if (transition) {
        const int n = KaiserLength(*atten, *transition / per);
        if (n == 0)
            throw UsageError{"--transition must be above 0 and at most half the rate, and "
                             "give at most " +
                             std::to_string(kDesignMaxTaps) + " taps"};
        taps = NeedsOddLength(spec.type) && n % 2 == 0 ? n + 1 : n;
    }
    spec.taps = *taps;
    const DesignResult design = DesignFilter(spec);
    if (design.error != DesignError::None)
        throw UsageError{DesignErrorText(design.error)};

    const DesignMeasures m = MeasureDesign(spec, design.taps);
    std::vector<std::string> header{"ravelin-cli design " + DesignArguments(spec)};
    std::string made;
    if (rate) {
        made = "cut-off " + Number(cutoff[0]) + (band ? "," + Number(cutoff[1]) : "") + " Hz at " +
               Number(*rate) + " Hz; ";
    }
    if (atten)
        made += "beta for " + Number(*atten) + " dB; ";
    made += std::to_string(m.taps) + " taps, delay " + Number(m.delay) + " samples, sum of |h| " +
            Number(m.absSum);
    header.push_back(made);
    if (!outPath) {
        std::cout << FormatCoefficients(design.taps, header);
        return kExitOk;
    }
    if (WriteCoefficientFile(*outPath, design.taps, header) != CoefFileError::None) {
        std::cerr << "ravelin-cli: can't write the file [" << *outPath << "]\n";
        return kExitFailed;
    }
    return kExitOk;
}

// One line for a coefficient file that cannot be used.
std::string CoefFileMessage(const std::string& path, const CoefFileResult& r)
{
    const std::string where = "ravelin-cli: " + path + ":" + std::to_string(r.line) + ": ";
    switch (r.error) {
    case CoefFileError::None:
        break;
    case CoefFileError::CantOpen:
        return "ravelin-cli: can't open the coefficient file [" + path + "]";
    case CoefFileError::ReadFailed:
        return "ravelin-cli: can't read the coefficient file [" + path + "]";
    case CoefFileError::TooLarge:
        return "ravelin-cli: the coefficient file [" + path + "] is larger than " +
               std::to_string(kCoefFileMaxBytes >> 20) + " MiB";
    case CoefFileError::NoNumbers:
        return "ravelin-cli: no coefficients in [" + path + "]";
    case CoefFileError::NotANumber:
        return where + "'" + r.field + "' is not a number";
    case CoefFileError::NotFinite:
        return where + "'" + r.field + "' is not a finite number";
    case CoefFileError::TooManyTaps:
        return where + "more than " + std::to_string(kCoefFileMaxTaps) + " coefficients";
    case CoefFileError::CantWrite:
        return "ravelin-cli: can't write the file [" + path + "]";
    }
    return {};
}

} // namespace

// The taps of --coef-file; nullopt (the error printed) when the file cannot be used.
std::optional<std::vector<double>> LoadCoefFile(const std::string& path)
{
    CoefFileResult r = ReadCoefficientFile(path);
    if (r.error != CoefFileError::None) {
        std::cerr << CoefFileMessage(path, r) << '\n';
        return std::nullopt;
    }
    return std::move(r.taps);
}

int RunDesignCommand(std::span<char*> all)
{
    try {
        Args args(all);
        return RunDesign(args);
    } catch (const UsageError& e) {
        std::cerr << "ravelin-cli: " << e.message << " (see 'ravelin-cli design --help')\n";
        return kExitUsage;
    }
}

} // namespace ravelin
