#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

// ravelin-cli's designer and coefficient files, apart from the other commands.
namespace ravelin {

// `ravelin-cli design ARGS...` (args after the command word): prints the coefficients
// or writes them with -o; returns the exit status (2 for a usage error, with one line
// on stderr).
int RunDesignCommand(std::span<char*> args);

// The taps of a --coef-file; nullopt, with one line on stderr, when the file cannot
// be used.
std::optional<std::vector<double>> LoadCoefFile(const std::string& path);

// The help lines of --coef-file.
extern const char* const kCoefFileOption;

} // namespace ravelin
