#pragma once

#include <charconv>
#include <string>

namespace ravelin {

// printf's "%W.Pf" and "%Wd", byte for byte, but never through the process locale:
// a desktop session under a comma-decimal locale must read and write the same digits
// as the command-line tool. Right-aligned in width, never truncated.
inline void AppendFixed(std::string& out, double value, int width, int precision)
{
    char digits[352]; // the widest double in fixed notation, with sign and fraction
    const auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    const auto length = ec == std::errc() ? static_cast<int>(end - digits) : 0;
    if (length < width)
        out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(digits, static_cast<std::size_t>(length));
}

inline void AppendInt(std::string& out, long long value, int width)
{
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    const auto length = ec == std::errc() ? static_cast<int>(end - digits) : 0;
    if (length < width)
        out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(digits, static_cast<std::size_t>(length));
}

inline std::string FormatFixed(double value, int width, int precision)
{
    std::string out;
    AppendFixed(out, value, width, precision);
    return out;
}

// One row of the demonstration's time/input/output listing ("%4d    %6.3f    %6.3f"),
// as the diagram shows it and the text export writes it.
inline void AppendListingRow(std::string& out, int time, double input, double output)
{
    AppendInt(out, time, 4);
    out += "    ";
    AppendFixed(out, input, 6, 3);
    out += "    ";
    AppendFixed(out, output, 6, 3);
}

} // namespace ravelin
