#include "journal.h"

#include "win_handles.h"

#include <cstdio>

namespace standin {

std::wstring_view accessName(Access access) {
    switch (access) {
    case Access::Get:
        return L"get";
    case Access::Put:
        return L"put";
    case Access::Method:
        return L"method";
    }
    return L"?";
}

std::wstring escapeField(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'\t':
            out += L"\\t";
            break;
        case L'\r':
            out += L"\\r";
            break;
        case L'\n':
            out += L"\\n";
            break;
        case L'\\':
            out += L"\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::wstring hexHresult(HRESULT hr) {
    wchar_t buffer[16];
    swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

std::wstring encodeArgument(const VARIANT& value) {
    switch (value.vt) {
    case VT_ERROR:
        if (value.scode == DISP_E_PARAMNOTFOUND)
            return L"missing";
        return L"error:" + hexHresult(value.scode);
    case VT_BOOL:
        // Anything but VARIANT_TRUE/VARIANT_FALSE is a client bug worth seeing verbatim.
        if (value.boolVal == VARIANT_TRUE)
            return L"bool:true";
        if (value.boolVal == VARIANT_FALSE)
            return L"bool:false";
        return L"bool:" + std::to_wstring(value.boolVal);
    case VT_I4:
        return L"i4:" + std::to_wstring(value.lVal);
    case VT_I2:
        return L"i2:" + std::to_wstring(value.iVal);
    case VT_BSTR:
        return L"bstr:" + escapeField(value.bstrVal
                                          ? std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal))
                                          : std::wstring_view());
    default:
        return L"vt" + std::to_wstring(value.vt);
    }
}

Journal::Journal(std::wstring path) : path_(std::move(path)), pid_(GetCurrentProcessId()) {}

std::wstring Journal::defaultPath() {
    std::wstring configured = environmentVariable(L"STANDIN_JOURNAL");
    return configured.empty() ? L"C:\\standin-journal.txt" : configured;
}

void Journal::event(std::wstring_view name, const std::vector<std::wstring>& fields) const {
    std::wstring line = std::to_wstring(pid_) + L"\t" + std::wstring(name);
    for (const auto& field : fields)
        line += L"\t" + field;
    append(line + L"\n");
}

void Journal::call(std::wstring_view member, Access access, LCID lcid,
                   const std::vector<const VARIANT*>& args) const {
    std::vector<std::wstring> fields{std::wstring(member), std::wstring(accessName(access)),
                                     L"lcid=" + std::to_wstring(lcid)};
    for (const VARIANT* arg : args)
        fields.push_back(encodeArgument(*arg));
    event(L"call", fields);
}

void Journal::result(std::wstring_view member, HRESULT hr) const {
    event(L"result", {std::wstring(member), SUCCEEDED(hr) ? L"ok" : L"fail " + hexHresult(hr)});
}

void Journal::append(const std::wstring& line) const {
    const std::string utf8 = toUtf8(line);
    UniqueKernelHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    // Wine's append is not atomic between processes (lines were lost or torn when measured), so writers
    // take turns on a lock over a byte far past any real end of file.
    OVERLAPPED region{};
    region.OffsetHigh = 0x7FFFFFFF;
    bool locked = LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region);
    DWORD written = 0;
    WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    if (locked)
        UnlockFileEx(file.get(), 0, 1, 0, &region);
}

} // namespace standin
