// Coefficient files: what other tools write is read, what is written reads back bit
// for bit, and a malformed file is refused with the line at fault.
#include "files/CoefFile.h"

#include "support/TestSupport.h"

#include <bit>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace ravelin {
namespace {

using namespace test;

std::vector<double> Parsed(std::string_view text)
{
    const CoefFileResult r = ParseCoefficients(text);
    EXPECT_EQ(r.error, CoefFileError::None) << text;
    return r.taps;
}

TEST(CoefFile, ReadsTheLayoutsOfCommonTools)
{
    const std::vector<double> three{0.25, -0.5, 1e-3};
    // One a line (sox's fir, savetxt), CR LF, comma- and tab-separated rows, comments,
    // exponents with a sign, a byte-order mark.
    EXPECT_EQ(Parsed("0.25\n-0.5\n0.001\n"), three);
    EXPECT_EQ(Parsed("0.25\r\n-0.5\r\n0.001"), three);
    EXPECT_EQ(Parsed("# made by hand\n0.25, -0.5, 0.001 # trailing\n"), three);
    EXPECT_EQ(Parsed("2.500000000000000000e-01\t-5.000000000000000000e-01\n+1.0E-03\n"), three);
    EXPECT_EQ(Parsed("\xEF\xBB\xBF 0.25 -0.5\n\n   #\n0.001"), three);
    EXPECT_EQ(Parsed("0.25,-0.5,\n0.001,"), three);
    EXPECT_EQ(Parsed("1e-400"), std::vector<double>{0.0}); // below the smallest double
}

TEST(CoefFile, RefusesMalformedFilesWithTheirLine)
{
    const auto refused = [](std::string_view text, CoefFileError error, int line) {
        const CoefFileResult r = ParseCoefficients(text);
        EXPECT_EQ(r.error, error) << text;
        EXPECT_EQ(r.line, line) << text;
        EXPECT_TRUE(r.taps.empty());
        return r;
    };
    refused("", CoefFileError::NoNumbers, 0);
    refused("# only a comment\n\n \t\n", CoefFileError::NoNumbers, 0);
    EXPECT_EQ(refused("0.5\n0.25\n0,5x\n", CoefFileError::NotANumber, 3).field, "5x");
    EXPECT_EQ(refused("1\n2\n\n3 abc", CoefFileError::NotANumber, 4).field, "abc");
    refused("0.5\n1.2.3", CoefFileError::NotANumber, 2);
    refused("0x10", CoefFileError::NotANumber, 1);
    refused("1\nnan\n", CoefFileError::NotFinite, 2);
    refused("inf", CoefFileError::NotFinite, 1);
    refused("1\n2\n-INFINITY", CoefFileError::NotFinite, 3);
    refused("1e400", CoefFileError::NotFinite, 1);

    std::string many;
    for (std::size_t k = 0; k < kCoefFileMaxTaps; ++k)
        many += "1\n";
    EXPECT_EQ(Parsed(many).size(), kCoefFileMaxTaps);
    refused(many + "1\n", CoefFileError::TooManyTaps, int(kCoefFileMaxTaps) + 1);
}

TEST(CoefFile, RoundTripsBitForBitWhateverTheLocale)
{
    std::mt19937_64 rng(19);
    std::vector<double> taps;
    for (int k = 0; k < 2000; ++k) {
        double v;
        do
            v = std::bit_cast<double>(rng());
        while (!std::isfinite(v));
        taps.push_back(v);
    }
    taps.insert(taps.end(), {0.0, -0.0, std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(), 0.1, 1.0 / 3});
    // A locale with a decimal comma must change nothing (the desktop sets the user's).
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string text = FormatCoefficients(taps, std::vector<std::string>{"made", ""});
    EXPECT_TRUE(text.starts_with("# made\n#\n"));
    EXPECT_NE(text.find("\n0.10000000000000001\n"), std::string::npos); // as %.17g
    const std::vector<double> back = Parsed(text);
    std::setlocale(LC_NUMERIC, "C");
    if (!german)
        std::cout << "(no de_DE.UTF-8 locale here: checked in the C locale only)\n";
    ASSERT_EQ(back.size(), taps.size());
    for (std::size_t k = 0; k < taps.size(); ++k)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(back[k]), std::bit_cast<std::uint64_t>(taps[k]))
            << k;
}

TEST(CoefFile, FilesAreReadAndWrittenWhole)
{
    TempDir dir;
    const std::vector<double> taps{0.5, -0.25};
    const std::string path = dir / "h.txt";
    ASSERT_EQ(WriteCoefficientFile(path, taps, std::vector<std::string>{"a\nb"}),
              CoefFileError::None);
    EXPECT_EQ(ReadText(path), "# a b\n0.5\n-0.25\n");
    EXPECT_EQ(ReadCoefficientFile(path).taps, taps);
    EXPECT_EQ(ReadCoefficientFile(dir / "missing.txt").error, CoefFileError::CantOpen);
    EXPECT_EQ(ReadCoefficientFile(dir.Path()).error, CoefFileError::CantOpen);
    // A folder that does not exist cannot take the output; nothing is left behind.
    EXPECT_EQ(WriteCoefficientFile(dir / "no/h.txt", taps), CoefFileError::CantWrite);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"h.txt"});
}

} // namespace
} // namespace ravelin
