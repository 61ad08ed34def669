#include "files/CoefFile.h"

#include "files/AtomicFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ravelin {

namespace {

bool IsSeparator(char c)
{
    return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == ';';
}

} // namespace

CoefFileResult ParseCoefficients(std::string_view text)
{
    CoefFileResult result;
    const auto refuse = [&result](CoefFileError e, int line, std::string_view field = {}) {
        result.error = e;
        result.line = line;
        result.field = std::string(field);
        result.taps.clear();
        return result;
    };
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    int line = 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\n') {
            ++line;
            ++pos;
            continue;
        }
        if (IsSeparator(c)) {
            ++pos;
            continue;
        }
        if (c == '#') {
            const std::size_t end = text.find('\n', pos);
            pos = end == std::string_view::npos ? text.size() : end;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '#' &&
               !IsSeparator(text[end]))
            ++end;
        const std::string_view field = text.substr(pos, end - pos);
        std::string_view digits = field;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
            digits.remove_prefix(1);
        double value = 0.0;
        const char* last = digits.data() + digits.size();
        const auto [ptr, ec] = std::from_chars(digits.data(), last, value);
        // Out of range: from_chars keeps value unchanged and says so; a number too
        // large for a double is not finite, one too small is a zero.
        if (ptr != last || (ec != std::errc() && ec != std::errc::result_out_of_range))
            return refuse(CoefFileError::NotANumber, line, field);
        if (ec == std::errc::result_out_of_range) {
            const bool tiny = digits.find_first_of("eE") != std::string_view::npos &&
                              digits[digits.find_first_of("eE") + 1] == '-';
            if (!tiny)
                return refuse(CoefFileError::NotFinite, line, field);
            value = 0.0;
        }
        if (!std::isfinite(value))
            return refuse(CoefFileError::NotFinite, line, field);
        if (result.taps.size() >= kCoefFileMaxTaps)
            return refuse(CoefFileError::TooManyTaps, line);
        result.taps.push_back(value);
        pos = end;
    }
    if (result.taps.empty())
        return refuse(CoefFileError::NoNumbers, 0);
    return result;
}

CoefFileResult ReadCoefficientFile(const std::string& path)
{
    CoefFileResult failed;
    // Non-blocking, and only a regular file: a FIFO must not hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failed.error = CoefFileError::CantOpen;
        return failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        failed.error = CoefFileError::CantOpen;
        return failed;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kCoefFileMaxBytes) {
        ::close(fd);
        failed.error = CoefFileError::TooLarge;
        return failed;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            failed.error = CoefFileError::ReadFailed;
            return failed;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kCoefFileMaxBytes) { // it grew while being read
            ::close(fd);
            failed.error = CoefFileError::TooLarge;
            return failed;
        }
    }
    ::close(fd);
    return ParseCoefficients(text);
}

std::string FormatCoefficients(std::span<const double> taps, std::span<const std::string> header)
{
    std::string text;
    for (const std::string& line : header) {
        // A line break inside a header line would start a line that is not a comment.
        std::string one = line;
        for (char& c : one)
            if (c == '\n' || c == '\r')
                c = ' ';
        text += one.empty() ? "#\n" : "# " + one + "\n";
    }
    char number[32];
    for (const double v : taps) {
        // Shortest would also read back exactly; 17 digits is what other tools write.
        const auto end =
            std::to_chars(number, number + sizeof number, v, std::chars_format::general, 17).ptr;
        text.append(number, end);
        text += '\n';
    }
    return text;
}

CoefFileError WriteCoefficientFile(const std::string& path, std::span<const double> taps,
                                   std::span<const std::string> header)
{
    const std::string text = FormatCoefficients(taps, header);
    AtomicFile out;
    if (!out.Open(path) || !out.Write(text.data(), text.size()) || !out.Commit())
        return CoefFileError::CantWrite;
    return CoefFileError::None;
}

} // namespace ravelin
