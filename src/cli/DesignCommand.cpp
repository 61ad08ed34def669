#include "DesignCommand.h"

#include "Arguments.h"
#include "engine/FilterDesign.h"
#include "files/CoefFile.h"
#include "words/Words.h"

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

} // namespace

int RunDesign(ArgReader& args)
{
    DesignSpec spec;
    bool typeGiven = false, cutoffGiven = false;
    std::optional<double> rate, beta, atten, transition;
    std::optional<int> taps;
    std::array<double, 2> cutoff{};
    bool twoCutoffs = false;
    std::optional<std::string> outPath;
    const auto positive = [](std::string_view option, std::string_view text) {
        const auto v = ParseNumber<double>(text);
        if (!v || !std::isfinite(*v) || *v < 0.0)
            throw UsageError(std::string(option) + " '" + std::string(text) +
                                 "' is not a number of at least 0",
                             "design");
        return *v;
    };
    const std::vector<Option> options{
        {"--type", "",
         [&](std::string_view, std::string_view v) {
             if (!FindFilterType(v, spec.type))
                 throw UsageError("unknown filter type '" + std::string(v) + "'", "design");
             typeGiven = true;
         }},
        {"--cutoff", "",
         [&](std::string_view, std::string_view v) {
             const auto parts = SplitComma(v);
             if (parts.size() > 2)
                 throw UsageError("--cutoff takes one or two frequencies, got '" + std::string(v) +
                                      "'",
                                  "design");
             for (std::size_t i = 0; i < parts.size(); ++i) {
                 const auto f = ParseNumber<double>(parts[i]);
                 if (!f || !std::isfinite(*f))
                     throw UsageError("cut-off '" + std::string(parts[i]) + "' is not a number",
                                      "design");
                 cutoff[i] = *f;
             }
             twoCutoffs = parts.size() == 2;
             cutoffGiven = true;
         }},
        {"--rate", "",
         [&](std::string_view, std::string_view v) {
             rate = positive("--rate", v);
             if (!(*rate > 0.0 && *rate <= 1e9))
                 throw UsageError("--rate must be above 0 and at most 1e9", "design");
         }},
        {"--taps", "",
         [&](std::string_view, std::string_view v) {
             taps = ParseNumber<int>(v);
             if (!taps)
                 throw UsageError("--taps '" + std::string(v) + "' is not an integer", "design");
         }},
        {"--window", "",
         [&](std::string_view, std::string_view v) {
             if (!FindWindow(v, spec.window))
                 throw UsageError("unknown window '" + std::string(v) + "'", "design");
         }},
        {"--beta", "", [&](std::string_view, std::string_view v) { beta = positive("--beta", v); }},
        {"--atten", "",
         [&](std::string_view, std::string_view v) {
             atten = positive("--atten", v);
             if (!(*atten >= kKaiserMinAttenuation && *atten <= kKaiserMaxAttenuation))
                 throw UsageError("--atten must be from " + Number(kKaiserMinAttenuation) + " to " +
                                      Number(kKaiserMaxAttenuation) + " dB",
                                  "design");
         }},
        {"--transition", "",
         [&](std::string_view, std::string_view v) { transition = positive("--transition", v); }},
        {"--scale", "", [&](std::string_view, std::string_view) { spec.scale = true; }, true},
        {"--output", "-o",
         [&](std::string_view arg, std::string_view v) {
             outPath = std::string(v);
             if (outPath->empty())
                 throw UsageError("empty file name for '" + std::string(arg) + "'", "design");
         }},
    };
    if (!ParseArguments(args, DesignHelp(), options))
        return kExitOk;
    if (!typeGiven || !cutoffGiven)
        throw UsageError("design needs --type and --cutoff", "design");
    const bool band = spec.type == FilterType::BandPass || spec.type == FilterType::BandStop;
    if (band != twoCutoffs)
        throw UsageError(band ? "a band filter needs --cutoff LOW,HIGH"
                              : "a lowpass or highpass takes one --cutoff",
                         "design");
    const double per = rate ? *rate : 1.0;
    spec.low = cutoff[0] / per;
    spec.high = cutoff[1] / per;
    const bool kaiser = spec.window == WindowKind::Kaiser;
    if ((beta || atten) && !kaiser)
        throw UsageError("--beta and --atten are for --window kaiser", "design");
    if (beta && atten)
        throw UsageError("give --beta or --atten, not both", "design");
    if (transition && !atten)
        throw UsageError("--transition needs --atten (Kaiser's length formula)", "design");
    if (taps && transition)
        throw UsageError("give --taps or --transition, not both", "design");
    if (!taps && !transition)
        throw UsageError("design needs --taps N, or --window kaiser --atten DB --transition W",
                         "design");
    spec.beta = beta ? *beta : atten ? KaiserBeta(*atten) : 0.0;
    if (transition) {
        const int n = KaiserLength(*atten, *transition / per);
        if (n == 0)
            throw UsageError("--transition must be above 0 and at most half the rate, and "
                             "give at most " +
                                 std::to_string(kDesignMaxTaps) + " taps",
                             "design");
        taps = NeedsOddLength(spec.type) && n % 2 == 0 ? n + 1 : n;
    }
    spec.taps = *taps;
    const DesignResult design = DesignFilter(spec);
    if (design.error != DesignError::None)
        throw UsageError(DesignErrorText(design.error), "design");

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
    CoefFileResult written;
    written.error = WriteCoefficientFile(*outPath, design.taps, header);
    if (written.error != CoefFileError::None) {
        std::cerr << "ravelin-cli: " << CoefFileLine(*outPath, written) << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

// The taps of --coef-file; nullopt (the error printed) when the file cannot be used.
std::optional<std::vector<double>> LoadCoefFile(const std::string& path)
{
    CoefFileResult r = ReadCoefficientFile(path);
    if (r.error != CoefFileError::None) {
        std::cerr << "ravelin-cli: " << CoefFileLine(path, r) << '\n';
        return std::nullopt;
    }
    return std::move(r.taps);
}

} // namespace ravelin
