#include "launch/win/windows_launch_platform.h"

#include "launch/extended_length_path.h"
#include "launch/win/organisation_policy.h"
#include "platform/independent_steps.h"
#include "platform/win/com_ptr.h"
#include "platform/win/hresult.h"
#include "platform/win/path_buffer.h"
#include "platform/win/system_text.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

#include <tlhelp32.h>
#include <urlmon.h>

namespace quben::win {
namespace {

// An existing path as the file system names it through `convert` (GetShortPathNameW,
// GetLongPathNameW). Beyond the classic limit the file system is reached only through the
// extended-length form; the answer comes back in the form applications take.
template <class Convert> std::wstring FileSystemName(std::wstring_view fullPath, Convert convert) {
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    std::optional<std::wstring> name = FromExtendedLengthPath(
        PathFromBuffer([&](wchar_t* buffer, DWORD size) { return convert(path.c_str(), buffer, size); }));
    if (!name) // a name applications would read as another file's
        ThrowPlatformError(HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    return *std::move(name);
}

std::wstring RegisteredText(const std::wstring& key) {
    return RegistryString(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ).value_or(std::wstring());
}

// The image the application's class registration starts ("EXCEL.EXE" for
// "C:\…\EXCEL.EXE" /automation); EXCEL.EXE where it cannot be read.
std::wstring ApplicationImage() {
    std::wstring image = L"EXCEL.EXE";
    RunStep([&] {
        std::wstring server =
            RegisteredText(L"CLSID\\" + RegisteredText(L"Excel.Application\\CLSID") + L"\\LocalServer32");
        const std::size_t start = server.starts_with(L'"') ? 1 : 0;
        const std::size_t end = start == 1 ? server.find(L'"', 1) : server.find(L' ');
        server = server.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (const auto name = server.substr(server.find_last_of(L"\\/") + 1); !name.empty())
            image = name;
    });
    return image;
}

} // namespace

std::wstring WindowsLaunchPlatform::ShortPathName(std::wstring_view fullPath) {
    return FileSystemName(fullPath, ::GetShortPathNameW);
}

std::wstring WindowsLaunchPlatform::LongPathName(std::wstring_view fullPath) {
    return FileSystemName(fullPath, ::GetLongPathNameW);
}

bool WindowsLaunchPlatform::SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring WindowsLaunchPlatform::SystemText(std::int32_t status) {
    // The system's texts are short; a longer one is cut rather than allocated (and freed) by the call.
    wchar_t text[512];
    return {text, SystemTextInto(status, text, ARRAYSIZE(text))};
}

bool WindowsLaunchPlatform::OpenElsewhere(std::wstring_view fullPath) {
    // Read access alone, denying others writing: only a holder that writes (an application with
    // the workbook open) or has locked a range refuses. An open for writing would be blocked, and
    // reported, where Controlled Folder Access guards the folder.
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    const UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file)
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int WindowsLaunchPlatform::LocationZone(std::wstring_view fullPath) {
    // Through COM, which loads the manager from its registered System32 path: importing urlmon,
    // which is no KnownDLL, would let a DLL of that name beside the launcher be loaded instead.
    ComPtr<IInternetSecurityManager> manager;
    ThrowIfFailed(::CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IInternetSecurityManager, manager.put_void()));
    // A path, taken as it is written (a '%' in a file name is no escape), and its mark read.
    const std::wstring path(fullPath);
    DWORD zone = 0;
    ThrowIfFailed(manager->MapUrlToZone(path.c_str(), &zone,
                                        MUTZ_ISFILE | MUTZ_DONT_UNESCAPE | MUTZ_REQUIRESAVEDFILECHECK));
    return static_cast<int>(zone);
}

bool WindowsLaunchPlatform::OnNetworkDrive(std::wstring_view fullPath) {
    if (fullPath.starts_with(L"\\\\"))
        return true;
    const std::wstring root = std::wstring(fullPath.substr(0, 2)) + L"\\";
    return ::GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
}

std::uint64_t WindowsLaunchPlatform::ProcessClock() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

bool WindowsLaunchPlatform::ApplicationRunningSince(std::uint64_t since) {
    return ApplicationProcessSince(since) != 0;
}

std::uint32_t WindowsLaunchPlatform::ApplicationProcessSince(std::uint64_t since) {
    const std::wstring image = ApplicationImage();
    const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    ThrowLastErrorIf(!snapshot);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (!SameName(entry.szExeFile, image))
            continue;
        const UniqueKernelHandle process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        FILETIME created{}, exited{}, kernel{}, user{};
        if (process && ::GetProcessTimes(process.get(), &created, &exited, &kernel, &user) &&
            ((std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime) >= since)
            return entry.th32ProcessID;
    }
    return 0;
}

void WindowsLaunchPlatform::WriteEvent(const LaunchEvent& event) {
    const EventEntry entry(event);
    const UniqueEventSource source(::RegisterEventSourceW(nullptr, L"quben"));
    if (!source)
        return;
    auto strings = entry.strings; // ReportEventW takes the array as not const
    ::ReportEventW(source.get(), entry.type, 0, entry.id, nullptr, entry.count, 0, strings.data(), nullptr);
}

} // namespace quben::win
