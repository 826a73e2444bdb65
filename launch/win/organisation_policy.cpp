#include "launch/win/organisation_policy.h"

#include "launch/win/windows_launch_platform.h"
#include "platform/independent_steps.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

#include <array>
#include <utility>

namespace quben::win {
namespace {

// Where Office reads its policies, first found first: Cloud Policy (Microsoft 365 Apps, Intune),
// which takes precedence over Group Policy, then the user's Group Policy, then the machine's. The
// rest of the key is the same in each.
struct Source {
    HKEY hive;
    const wchar_t* key;
    const wchar_t* shown; // the hive, as the event names it
};
const std::array<Source, 3> kSources{{
    {HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Cloud\\Office\\", L"HKCU\\"},
    {HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Office\\", L"HKCU\\"},
    {HKEY_LOCAL_MACHINE, L"Software\\Policies\\Microsoft\\Office\\", L"HKLM\\"},
}};
const Source& kCloud = kSources[0];
const Source& kUserPolicy = kSources[1];
const Source& kMachinePolicy = kSources[2];
// The user's own Trust Center, read where no policy sets a value.
const Source kUsersOwn{HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\", L"HKCU\\"};

bool Missing(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// Nothing for a missing key or value, the common case; throws on any other error.
std::optional<std::uint32_t> PolicyDword(HKEY root, const std::wstring& key, const wchar_t* value) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LSTATUS status = ::RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size);
    if (Missing(status))
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        ThrowPlatformError(HRESULT_FROM_WIN32(status));
    return data;
}

// The value `remainder` names after the source's "Office\", with its full name; one that cannot be
// read is not set.
std::optional<PolicySetting> Found(const Source& source, const std::wstring& remainder,
                                   const wchar_t* value) {
    const std::wstring key = source.key + remainder;
    std::optional<std::uint32_t> data;
    RunStep([&] { data = PolicyDword(source.hive, key, value); });
    if (!data)
        return std::nullopt;
    return PolicySetting{*data, source.shown + key + L"\\" + value};
}

// `remainder` after the sources' "Office\": the first source that has the value decides.
std::optional<PolicySetting> FirstFound(const std::wstring& remainder, const wchar_t* value) {
    for (const Source& source : kSources) {
        if (auto found = Found(source, remainder, value))
            return found;
    }
    return std::nullopt;
}

// A setting Group Policy keeps outside any version: Cloud Policy writes it under the version
// (documented), the version-less Cloud key is read after it, then Group Policy's.
std::optional<PolicySetting> FirstFoundUnversioned(std::wstring_view version, const std::wstring& remainder,
                                                   const wchar_t* value) {
    if (auto found = Found(kCloud, std::wstring(version) + L"\\" + remainder, value))
        return found;
    return FirstFound(remainder, value);
}

std::wstring Expanded(const std::wstring& text) {
    std::wstring expanded(MAX_PATH, L'\0');
    for (;;) {
        const DWORD needed =
            ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        ThrowLastErrorIf(needed == 0);
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.resize(needed);
    }
}

// A folder that exists, in its long form (no 8.3 component); any other path as it is. Only a path
// that may hold a short name (its generated names all have a '~') is asked for: the system would
// otherwise reach every share a location names.
std::wstring LongFormOrAsIs(std::wstring_view path) {
    std::wstring longForm(path);
    if (path.find(L'~') != std::wstring_view::npos)
        RunStep([&] { longForm = WindowsLaunchPlatform{}.LongPathName(path); });
    return longForm;
}

// The locations under `key` (Location0, Location1, …: Path, AllowSubfolders); one that cannot be
// read is left out.
void AddLocations(HKEY root, const std::wstring& key, std::vector<TrustedLocation>& locations) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return;
    const UniqueHkey parent(opened);
    std::array<wchar_t, 256> name{};
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(name.size());
        const LSTATUS status =
            ::RegEnumKeyExW(parent.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            return;
        if (status != ERROR_SUCCESS)
            continue;
        RunStep([&] {
            HKEY child = nullptr;
            const LSTATUS opening = ::RegOpenKeyExW(parent.get(), name.data(), 0, KEY_READ, &child);
            if (opening != ERROR_SUCCESS)
                ThrowPlatformError(HRESULT_FROM_WIN32(opening));
            const UniqueHkey location(child);
            // Office expands environment strings only in a REG_EXPAND_SZ value.
            DWORD type = REG_NONE;
            const std::wstring path = LocationAsCompared(
                RegistryString(location.get(), {}, L"Path",
                               RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type)
                    .value_or(std::wstring()),
                type == REG_EXPAND_SZ, [](std::wstring_view text) { return Expanded(std::wstring(text)); },
                [](std::wstring_view text) { return LongFormOrAsIs(text); });
            const auto subfolders = PolicyDword(location.get(), {}, L"AllowSubfolders");
            locations.push_back({path, subfolders.value_or(0) != 0});
        });
    }
}

} // namespace

std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& key, const wchar_t* value,
                                           DWORD flags, DWORD* type) {
    DWORD size = 0;
    LSTATUS status = ::RegGetValueW(root, key.c_str(), value, flags, type, nullptr, &size);
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS)
        status = ::RegGetValueW(root, key.c_str(), value, flags, type, text.data(), &size);
    if (Missing(status))
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        ThrowPlatformError(HRESULT_FROM_WIN32(status));
    text.resize(text.find(L'\0'));
    return text;
}

