#include "common/command_line.h"

namespace k20 {

namespace {
template <class Char>
std::basic_string<Char> Quote(std::basic_string_view<Char> arg) {
    std::basic_string<Char> out;
    out.reserve(arg.size() + 2);
    out += Char('"');
    size_t i = 0;
    while (i < arg.size()) {
        size_t backslashes = 0;
        while (i < arg.size() && arg[i] == Char('\\')) {
            ++backslashes;
            ++i;
        }
        if (i == arg.size()) {
            // They precede the closing quote: each must stand for itself.
            out.append(2 * backslashes, Char('\\'));
            break;
        }
        if (arg[i] == Char('"')) {
            out.append(2 * backslashes + 1, Char('\\'));
        } else {
            out.append(backslashes, Char('\\'));
        }
        out += arg[i++];
    }
    out += Char('"');
    return out;
}
}  // namespace

std::string QuoteCommandLineArgument(std::string_view argument) {
    return Quote(argument);
}
std::u16string QuoteCommandLineArgument(std::u16string_view argument) {
    return Quote(argument);
}
std::string QuoteCommandLineArgumentIfNeeded(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    return Quote(argument);
}

}  // namespace k20
