// ravelin-cli's language: Japanese words by default and under --lang ja, English ones
// under --lang en (before or after the command) or RAVELIN_LANG=en; the saved text file
// the same in both. How the environment and the locale weigh is WordsTest's Language test.
#include "CliShell.h"
#include "support/Japanese.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace ravelin {
namespace {

using namespace test;

class CliLanguage : public testing::Test {
  protected:
    CliLanguage()
    {
        WriteFile(dir / "in.wav", MakeWav({1, 1, 8000}, Samples16({30000, 30000, -100})));
        WriteFile(dir / "stereo.wav", MakeWav({1, 2, 8000}, Samples16({1, 2})));
    }
    // Everything a command says, stdout then stderr, and its exit status.
    std::string Run(const std::string& line)
    {
        const Outcome o = Shell(dir.Path(), "unset RAVELIN_LANG; " + line);
        return std::to_string(o.status) + "\n" + o.out + "--\n" + o.err;
    }
    const TempDir dir;
};

// Commands that speak: listings, the header information and the completion with its
// clipped samples, a refused file, a help naming a menu item, a coefficient file fault.
const char* const kCommands[] = {
    "presets",
    "filter --preset user3 --taps 0,1,2 --coefs 1,1,1 in.wav out.wav",
    "filter stereo.wav out.wav",
    "demo --preset ma5 --input impulse2",
    "demo --help",
    "response --coef-file in.wav",
};

TEST_F(CliLanguage, JapaneseByDefaultEnglishOnRequest)
{
    for (const std::string command : kCommands) {
        const std::string japanese = Run("$CLI " + command);
        EXPECT_TRUE(HasJapanese(japanese) || command == "response --coef-file in.wav") << japanese;
        EXPECT_EQ(Run("$CLI --lang ja " + command), japanese) << command;
        EXPECT_EQ(Run("RAVELIN_LANG=en $CLI --lang=ja " + command), japanese) << command;

        const std::string english = Run("$CLI --lang en " + command);
        EXPECT_FALSE(HasJapanese(english)) << english;
        EXPECT_EQ(Run("$CLI " + command + " --lang en"), english) << command;
        EXPECT_EQ(Run("RAVELIN_LANG=en $CLI " + command), english) << command;
    }
    EXPECT_NE(Run("$CLI --lang en presets").find("   8  lpf4       Low-pass filter 1/4\n"),
              std::string::npos);
    EXPECT_NE(Run("$CLI --lang en filter --preset user3 --taps 0,1,2 --coefs 1,1,1 in.wav out.wav")
                  .find("Samples: 3\nThe file has been saved.\nClipped samples: 2 (first at "
                        "0.000 s)\n"),
              std::string::npos);
}

TEST_F(CliLanguage, TheSavedTextIsTheSameInBothLanguages)
{
    Run("$CLI demo --preset echo5 -o ja.txt; $CLI --lang en demo --preset echo5 -o en.txt");
    EXPECT_EQ(ReadBytes(dir / "en.txt"), ReadBytes(dir / "ja.txt"));
    EXPECT_FALSE(ReadBytes(dir / "ja.txt").empty());
}

TEST_F(CliLanguage, AnUnknownLanguageIsAUsageError)
{
    for (const auto& [line, value] : {std::pair("$CLI --lang fr presets", "fr"),
                                      {"$CLI presets --lang", ""},
                                      {"$CLI --lang= presets", ""}})
        EXPECT_EQ(Run(line), std::string("2\n--\nravelin-cli: --lang takes ja or en, not '") +
                                 value + "' (see 'ravelin-cli --help')\n")
            << line;
}

} // namespace
} // namespace ravelin
