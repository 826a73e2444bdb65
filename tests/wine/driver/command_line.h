#pragma once
// The driver's command list: words and their arguments, checked in full before anything runs so
// that a typo in a test cannot leave a half-driven program behind.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quben::driver {

inline constexpr std::wstring_view kArgumentsEnd = L"--";

struct Command {
    std::wstring word;
    std::vector<std::wstring> args;

    // Argument `index`, already checked to be a number when the list was parsed.
    std::int64_t Number(std::size_t index) const;
};

// A malformed command list; `word` is the command it was found in.
class CommandLineError : public std::runtime_error {
public:
    CommandLineError(std::wstring word, const std::string& message)
        : std::runtime_error(message), word(std::move(word)) {}
    std::wstring word;
};

// Splits the driver's arguments into commands. Throws CommandLineError.
std::vector<Command> ParseCommands(const std::vector<std::wstring>& argv);

// Decimal, or hexadecimal with a 0x prefix; nothing else (no sign, no trailing text).
std::optional<std::int64_t> ParseInteger(std::wstring_view text);

// One argument quoted so that the usual C runtime parsing gives it back unchanged.
std::wstring QuoteArgument(std::wstring_view arg);

// A CreateProcess command line: every argument quoted as needed, separated by spaces.
std::wstring BuildCommandLine(const std::vector<std::wstring>& args);

// Middle value; the mean of the two middle values for an even count; 0 for none.
double Median(std::vector<double> values);

} // namespace quben::driver
