// quben_driver: drives the launcher from outside, the way a user would, and reports what it sees as
// one JSON object per command on stdout (UTF-8, one line each, flushed). The first failing command
// prints {"cmd":...,"error":...} and ends the driver with exit code 1. Commands:
//   run <exe>, wait-dialog <ms>, form, choose <path>, cancel, help, post-help, wait-msgbox <ms>,
//   press <id>, wait-exit <ms>, windows <class>, close <class>, foreground, long-path <path>,
//   sleep <ms>, tick <id>, bench-dialog <exe> <runs>,
//   bench-cycle <exe> <workbook> <runs>, bench-run <exe> [args...] --
// `quben_driver serve` takes the same command lists from stdin instead, one a line (tab-separated
// UTF-8 words), each answered by its objects and then {"end":<exit code>}: one process for a whole
// test class, since under Wine starting one costs more CPU than most commands.
// Numbers are decimal or 0x-hexadecimal. Send the driver's stderr to a file, not a pipe: under Wine
// the programs it starts inherit it.

#include "command_line.h"
#include "json_writer.h"
#include "process.h"
#include "session.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace quben::driver;

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout); // a test reads each line as soon as its command is done
}

void PrintError(std::wstring_view word, const std::string& message) {
    JsonWriter json;
    json.BeginObject().Key("cmd").String(word).Key("error").Utf8(message).EndObject();
    PrintLine(json.Text());
}

int RunAll(const std::vector<Command>& commands) {
    Session session;
    for (const Command& command : commands) {
        JsonWriter json;
        json.BeginObject().Key("cmd").String(command.word);
        try {
            session.Execute(command, json);
        } catch (const CommandFailure& failure) {
            PrintError(command.word, failure.message);
            return 1;
        }
        PrintLine(json.EndObject().Text());
    }
    return 0;
}

int RunLine(const std::vector<std::wstring>& words) {
    try {
        return RunAll(ParseCommands(words));
    } catch (const CommandLineError& error) {
        PrintError(error.word, error.what());
        return 1;
    }
}

std::vector<std::wstring> TabSeparatedWords(const std::string& line) {
    std::vector<std::wstring> words;
    for (std::size_t start = 0, end = 0; start <= line.size(); start = end + 1) {
        end = std::min(line.find('\t', start), line.size());
        const int size = static_cast<int>(end - start);
        std::wstring word(static_cast<std::size_t>(size), L'\0');
        word.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(CP_UTF8, 0, line.data() + start, size, word.data(), size)));
        words.push_back(std::move(word));
    }
    return words;
}

int Serve() {
    _setmode(_fileno(stdin), _O_BINARY);
    std::string line;
    for (int c = 0; (c = std::fgetc(stdin)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        PrintLine("{\"end\":" + std::to_string(RunLine(TabSeparatedWords(line))) + "}");
        line.clear();
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // UTF-8 bytes and \n exactly as written
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs("usage: quben_driver <command> [arguments] ...\n", stderr);
        return 1;
    }
    return args == std::vector<std::wstring>{L"serve"} ? Serve() : RunLine(args);
}
