// FFTW's wisdom for the FFT path (FftwWisdom.h): the real-to-complex and complex-to-real
// plans of every size the path takes.
//
//   ravelin_make_fftw_wisdom OUTPUT.cpp [MEASURED.txt]
//       (the build) writes the C++ source of kFftwWisdom, one wisdom per size, and
//       kFftwWisdomCpu: estimated plans, except where MEASURED.txt, made on a processor
//       with the same instruction sets and the same FFTW, holds measured ones
//   ravelin_make_fftw_wisdom --measure MEASURED.txt
//       times the candidate plans of every size on this machine (FFTW_PATIENT; minutes)
//       and writes them with the processor's instruction sets, for the tree to keep
#include "engine/FftwWisdom.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fftw3.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void Plan(unsigned flags)
{
    for (int log2 = ravelin::kWisdomMinLog2; log2 <= ravelin::kWisdomMaxLog2; ++log2) {
        const int size = 1 << log2;
        double* real = fftw_alloc_real(static_cast<std::size_t>(size));
        fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(size) / 2 + 1);
        fftw_destroy_plan(fftw_plan_dft_r2c_1d(size, real, spectrum, flags));
        fftw_destroy_plan(fftw_plan_dft_c2r_1d(size, spectrum, real, flags));
        fftw_free(real);
        fftw_free(spectrum);
    }
}

std::string Wisdom()
{
    char* wisdom = fftw_export_wisdom_to_string();
    std::string text = wisdom ? wisdom : "";
    fftw_free(wisdom);
    return text;
}

// FFTW's account of the plans both ways for size that the given wisdom alone makes;
// empty when it cannot make them.
std::string PlansFrom(int size, const std::string& wisdom)
{
    fftw_forget_wisdom();
    if (!fftw_import_wisdom_from_string(wisdom.c_str()))
        return "";
    double* real = fftw_alloc_real(static_cast<std::size_t>(size));
    fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(size) / 2 + 1);
    const unsigned flags = FFTW_ESTIMATE | FFTW_WISDOM_ONLY;
    fftw_plan forward = fftw_plan_dft_r2c_1d(size, real, spectrum, flags);
    fftw_plan backward = fftw_plan_dft_c2r_1d(size, spectrum, real, flags);
    std::string text;
    for (fftw_plan plan : {forward, backward}) {
        if (!plan)
            continue;
        char* account = fftw_sprint_plan(plan);
        text += account ? account : "?";
        text += '\n';
        std::free(account);
        fftw_destroy_plan(plan);
    }
    fftw_free(real);
    fftw_free(spectrum);
    return forward && backward ? text : "";
}

// The part of the wisdom that one size needs: the entries (one a line) without which
// its plans would come out otherwise. Importing a whole wisdom costs time in proportion
// to its length, and a run takes one size.
std::string WisdomFor(int size, const std::string& whole)
{
    std::istringstream in(whole);
    std::string head, line;
    std::vector<std::string> entries;
    std::getline(in, head);
    while (std::getline(in, line))
        if (line.rfind("  (", 0) == 0)
            entries.push_back(line);
    std::vector<bool> keep(entries.size(), true);
    const auto join = [&] {
        std::string text = head + "\n";
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (keep[i])
                text += entries[i] + "\n";
        return text + ")\n";
    };
    const std::string plans = PlansFrom(size, whole);
    if (plans.empty())
        return whole;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keep[i] = false;
        if (PlansFrom(size, join()) != plans)
            keep[i] = true;
    }
    return join();
}

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\n')
            escaped += "\\n\"\n    \"";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + c;
        else
            escaped += c;
    }
    return escaped;
}

// MEASURED.txt: "cpu N" on the first line, then FFTW's wisdom.
bool ImportMeasured(const char* path)
{
    std::ifstream in(path);
    unsigned cpu = 0;
    std::string word;
    if (!(in >> word >> cpu) || word != "cpu" || cpu != ravelin::FftwCpuFeatures())
        return false;
    std::ostringstream rest;
    rest << in.rdbuf();
    return fftw_import_wisdom_from_string(rest.str().c_str()) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0) {
        Plan(FFTW_PATIENT);
        std::FILE* out = std::fopen(argv[2], "w");
        if (!out)
            return 1;
        std::fprintf(out, "cpu %u\n%s", ravelin::FftwCpuFeatures(), Wisdom().c_str());
        fftw_cleanup();
        return std::fclose(out) == 0 ? 0 : 1;
    }
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp [MEASURED.txt] | --measure MEASURED.txt\n",
                     argv[0]);
        return 2;
    }
    const bool measured = argc == 3 && ImportMeasured(argv[2]);
    Plan(FFTW_ESTIMATE);
    const std::string whole = Wisdom();
    std::string sizes;
    for (int log2 = ravelin::kWisdomMinLog2; log2 <= ravelin::kWisdomMaxLog2; ++log2)
        sizes += "\n    \"" + Escaped(WisdomFor(1 << log2, whole)) + "\",";
    fftw_cleanup();
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 1;
    std::fprintf(out,
                 "// Made by ravelin_make_fftw_wisdom (%s); do not edit.\n"
                 "#include \"engine/FftwWisdom.h\"\n\n"
                 "namespace ravelin {\n"
                 "const char* const kFftwWisdom[kWisdomSizes] = {%s\n};\n"
                 "const unsigned kFftwWisdomCpu = %uu;\n"
                 "} // namespace ravelin\n",
                 measured ? "measured plans where kept" : "estimated plans", sizes.c_str(),
                 ravelin::FftwCpuFeatures());
    return std::fclose(out) == 0 ? 0 : 1;
}
