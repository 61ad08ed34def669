#pragma once

#include <charconv>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What every command of ravelin-cli parses its arguments with.
namespace ravelin {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Numbers in help and messages as the C locale writes them, 15 significant digits.
std::string Number(double value);

template <typename T> std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitComma(std::string_view text);

// A usage error of a command, reported with a pointer to its help.
class UsageError {
  public:
    UsageError(std::string message, std::string command)
        : m_message(std::move(message)), m_command(std::move(command))
    {
    }
    // Prints the message on stderr; returns kExitUsage.
    int Report() const;

  private:
    std::string m_message;
    std::string m_command;
};

// Walks "--name value", "--name=value" and positional arguments of one command.
class ArgReader {
  public:
    ArgReader(std::span<char*> args, std::string command)
        : m_args(args), m_command(std::move(command))
    {
    }
    bool Done() const { return m_pos >= m_args.size(); }
    std::string_view Peek() const { return m_args[m_pos]; }
    std::string_view Next() { return m_args[m_pos++]; }

    // The option's value, from "--opt=value" or the next argument.
    std::string_view Value(std::string_view arg, std::string_view option);
    static bool Is(std::string_view arg, std::string_view option)
    {
        return arg == option ||
               (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=');
    }
    const std::string& Command() const { return m_command; }

  private:
    std::span<char*> m_args;
    std::size_t m_pos = 0;
    std::string m_command;
};

// One option of a command: "--name value", "--name=value" or "alias value", or a flag
// given alone. apply gets the argument as given and the value (empty for a flag).
struct Option {
    std::string_view name;
    std::string_view alias; // empty when there is none
    std::function<void(std::string_view arg, std::string_view value)> apply;
    bool flag = false;
};

// What every command shares: --help and -h print its help, an option it does not know
// is a usage error, and so is a positional argument unless the command collects them.
// False when the help was printed.
bool ParseArguments(ArgReader& args, const std::string& help, const std::vector<Option>& options,
                    std::vector<std::string_view>* positional = nullptr);

} // namespace ravelin
