#pragma once

#include <optional>
#include <string>
#include <vector>

// ravelin-cli's designer and coefficient files, apart from the other commands.
namespace ravelin {

class ArgReader;

// `ravelin-cli design ARGS...`: prints the coefficients or writes them with -o; returns
// the exit status. Throws UsageError for a usage error.
int RunDesign(ArgReader& args);

// The taps of a --coef-file; nullopt, with one line on stderr, when the file cannot
// be used.
std::optional<std::vector<double>> LoadCoefFile(const std::string& path);

// The help lines of --coef-file.
extern const char* const kCoefFileOption;

} // namespace ravelin
