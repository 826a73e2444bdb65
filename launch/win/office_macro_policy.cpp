#include "launch/win/office_macro_policy.h"

#include "platform/independent_steps.h"
#include "platform/win/hresult.h"

#include <windows.h>

namespace quben::win {
namespace {

constexpr std::wstring_view kPolicies = L"Software\\Policies\\Microsoft\\Office\\";

struct Hive {
    HKEY key;
    const wchar_t* name;
};
// The machine's value wins where both are set.
const Hive kHives[] = {{HKEY_LOCAL_MACHINE, L"HKLM\\"}, {HKEY_CURRENT_USER, L"HKCU\\"}};

// Nothing for a missing key or value, the common case.
std::optional<std::uint32_t> PolicyDword(HKEY root, const std::wstring& key, const wchar_t* value) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LSTATUS status = ::RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size);
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        ThrowPlatformError(HRESULT_FROM_WIN32(status));
    return data;
}

// A value that cannot be read is not set; the live trace says why.
std::optional<std::uint32_t> ReadablePolicyDword(HKEY root, const std::wstring& key, const wchar_t* value) {
    std::optional<std::uint32_t> data;
    RunStep([&] { data = PolicyDword(root, key, value); });
    return data;
}

std::optional<PolicySetting> Setting(const std::wstring& key, const wchar_t* value) {
    for (const Hive& hive : kHives) {
        if (const auto data = ReadablePolicyDword(hive.key, key, value))
            return PolicySetting{*data, hive.name + key + L"\\" + value};
    }
    return std::nullopt;
}

} // namespace

std::optional<std::wstring> InstalledExcelVersion() {
    constexpr const wchar_t* kCurVer = L"Excel.Application\\CurVer";
    DWORD size = 0;
    LSTATUS status =
        ::RegGetValueW(HKEY_CLASSES_ROOT, kCurVer, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size);
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS)
        status =
            ::RegGetValueW(HKEY_CLASSES_ROOT, kCurVer, nullptr, RRF_RT_REG_SZ, nullptr, text.data(), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        ThrowPlatformError(HRESULT_FROM_WIN32(status));
    text.resize(text.find(L'\0'));
    return VersionOfCurVer(text);
}

MacroPolicy ReadMacroPolicy(std::wstring_view version) {
    const std::wstring excel = std::wstring(kPolicies) + std::wstring(version) + L"\\Excel\\Security";
    const std::wstring common = std::wstring(kPolicies) + L"Common\\Security";
    return {Setting(excel, L"VBAWarnings"), Setting(excel, L"blockcontentexecutionfrominternet"),
            Setting(common, L"AutomationSecurity")};
}

} // namespace quben::win
