#include "words/Words.h"

#include "files/AtomicFile.h"

#include <cstring>

namespace ravelin {

std::string InformationText(const std::string& path, const WavHeader& h)
{
    // A block align of 0 is refused before the information is shown.
    const auto blockAlign = static_cast<std::uint16_t>(h.BlockAlign());
    const std::uint32_t count = blockAlign ? h.DataSize() / blockAlign : 0;
    std::string text;
    text += "ファイル名: " + path + "\n";
    text += "フォーマットID: " + std::to_string(h.FormatTag()) + "\n";
    if (h.IsLinearPcm())
        text += "リニアPCM形式\n";
    text += "チャネル数: " + std::to_string(h.Channels()) + "\n";
    text += "サンプリング周波数: " + std::to_string(h.SampleRate()) + "\n";
    text += "量子化ビット数: " + std::to_string(h.BitsPerSample()) + "\n";
    text += "サンプル数: " + std::to_string(count) + "\n";
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
        return InformationText(path, header) + "モノラルでないため扱えません";
    case FileFault::NotEightOrSixteenBits:
        return InformationText(path, header) + "サンプルビット数が8あるいは16でないため扱えません";
    case FileFault::NotLinearPcm:
        return InformationText(path, header) + "リニアPCM形式でないため扱えません";
    case FileFault::TooLarge:
        return InformationText(path, header) +
               "データがWAVファイルに書ける大きさを超えるため扱えません";
    case FileFault::CantWrite:
        return "error .... can't write the file [" + path + "]\n";
    case FileFault::NoMemory:
        return "error .... can't allocate memory for the file [" + path + "]\n";
    }
    return {};
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
    std::string text = filerun::kDoneText;
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
        where = std::to_string(ms / 1000) + "." + frac + " 秒";
    } else {
        where = "サンプル番号 " + std::to_string(outcome.clip.first);
    }
    return text + "\n" + kClampedSamples + ": " + std::to_string(outcome.clip.count) + " (最初は " +
           where + ")";
}

std::string CoefFileText(const std::string& path, const CoefFileResult& result)
{
    const std::string line = path + " の " + std::to_string(result.line) + " 行目: ";
    switch (result.error) {
    case CoefFileError::None:
        break;
    case CoefFileError::CantOpen:
        return "係数ファイル " + path + " を開けません。";
    case CoefFileError::ReadFailed:
        return "係数ファイル " + path + " を読めません。";
    case CoefFileError::TooLarge:
        return "係数ファイル " + path + " が大きすぎます（" +
               std::to_string(kCoefFileMaxBytes >> 20) + " MiB まで）。";
    case CoefFileError::NoNumbers:
        return "係数ファイル " + path + " に係数がありません。";
    case CoefFileError::NotANumber:
        return line + "「" + result.field + "」は数値ではありません。";
    case CoefFileError::NotFinite:
        return line + "「" + result.field + "」は有限の数値ではありません。";
    case CoefFileError::TooManyTaps:
        return line + "係数が " + std::to_string(kCoefFileMaxTaps) + " 個を超えています。";
    case CoefFileError::CantWrite:
        return "ファイル " + path + " に書き込めません。";
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
