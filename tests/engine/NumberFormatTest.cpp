// Numbers the program writes are the same bytes under any locale: the formatter against
// the C library in the "C" locale, and the text export under a comma-decimal locale.
#include "engine/NumberFormat.h"

#include "files/TextExport.h"
#include "support/TestSupport.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace ravelin {
namespace {

using namespace test;

// Sets LC_ALL for the test's time; Active() false when the locale is not installed.
class ScopedLocale {
  public:
    explicit ScopedLocale(const char* name)
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        m_previous = current ? current : "C";
        m_active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    bool Active() const { return m_active; }

  private:
    std::string m_previous;
    bool m_active = false;
};

std::string Printf(const char* format, double v)
{
    char s[400];
    std::snprintf(s, sizeof s, format, v);
    return s;
}

TEST(NumberFormat, MatchesPrintfInTheCLocale)
{
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.0005,
                                  -0.0005,
                                  0.0015,
                                  0.0025,
                                  1.0,
                                  -1.0,
                                  0.8,
                                  -0.4,
                                  0.1,
                                  2.5e-4,
                                  999.9995,
                                  -32768.0,
                                  1e20,
                                  1e300,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::max()};
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-40000.0, 40000.0);
    for (int i = 0; i < 2000; ++i)
        values.push_back(i % 2 ? u(rng) : u(rng) / 40000.0);
    for (double v : values) {
        EXPECT_EQ(FormatFixed(v, 6, 3), Printf("%6.3f", v)) << v;
        EXPECT_EQ(FormatFixed(v, 10, 5), Printf("%10.5f", v)) << v;
    }
    std::string row;
    AppendListingRow(row, -1, 0.5, -0.25);
    AppendInt(row, 12345, 3);
    EXPECT_EQ(row, "  -1     0.500    -0.250"
                   "12345");
}

TEST(NumberFormat, TextExportIgnoresACommaDecimalLocale)
{
    const Finished doc(kFilterEcho5, kInputTest);
    const std::string file = FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n");
    const std::string console = FormatTextExport(doc, TextEncoding::Utf8, "\n");
    const ScopedLocale german("de_DE.UTF-8");
    if (!german.Active())
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/install-deps makes it)";
    ASSERT_EQ(Printf("%.1f", 0.5), "0,5"); // the locale is in force
    EXPECT_EQ(FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n"), file);
    EXPECT_EQ(FormatTextExport(doc, TextEncoding::Utf8, "\n"), console);
    EXPECT_NE(console.find("       0     0.80000\n"), std::string::npos);

    const TempDir dir; // and the bytes on disk
    EXPECT_EQ(WriteTextExport(doc, dir / "r.txt"), FileFault::None);
    EXPECT_EQ(ReadText(dir / "r.txt"), file);
}

} // namespace
} // namespace ravelin
