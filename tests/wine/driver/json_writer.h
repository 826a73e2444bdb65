#pragma once
// One JSON document built front to back, for the driver's one-line reports. Text from windows
// is UTF-16; the report is UTF-8 with non-ASCII kept raw, so accents stay readable in test logs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quben::driver {

// UTF-8 form of wide text. Surrogate pairs are joined; an unpaired surrogate becomes U+FFFD so
// the output is always valid UTF-8. Works for 16-bit (Windows) and 32-bit wchar_t alike.
std::string ToUtf8(std::wstring_view text);

// Appends a JSON string literal: quotes, backslashes and control characters are escaped,
// everything else is copied as is.
void AppendJsonString(std::string& out, std::string_view utf8);

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::wstring_view text);
    JsonWriter& Utf8(std::string_view text);
    JsonWriter& Int(std::int64_t value);
    // Three decimals: enough for millisecond timings measured with a sub-microsecond clock.
    JsonWriter& Number(double value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // A complete JSON value written by another writer.
    JsonWriter& Raw(std::string_view json);
    // The members of a complete object written by another writer, added to the open object.
    JsonWriter& Merge(const JsonWriter& object);

    const std::string& Text() const { return out_; }

private:
    void BeforeValue();
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);

    std::string out_;
    std::vector<bool> empty_; // one entry per open container: nothing written in it yet
    bool afterKey_ = false;
};

} // namespace quben::driver
