#include "words/Words.h"

namespace ravelin {

std::string CompletionText(const FileRunOutcome& outcome)
{
    std::string text = filerun::kDoneText;
    if (outcome.clip.count == 0)
        return text;
    // Where the first clamped sample lies, in seconds to the millisecond (cut, not
    // rounded, so the time never lies past the sample); by its number when the header
    // gives no usable rate. Integers only: the same text under every locale.
    std::string where;
    if (outcome.sampleRate > 0) {
        const std::uint64_t ms =
            outcome.clip.first * 1000u / static_cast<std::uint64_t>(outcome.sampleRate);
        std::string frac = std::to_string(ms % 1000);
        frac.insert(0, 3 - frac.size(), '0');
        where = std::to_string(ms / 1000) + "." + frac + " 秒";
    } else {
        where = "サンプル番号 " + std::to_string(outcome.clip.first);
    }
    return text + "\nクリップしたサンプル: " + std::to_string(outcome.clip.count) + " (最初は " +
           where + ")";
}

} // namespace ravelin
