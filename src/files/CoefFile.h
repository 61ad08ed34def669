#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Plain-text coefficient files: numbers one per line or separated by commas, spaces
// or tabs, "#" to the end of a line a comment. Written with 17 significant digits,
// so that every double reads back bit for bit.
namespace ravelin {

// The most taps a file may hold: as many as the designer makes.
inline constexpr std::size_t kCoefFileMaxTaps = 65535;
// Files above this size are refused unread (a coefficient needs at most 25 bytes).
inline constexpr std::size_t kCoefFileMaxBytes = std::size_t{64} << 20;

enum class CoefFileError {
    None,
    CantOpen,    // missing, unreadable or not a regular file
    ReadFailed,  // the read itself failed
    TooLarge,    // above kCoefFileMaxBytes
    NoNumbers,   // nothing but comments and blanks
    NotANumber,  // a field that is not a number (line says where)
    NotFinite,   // NaN or infinity (line says where)
    TooManyTaps, // above kCoefFileMaxTaps (line of the first one too many)
    CantWrite,   // the output could not be written; any existing file is untouched
};

struct CoefFileResult {
    CoefFileError error = CoefFileError::None;
    int line = 0;             // 1-based line of a field at fault; 0 when none applies
    std::string field;        // NotANumber: the field as it stands in the file
    std::vector<double> taps; // empty unless error is None
};

// Reads the text of a file; a leading UTF-8 byte-order mark and CR before LF are
// allowed, a leading "+" on a number too. Locale-independent.
CoefFileResult ParseCoefficients(std::string_view text);
CoefFileResult ReadCoefficientFile(const std::string& path);

// One number a line after the header lines, each given without its "# ". Every
// number as printf's "%.17g" writes it in the C locale.
std::string FormatCoefficients(std::span<const double> taps,
                               std::span<const std::string> header = {});
// Writes FormatCoefficients atomically: None or CantWrite.
CoefFileError WriteCoefficientFile(const std::string& path, std::span<const double> taps,
                                   std::span<const std::string> header = {});

} // namespace ravelin
