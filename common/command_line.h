#pragma once
// One argument of a Windows command line, written so that the rules every program's
// start-up code applies (CommandLineToArgvW, the C runtime) give it back unchanged: a
// folder such as "D:\" would otherwise end its quoted argument with an escaped quote.
#include <string>
#include <string_view>

namespace k20 {

// Always quoted, so that an empty argument and one with blanks stay one argument.
// Backslashes are doubled only where a quote follows them (the closing one included).
std::string QuoteCommandLineArgument(std::string_view argument);
std::u16string QuoteCommandLineArgument(std::u16string_view argument);
// Bare when it has no blank and no quote (and is not empty), quoted as above otherwise:
// for programs whose command lines are compared as they were written.
std::string QuoteCommandLineArgumentIfNeeded(std::string_view argument);

}  // namespace k20
