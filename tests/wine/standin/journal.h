// Append-only event log shared by every stand-in process of a test run.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin {

enum class Access { Get, Put, Method };

std::wstring_view accessName(Access access);

// "missing", "bool:true", "i4:7", "bstr:a\tb", "error:0x...", "vt<N>".
std::wstring encodeArgument(const VARIANT& value);

// Escapes TAB, CR, LF and backslash so that one event stays on one line.
std::wstring escapeField(std::wstring_view text);

std::wstring hexHresult(HRESULT hr);

class Journal {
public:
    explicit Journal(std::wstring path);

    void event(std::wstring_view name, const std::vector<std::wstring>& fields = {}) const;
    void call(std::wstring_view member, Access access, LCID lcid,
              const std::vector<const VARIANT*>& args) const;
    void result(std::wstring_view member, HRESULT hr) const;

    const std::wstring& path() const { return path_; }

    // STANDIN_JOURNAL or C:\standin-journal.txt.
    static std::wstring defaultPath();

private:
    void append(const std::wstring& line) const;

    std::wstring path_;
    DWORD pid_;
};

} // namespace standin
