#include "Arguments.h"

#include <algorithm>
#include <iostream>

namespace ravelin {

std::string Number(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, end.ptr);
}

std::vector<std::string_view> SplitComma(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

int UsageError::Report() const
{
    std::cerr << "ravelin-cli: " << m_message << " (see 'ravelin-cli "
              << (m_command.empty() ? "" : m_command + " ") << "--help')\n";
    return kExitUsage;
}

std::string_view ArgReader::Value(std::string_view arg, std::string_view option)
{
    if (arg.size() > option.size() && arg[option.size()] == '=')
        return arg.substr(option.size() + 1);
    if (Done())
        throw UsageError("option '" + std::string(option) + "' needs a value", m_command);
    return Next();
}

bool ParseArguments(ArgReader& args, const std::string& help, const std::vector<Option>& options,
                    std::vector<std::string_view>* positional)
{
    while (!args.Done()) {
        const std::string_view arg = args.Next();
        if (arg == "--help" || arg == "-h") {
            std::cout << help;
            return false;
        }
        const auto option = std::find_if(options.begin(), options.end(), [&](const Option& o) {
            return (o.flag ? arg == o.name : ArgReader::Is(arg, o.name)) ||
                   (!o.alias.empty() && arg == o.alias);
        });
        if (option == options.end()) {
            if (arg.starts_with("-") && arg.size() > 1)
                throw UsageError("unknown option '" + std::string(arg) + "'", args.Command());
            if (!positional)
                throw UsageError("unexpected argument '" + std::string(arg) + "'", args.Command());
            positional->push_back(arg);
        } else if (option->flag) {
            option->apply(arg, {});
        } else {
            option->apply(arg,
                          args.Value(arg, arg == option->alias ? option->alias : option->name));
        }
    }
    return true;
}

} // namespace ravelin
