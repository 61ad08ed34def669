// Writes src/engine/LowPassTables.cpp: the unwindowed ideal low-pass responses of
// the file run's three low-pass presets, rounded to seven decimals.
//
//   ravelin_lowpass_gen > src/engine/LowPassTables.cpp   regenerates the file
//   ravelin_lowpass_gen --check FILE                      exits 1 unless FILE matches
//
// Formatting uses integers only, so the locale cannot change a character.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Table {
    const char* name;
    int denominator; // cut-off r = 1/denominator of the Nyquist frequency
    int centre;      // c: the table has 2c + 1 taps
};

constexpr Table kTables[] = {{"kLowPass4", 4, 255}, {"kLowPass8", 8, 247}, {"kLowPass20", 20, 239}};
constexpr std::int64_t kScale = 10'000'000; // seven decimals

// h[c] = r, h[c ± k] = sin(pi r k) / (pi k), in units of 1e-7 rounded half away from zero.
std::vector<std::int64_t> Taps(const Table& t)
{
    const double r = 1.0 / t.denominator;
    std::vector<std::int64_t> h(static_cast<std::size_t>(2 * t.centre + 1));
    for (int k = -t.centre; k <= t.centre; ++k) {
        const double value =
            k == 0 ? r : std::sin(std::numbers::pi * r * k) / (std::numbers::pi * k);
        h[static_cast<std::size_t>(t.centre + k)] = std::llround(value * kScale);
    }
    return h;
}

// "-0.0012532", and "0.0" for zero.
std::string Decimal(std::int64_t units)
{
    if (units == 0)
        return "0.0";
    const std::int64_t magnitude = units < 0 ? -units : units;
    const std::string fraction = std::to_string(magnitude % kScale);
    std::string text(units < 0 ? "-" : "");
    text.append(std::to_string(magnitude / kScale)).append(".");
    text.append(7 - fraction.size(), '0').append(fraction);
    return text;
}

std::string Generate()
{
    std::vector<std::vector<std::int64_t>> tables;
    std::string sums;
    for (const Table& t : kTables) {
        tables.push_back(Taps(t));
        std::int64_t sum = 0;
        for (std::int64_t v : tables.back())
            sum += v;
        sums.append(sums.empty() ? "" : &t == &kTables[2] ? " and " : ", ").append(Decimal(sum));
    }
    std::ostringstream out;
    out << "#include \"engine/LowPassTables.h\"\n\n"
           "// Written by tests/tools/LowPassTablesGen.cpp from the formula in LowPassTables.h\n"
           "// (seven decimals, half away from zero); the sums are "
        << sums << ".\n"
        << "// Six values a row, as written; the formatter leaves generated rows alone.\n"
        << "// clang-format off\n"
        << "namespace ravelin {\n";
    for (std::size_t i = 0; i < tables.size(); ++i) {
        out << "\nconst std::array<double, " << tables[i].size() << "> " << kTables[i].name
            << " = {\n";
        for (std::size_t k = 0; k < tables[i].size(); ++k)
            out << (k % 6 == 0 ? "    " : " ") << Decimal(tables[i][k])
                << (k % 6 == 5 || k + 1 == tables[i].size() ? ",\n" : ",");
        out << "};\n";
    }
    out << "\n} // namespace ravelin\n"
        << "// clang-format on\n";
    return out.str();
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string text = Generate();
    if (argc == 1) {
        std::cout << text;
        return std::cout.flush() ? 0 : 1;
    }
    if (argc != 3 || std::string(argv[1]) != "--check") {
        std::cerr << "usage: ravelin_lowpass_gen [--check FILE]\n";
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    std::ostringstream stored;
    stored << file.rdbuf();
    if (file && stored.str() == text)
        return 0;
    std::cerr << argv[2]
              << " differs from what the formula gives; regenerate it with "
                 "ravelin_lowpass_gen > FILE\n";
    return 1;
}
