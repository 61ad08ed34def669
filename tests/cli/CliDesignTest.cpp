// ravelin-cli's designer and coefficient files: what `design` prints is what the engine
// designs, and `filter` and `response` take any coefficient file in its place.
#include "CliShell.h"
#include "engine/FilterDesign.h"
#include "engine/FilterResponse.h"
#include "engine/StreamFilter.h"
#include "files/CoefFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace ravelin {
namespace {

using namespace test;

class CliDesign : public testing::Test {
  protected:
    // Runs the tool with these arguments in the test's folder.
    Outcome Tool(const std::string& args) const { return Shell(dir.Path(), "$CLI " + args); }
    const TempDir dir;
};

TEST_F(CliDesign, PrintsTheEngineDesignWithHowItWasMade)
{
    const Outcome o =
        Tool("design --type lowpass --cutoff 1000 --rate 44100 --taps 255 --window kaiser "
             "--atten 60");
    ASSERT_EQ(o.status, 0) << o.err;
    DesignSpec spec;
    spec.low = 1000.0 / 44100.0;
    spec.taps = 255;
    spec.window = WindowKind::Kaiser;
    spec.beta = KaiserBeta(60);
    const CoefFileResult printed = ParseCoefficients(o.out);
    ASSERT_EQ(printed.error, CoefFileError::None);
    EXPECT_EQ(printed.taps, DesignFilter(spec).taps); // bit for bit
    EXPECT_TRUE(o.out.starts_with("# ravelin-cli design --type lowpass --cutoff "
                                  "0.022675736961451247 --taps 255 --window kaiser --beta "))
        << o.out.substr(0, 200);
    EXPECT_NE(o.out.find("1000 Hz at 44100 Hz"), std::string::npos);

    // The header's own arguments make the same taps again.
    const std::string again = o.out.substr(14, o.out.find('\n') - 14);
    EXPECT_EQ(ParseCoefficients(Tool(again).out).taps, printed.taps) << again;

    // The length from Kaiser's formula, made odd for a high-pass; scaling; -o.
    const Outcome high = Tool("design --type highpass --cutoff 0.2 --window kaiser --atten 60 "
                              "--transition 0.1 --scale -o h.txt");
    EXPECT_EQ(high.status, 0) << high.err;
    EXPECT_TRUE(high.out.empty());
    EXPECT_EQ(ReadCoefficientFile(dir / "h.txt").taps.size(), 39u); // 38, made odd
}

TEST_F(CliDesign, FilterAndResponseTakeACoefficientFile)
{
    const std::vector<int> x{100, -200, 300, 0, 32000, 32000};
    WriteFile(dir / "in.wav", MonoWav(x));
    WriteFile(dir / "out.wav", {'o', 'l', 'd'});
    // A sox-style file: one a line, comments, CR LF.
    WriteFile(dir / "h.txt", {'#', ' ', 'h', '\r', '\n', '1', '\r', '\n', '0', '.', '5', '\n'});
    const Outcome o = Tool("filter --coef-file h.txt in.wav out.wav");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadBytes(dir / "out.wav"), MonoWav({100, -150, 200, 150, 32000, 32767}));
    EXPECT_NE(o.out.find("クリップ"), std::string::npos);

    // A malformed file is refused with its line, exit 1, and changes nothing.
    WriteFile(dir / "bad.txt", {'1', '\n', '2', '\n', 'n', 'a', 'n', '\n'});
    for (const char* args : {"filter --coef-file bad.txt in.wav out.wav",
                             "response --coef-file bad.txt", "response --coef-file none.txt"}) {
        const Outcome bad = Tool(args);
        EXPECT_EQ(bad.status, 1) << args;
        EXPECT_TRUE(bad.out.empty()) << args;
    }
    EXPECT_EQ(Tool("response --coef-file bad.txt").err,
              "ravelin-cli: bad.txt:3: 'nan' is not a finite number\n");
    EXPECT_EQ(ReadBytes(dir / "out.wav"), MonoWav({100, -150, 200, 150, 32000, 32767}));

    const Outcome r = Tool("response --coef-file h.txt --points 2");
    // |1 + 0.5| and |1 - 0.5| in dB.
    EXPECT_TRUE(r.out.starts_with("frequency_cycles_per_sample,magnitude_db,phase_rad\n"
                                  "0,3.52182518111362"))
        << r.out;
    EXPECT_NE(r.out.find("\n0.5,-6.02059991327962"), std::string::npos) << r.out;
}

} // namespace
} // namespace ravelin
