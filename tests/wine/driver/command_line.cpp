#include "command_line.h"

#include <algorithm>
#include <array>

namespace quben::driver {
namespace {

// Argument kinds: 't' text, 'n' number (milliseconds, ids, counts), '*' text up to "--".
struct Shape {
    std::wstring_view word;
    std::wstring_view kinds;
};

constexpr std::array kShapes{
    Shape{L"run", L"t"},           Shape{L"wait-dialog", L"n"},   Shape{L"form", L""},
    Shape{L"choose", L"t"},        Shape{L"cancel", L""},         Shape{L"help", L""},
    Shape{L"post-help", L""},      Shape{L"wait-msgbox", L"n"},   Shape{L"press", L"n"},
    Shape{L"wait-exit", L"n"},     Shape{L"windows", L"t"},       Shape{L"close", L"t"},
    Shape{L"foreground", L""},     Shape{L"long-path", L"t"},     Shape{L"sleep", L"n"},
    Shape{L"bench-dialog", L"tn"}, Shape{L"bench-cycle", L"ttn"}, Shape{L"bench-run", L"t*"},
    Shape{L"send", L"tnnn"},       Shape{L"tick", L"n"},          Shape{L"show", L"tn"},
};

const Shape* FindShape(std::wstring_view word) {
    auto found = std::find_if(kShapes.begin(), kShapes.end(), [&](const Shape& s) { return s.word == word; });
    return found == kShapes.end() ? nullptr : &*found;
}

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return 99;
}

// Takes the arguments of one command from argv starting at `next`; returns the index after them.
std::size_t TakeArguments(const Shape& shape, const std::vector<std::wstring>& argv, std::size_t next,
                          Command& command) {
    for (wchar_t kind : shape.kinds) {
        if (kind == L'*') {
            while (next < argv.size() && argv[next] != kArgumentsEnd)
                command.args.push_back(argv[next++]);
            if (next == argv.size())
                throw CommandLineError(command.word, "argument list not ended by --");
            return next + 1;
        }
        if (next == argv.size())
            throw CommandLineError(command.word, "missing argument");
        if (kind == L'n' && !ParseInteger(argv[next]))
            throw CommandLineError(command.word, "argument is not a number");
        command.args.push_back(argv[next++]);
    }
    return next;
}

} // namespace

std::int64_t Command::Number(std::size_t index) const {
    return ParseInteger(args.at(index)).value_or(0);
}

std::vector<Command> ParseCommands(const std::vector<std::wstring>& argv) {
    std::vector<Command> commands;
    std::size_t next = 0;
    while (next < argv.size()) {
        Command command{argv[next++], {}};
        const Shape* shape = FindShape(command.word);
        if (shape == nullptr)
            throw CommandLineError(command.word, "unknown command");
        next = TakeArguments(*shape, argv, next, command);
        commands.push_back(std::move(command));
    }
    return commands;
}

std::optional<std::int64_t> ParseInteger(std::wstring_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 15)
        return std::nullopt; // keeps the value far from overflow
    std::int64_t value = 0;
    for (wchar_t c : text) {
        int digit = DigitValue(c);
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

std::wstring QuoteArgument(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(arg);
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless they precede a quote; then each must be doubled.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\'); // they precede the closing quote
    out += L'"';
    return out;
}

std::wstring BuildCommandLine(const std::vector<std::wstring>& args) {
    std::wstring line;
    for (const auto& arg : args) {
        if (!line.empty())
            line += L' ';
        line += QuoteArgument(arg);
    }
    return line;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

} // namespace quben::driver