std::optional<std::wstring> WindowsLaunchPlatform::SpreadsheetVersion() {
    const auto curVer =
        RegistryString(HKEY_CLASSES_ROOT, L"Excel.Application\\CurVer", nullptr, RRF_RT_REG_SZ);
    return curVer ? VersionOfCurVer(*curVer) : std::nullopt;
}

MacroPolicy WindowsLaunchPlatform::ReadMacroPolicy(std::wstring_view version) {
    const std::wstring excel = std::wstring(version) + L"\\Excel\\Security";
    const std::wstring common = std::wstring(version) + L"\\Common";
    // VBA turned off: the machine's policy, as Office's deployment guidance sets it, then the user's.
    auto vbaOff = Found(kMachinePolicy, common, L"VBAOff");
    if (!vbaOff)
        vbaOff = Found(kUserPolicy, common, L"VBAOff");
    // Automation security is the one setting Group Policy keeps outside any version.
    return {FirstFound(excel, L"VBAWarnings"), FirstFound(excel, L"blockcontentexecutionfrominternet"),
            FirstFoundUnversioned(version, L"Common\\Security", L"AutomationSecurity"),
            Found(kUsersOwn, excel, L"VBAWarnings"), std::move(vbaOff)};
}

TrustedLocations WindowsLaunchPlatform::ReadTrustedLocations(std::wstring_view version) {
    const std::wstring excel = std::wstring(version) + L"\\Excel\\Security\\Trusted Locations";
    const std::wstring common = std::wstring(version) + L"\\Common\\Security\\Trusted Locations";
    const std::wstring user = kUsersOwn.key + excel;
    TrustedLocations locations;
    auto disabled = FirstFound(excel, L"AllLocationsDisabled");
    if (!disabled)
        disabled = Found(kUsersOwn, excel, L"AllLocationsDisabled");
    locations.allDisabled = disabled && disabled->value != 0;
    const auto mixed = FirstFound(common, L"Allow User Locations");
    locations.userAllowed = !mixed || mixed->value != 0;
    // The policy where it is set, else the Trust Center's own box.
    std::optional<std::uint32_t> network;
    if (const auto policy = FirstFound(excel, L"AllowNetworkLocations"))
        network = policy->value;
    else
        RunStep([&] { network = PolicyDword(HKEY_CURRENT_USER, user, L"AllowNetworkLocations"); });
    locations.networkAllowed = network.value_or(0) != 0;
    for (const Source& source : kSources) {
        AddLocations(source.hive, source.key + excel, locations.policy);
        AddLocations(source.hive, source.key + common, locations.policy);
    }
    AddLocations(HKEY_CURRENT_USER, user, locations.user);
    return locations;
}

bool WindowsLaunchPlatform::UnblockingForbidden() {
    constexpr const wchar_t* kPolicyKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Attachments";
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (PolicyDword(hive, kPolicyKey, L"HideZoneInfoOnProperties").value_or(0) == 1)
            return true;
    }
    return false;
}

} // namespace quben::win
