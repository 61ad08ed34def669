// Writes the C++ source of kFftwWisdom and kFftwWisdomCpu (FftwWisdom.h): FFTW's wisdom
// for estimated real-to-complex and complex-to-real plans of every size the FFT path
// takes, made on this machine. Usage: ravelin_make_fftw_wisdom OUTPUT.cpp
#include "engine/FftwWisdom.h"

#include <cstdio>
#include <fftw3.h>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    for (int log2 = ravelin::kWisdomMinLog2; log2 <= ravelin::kWisdomMaxLog2; ++log2) {
        const int size = 1 << log2;
        double* real = fftw_alloc_real(static_cast<std::size_t>(size));
        fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
        fftw_destroy_plan(fftw_plan_dft_r2c_1d(size, real, spectrum, FFTW_ESTIMATE));
        fftw_destroy_plan(fftw_plan_dft_c2r_1d(size, spectrum, real, FFTW_ESTIMATE));
        fftw_free(real);
        fftw_free(spectrum);
    }
    char* wisdom = fftw_export_wisdom_to_string();
    std::string text = wisdom ? wisdom : "";
    fftw_free(wisdom);
    fftw_cleanup();
    std::string escaped;
    for (const char c : text) {
        if (c == '\n')
            escaped += "\\n\"\n    \"";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + c;
        else
            escaped += c;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 1;
    std::fprintf(out,
                 "// Made by ravelin_make_fftw_wisdom; do not edit.\n"
                 "#include \"engine/FftwWisdom.h\"\n\n"
                 "namespace ravelin {\n"
                 "const char* const kFftwWisdom =\n    \"%s\";\n"
                 "const unsigned kFftwWisdomCpu = %uu;\n"
                 "} // namespace ravelin\n",
                 escaped.c_str(), ravelin::FftwCpuFeatures());
    return std::fclose(out) == 0 ? 0 : 1;
}
