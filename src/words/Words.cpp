#include "words/Words.h"

#include "files/AtomicFile.h"

#include <cstring>

namespace ravelin {

namespace {

// The words of the texts below that are put together from parts.
constexpr Word kFileName{"ファイル名: ", "File name: "};
constexpr Word kFormatTag{"フォーマットID: ", "Format tag: "};
constexpr Word kLinearPcm{"リニアPCM形式\n", "Linear PCM\n"};
constexpr Word kChannels{"チャネル数: ", "Channels: "};
constexpr Word kSampleRate{"サンプリング周波数: ", "Sample rate: "};
constexpr Word kBitsPerSample{"量子化ビット数: ", "Bits per sample: "};
constexpr Word kSampleCount{"サンプル数: ", "Samples: "};
constexpr Word kNotMono{"モノラルでないため扱えません", "Only mono files can be filtered."};
constexpr Word kNotEightOrSixteen{"サンプルビット数が8あるいは16でないため扱えません",
                                  "Only 8-bit and 16-bit samples can be filtered."};
constexpr Word kNotLinearPcm{"リニアPCM形式でないため扱えません",
                             "Only linear PCM files can be filtered."};
constexpr Word kTooLarge{"データがWAVファイルに書ける大きさを超えるため扱えません",
                         "The data is larger than a WAV file can hold; it cannot be filtered."};
constexpr Word kSeconds{" 秒", " s"};
constexpr Word kSampleNumber{"サンプル番号 ", "sample "};
constexpr Word kFirstAt{" (最初は ", " (first at "};

std::string S(const Word& word)
{
    return word.Text();
}

} // namespace

std::string InformationText(const std::string& path, const WavHeader& h)
{
    // A block align of 0 is refused before the information is shown.
    const auto blockAlign = static_cast<std::uint16_t>(h.BlockAlign());
    const std::uint32_t count = blockAlign ? h.DataSize() / blockAlign : 0;
    std::string text;
    text += S(kFileName) + path + "\n";
    text += S(kFormatTag) + std::to_string(h.FormatTag()) + "\n";
    if (h.IsLinearPcm())
        text += S(kLinearPcm);
    text += S(kChannels) + std::to_string(h.Channels()) + "\n";
    text += S(kSampleRate) + std::to_string(h.SampleRate()) + "\n";
    text += S(kBitsPerSample) + std::to_string(h.BitsPerSample()) + "\n";
    text += S(kSampleCount) + std::to_string(count) + "\n";
    return text;
}

std::string FaultText(FileFault fault, const std::string& path, const WavHeader& header)
{
    switch (fault) {
    case FileFault::None:
        break;
    case FileFault::CantOpen:
        return "error .... can't open the file [" + path + "]\n";
    case FileFault::WrongFormat:
        return "error .... found wrong WAVE format in the file [" + path + "]\n";
    case FileFault::NotMono:
        return InformationText(path, header) + S(kNotMono);
    case FileFault::NotEightOrSixteenBits:
        return InformationText(path, header) + S(kNotEightOrSixteen);
    case FileFault::NotLinearPcm:
        return InformationText(path, header) + S(kNotLinearPcm);
    case FileFault::TooLarge:
        return InformationText(path, header) + S(kTooLarge);
    case FileFault::CantWrite:
        return "error .... can't write the file [" + path + "]\n";
    case FileFault::NoMemory:
        return "error .... can't allocate memory for the file [" + path + "]\n";
    }
    return {};
}

std::string DemoListing(const CRavelinDoc& doc)
{
    static constexpr Word kCoefTitle{"タップ係数", "Tap coefficients"};
    static constexpr Word kCoefHead{"係数番号　タップ係数", "     Tap  Coefficient"};
    static constexpr Word kResultTitle{"アニメーションの結果", "Animation results"};
    static constexpr Word kResultHead{"時刻　入力信号　出力信号", "Time     Input    Output"};
    if (CurrentLanguage() == Language::Japanese)
        return FormatTextExport(doc, TextEncoding::Utf8, "\n");
    return FormatTextExport(
        doc, {kCoefTitle.Text(), kCoefHead.Text(), kResultTitle.Text(), kResultHead.Text()}, "\n");
}

std::string ReasonText(int systemError)
{
    if (systemError > 0)
        return std::strerror(systemError);
    if (systemError == kNotRegularFile)
        return "Not a regular file";
    if (systemError == kFileShrank)
        return "The file ended before its data";
    return {};
}

std::string CompletionText(const FileRunOutcome& outcome)
{
    std::string text = S(filerun::kDoneText);
    if (outcome.clip.count == 0)
        return text;
    // Where the first clamped sample lies, in seconds to the millisecond (cut, not
    // rounded, so the time never lies past the sample); by its number when the header
    // gives no usable rate. Integers only: the same text under every locale.
    std::string where;
    if (outcome.input.SampleRate() > 0) {
        const std::uint64_t ms =
            outcome.clip.first * 1000u / static_cast<std::uint64_t>(outcome.input.SampleRate());
        std::string frac = std::to_string(ms % 1000);
        frac.insert(0, 3 - frac.size(), '0');
        where = std::to_string(ms / 1000) + "." + frac + S(kSeconds);
    } else {
        where = S(kSampleNumber) + std::to_string(outcome.clip.first);
    }
    return text + "\n" + S(kClampedSamples) + ": " + std::to_string(outcome.clip.count) +
           S(kFirstAt) + where + ")";
}

std::string CoefFileText(const std::string& path, const CoefFileResult& result)
{
    static constexpr Word kCantOpen{"係数ファイル %1 を開けません。",
                                    "Can't open the coefficient file %1."};
    static constexpr Word kCantRead{"係数ファイル %1 を読めません。",
                                    "Can't read the coefficient file %1."};
    static constexpr Word kTooBig{"係数ファイル %1 が大きすぎます（%2 MiB まで）。",
                                  "The coefficient file %1 is too large (at most %2 MiB)."};
    static constexpr Word kNoNumbers{"係数ファイル %1 に係数がありません。",
                                     "There are no coefficients in the coefficient file %1."};
    static constexpr Word kLine{"%1 の %2 行目: ", "Line %2 of %1: "};
    static constexpr Word kNotANumber{"「%1」は数値ではありません。", "\"%1\" is not a number."};
    static constexpr Word kNotFinite{"「%1」は有限の数値ではありません。",
                                     "\"%1\" is not a finite number."};
    static constexpr Word kTooManyTaps{"係数が %1 個を超えています。",
                                       "There are more than %1 coefficients."};
    static constexpr Word kCantWrite{"ファイル %1 に書き込めません。", "Can't write the file %1."};

    const std::string line = Fill(kLine, {path, std::to_string(result.line)});
    switch (result.error) {
    case CoefFileError::None:
        break;
    case CoefFileError::CantOpen:
        return Fill(kCantOpen, {path});
    case CoefFileError::ReadFailed:
        return Fill(kCantRead, {path});
    case CoefFileError::TooLarge:
        return Fill(kTooBig, {path, std::to_string(kCoefFileMaxBytes >> 20)});
    case CoefFileError::NoNumbers:
        return Fill(kNoNumbers, {path});
    case CoefFileError::NotANumber:
        return line + Fill(kNotANumber, {result.field});
    case CoefFileError::NotFinite:
        return line + Fill(kNotFinite, {result.field});
    case CoefFileError::TooManyTaps:
        return line + Fill(kTooManyTaps, {std::to_string(kCoefFileMaxTaps)});
    case CoefFileError::CantWrite:
        return Fill(kCantWrite, {path});
    }
    return {};
}

std::string CoefFileLine(const std::string& path, const CoefFileResult& result)
{
    const std::string where = path + ":" + std::to_string(result.line) + ": ";
    switch (result.error) {
    case CoefFileError::None:
        break;
    case CoefFileError::CantOpen:
        return "can't open the coefficient file [" + path + "]";
    case CoefFileError::ReadFailed:
        return "can't read the coefficient file [" + path + "]";
    case CoefFileError::TooLarge:
        return "the coefficient file [" + path + "] is larger than " +
               std::to_string(kCoefFileMaxBytes >> 20) + " MiB";
    case CoefFileError::NoNumbers:
        return "no coefficients in [" + path + "]";
    case CoefFileError::NotANumber:
        return where + "'" + result.field + "' is not a number";
    case CoefFileError::NotFinite:
        return where + "'" + result.field + "' is not a finite number";
    case CoefFileError::TooManyTaps:
        return where + "more than " + std::to_string(kCoefFileMaxTaps) + " coefficients";
    case CoefFileError::CantWrite:
        return "can't write the file [" + path + "]";
    }
    return {};
}

} // namespace ravelin
