// Checks of the driver's own text handling: JSON output and command-list parsing. Runs natively
// or under Wine; exits non-zero on the first failed check.

#include "command_line.h"
#include "json_writer.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace quben::driver;

int failures = 0;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

template <class T> void CheckEqual(const T& actual, const T& expected, const char* what) {
    Check(actual == expected, what);
}

void CheckThrows(const std::function<void()>& action, const char* what) {
    bool threw = false;
    try {
        action();
    } catch (const CommandLineError&) {
        threw = true;
    }
    Check(threw, what);
}

std::string Json(const std::wstring& text) {
    return JsonWriter().String(text).Text();
}

void Utf8Conversion() {
    CheckEqual(ToUtf8(L"abc"), std::string("abc"), "ASCII unchanged");
    CheckEqual(ToUtf8(L"\u00c9t\u00e9"), std::string("\xc3\x89t\xc3\xa9"), "accents as two bytes");
    CheckEqual(ToUtf8(L"\u20ac"), std::string("\xe2\x82\xac"), "three-byte character");
    const wchar_t clef[] = {0xD834, 0xDD1E, 0};
    CheckEqual(ToUtf8(clef), std::string("\xf0\x9d\x84\x9e"), "surrogate pair joined");
    const wchar_t lone[] = {L'a', 0xD800, L'b', 0};
    CheckEqual(ToUtf8(lone),
               std::string("a\xef\xbf\xbd"
                           "b"),
               "lone surrogate replaced");
}

void StringEscapes() {
    CheckEqual(Json(L"C:\\tmp\\\u00c9t\u00e9 donn\u00e9es\\\u00e9.xls"),
               std::string("\"C:\\\\tmp\\\\\xc3\x89t\xc3\xa9 donn\xc3\xa9"
                           "es\\\\\xc3\xa9.xls\""),
               "backslashes doubled, accents raw");
    CheckEqual(Json(L"say \"hi\""), std::string("\"say \\\"hi\\\"\""), "quotes escaped");
    CheckEqual(Json(L"a\nb\tc\r"), std::string("\"a\\nb\\tc\\r\""), "short escapes");
    CheckEqual(Json(std::wstring(L"\x01\x1f", 2)), std::string("\"\\u0001\\u001f\""),
               "other controls as \\u");
    CheckEqual(Json(std::wstring(L"a\0b", 3)), std::string("\"a\\u0000b\""), "embedded NUL kept");
}

void Structure() {
    JsonWriter json;
    json.BeginObject().Key("cmd").Utf8("x").Key("list").BeginArray().Int(1).Int(-2).EndArray();
    json.Key("nested").BeginObject().Key("ok").Bool(true).Key("none").Null().EndObject();
    json.Key("empty").BeginArray().EndArray().EndObject();
    CheckEqual(json.Text(),
               std::string(R"({"cmd":"x","list":[1,-2],"nested":{"ok":true,"none":null},"empty":[]})"),
               "commas between members and elements only");
    CheckEqual(JsonWriter().Number(12.3456).Text(), std::string("12.346"), "three decimals");

    JsonWriter fields;
    fields.BeginObject().Key("a").Int(1).Key("b").BeginArray().EndArray().EndObject();
    JsonWriter merged;
    merged.BeginObject().Key("cmd").Utf8("m").Merge(fields).Merge(JsonWriter().BeginObject().EndObject());
    merged.Key("c").Raw(fields.Text()).EndObject();
    CheckEqual(merged.Text(), std::string(R"({"cmd":"m","a":1,"b":[],"c":{"a":1,"b":[]}})"),
               "members merged flat, raw value nested, empty object adds nothing");
    CheckEqual(JsonWriter().Number(1.0 / 0.0).Text(), std::string("null"), "infinity as null");
}

void Integers() {
    CheckEqual(ParseInteger(L"5000"), std::optional<std::int64_t>(5000), "decimal");
    CheckEqual(ParseInteger(L"0x40e"), std::optional<std::int64_t>(0x40e), "hexadecimal");
    CheckEqual(ParseInteger(L"0X47C"), std::optional<std::int64_t>(0x47c), "upper-case hexadecimal");
    Check(!ParseInteger(L""), "empty refused");
    Check(!ParseInteger(L"-1"), "sign refused");
    Check(!ParseInteger(L"12ms"), "trailing text refused");
    Check(!ParseInteger(L"0x"), "bare prefix refused");
    Check(!ParseInteger(L"99999999999999999999"), "overflow refused");
}

void Commands() {
    auto commands = ParseCommands({L"run", L"C:\\a b\\x.exe", L"wait-dialog", L"5000", L"form", L"choose",
                                   L"C:\\\u00e9.xls", L"press", L"0x1"});
    CheckEqual(commands.size(), std::size_t{5}, "five commands");
    CheckEqual(commands[0].args, std::vector<std::wstring>{L"C:\\a b\\x.exe"}, "run takes the path");
    CheckEqual(commands[1].Number(0), std::int64_t{5000}, "timeout as number");
    Check(commands[2].args.empty(), "form takes nothing");
    CheckEqual(commands[4].Number(0), std::int64_t{1}, "press id in hex");

    auto bench = ParseCommands({L"bench-run", L"x.exe", L"-a", L"b c", L"--", L"sleep", L"1"});
    CheckEqual(bench[0].args, (std::vector<std::wstring>{L"x.exe", L"-a", L"b c"}), "bench-run up to --");
    CheckEqual(bench[1].word, std::wstring(L"sleep"), "command after --");

    CheckThrows([] { ParseCommands({L"wait-dialog"}); }, "missing argument");
    CheckThrows([] { ParseCommands({L"sleep", L"soon"}); }, "non-numeric argument");
    CheckThrows([] { ParseCommands({L"jump"}); }, "unknown command");
    CheckThrows([] { ParseCommands({L"bench-run", L"x.exe"}); }, "unterminated list");
    try {
        ParseCommands({L"form", L"bench-dialog", L"x.exe"});
    } catch (const CommandLineError& error) {
        CheckEqual(error.word, std::wstring(L"bench-dialog"), "error names the faulty command");
    }
}

void Quoting() {
    CheckEqual(QuoteArgument(L"plain"), std::wstring(L"plain"), "no quotes needed");
    CheckEqual(QuoteArgument(L""), std::wstring(L"\"\""), "empty argument kept");
    CheckEqual(QuoteArgument(L"C:\\\u00c9t\u00e9 x\\a.exe"), std::wstring(L"\"C:\\\u00c9t\u00e9 x\\a.exe\""),
               "spaces quoted, inner backslashes literal");
    CheckEqual(QuoteArgument(L"a\"b"), std::wstring(L"\"a\\\"b\""), "quote escaped");
    CheckEqual(QuoteArgument(L"dir\\ x\\"), std::wstring(L"\"dir\\ x\\\\\""), "trailing backslash doubled");
    CheckEqual(BuildCommandLine({L"a.exe", L"b c", L"d"}), std::wstring(L"a.exe \"b c\" d"),
               "joined by spaces");
}

void Medians() {
    CheckEqual(Median({}), 0.0, "empty");
    CheckEqual(Median({3.0, 1.0, 2.0}), 2.0, "odd count");
    CheckEqual(Median({4.0, 1.0, 3.0, 2.0}), 2.5, "even count");
}

} // namespace

int main() {
    Utf8Conversion();
    StringEscapes();
    Structure();
    Integers();
    Commands();
    Quoting();
    Medians();
    if (failures == 0)
        std::puts("driver tests passed");
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
