#include "launch/win/running_workbooks.h"

#include "launch/extended_length_path.h"
#include "launch/file_identity.h"
#include "launch/win/windows_launch_platform.h"
#include "platform/platform_error.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <objbase.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace quben::win {
namespace {

using TaskMemoryString = UniqueCoTaskMemory<wchar_t>;

WindowsLaunchPlatform files; // the file system's names and their comparison

// FileIdInfo and FILE_ID_INFO, which the headers show only to programs that require Windows 8.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileIdInformation {
    ULONGLONG volumeSerialNumber;
    std::array<BYTE, 16> fileId;
};

// Nothing for a file that cannot be opened, even for its attributes: it is not the workbook.
std::optional<FileIdentity> IdentityOf(std::wstring_view path) {
    const UniqueKernelHandle file(::CreateFileW(ToExtendedLengthPath(std::wstring(path)).c_str(),
                                                FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION basic{};
    if (!file || !::GetFileInformationByHandle(file.get(), &basic))
        return std::nullopt;
    FileIdentity identity;
    identity.basic.volumeSerialNumber = basic.dwVolumeSerialNumber;
    const ULONGLONG index = (static_cast<ULONGLONG>(basic.nFileIndexHigh) << 32) | basic.nFileIndexLow;
    std::memcpy(identity.basic.id.data(), &index, sizeof index);
    FileIdInformation wide{};
    if (::GetFileInformationByHandleEx(file.get(), kFileIdInfo, &wide, sizeof wide))
        identity.wide = FileId{wide.volumeSerialNumber, wide.fileId};
    identity.path = path;
    return identity;
}

// Two paths of files without a known identity: the same in their long forms. A name that cannot
// be lengthened is compared as it is.
bool SameLongPath(std::wstring_view a, std::wstring_view b) {
    const auto lengthened = [](std::wstring_view path) {
        try {
            return files.LongPathName(path);
        } catch (const PlatformError&) {
            return std::wstring(path);
        }
    };
    return files.SameName(lengthened(a), lengthened(b));
}

std::wstring_view FileNamePart(std::wstring_view path) {
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? path : path.substr(separator + 1);
}

// The names the file goes by in its folder: as given, its long name, its 8.3 alias.
std::array<std::wstring, 3> NamesOf(std::wstring_view fullPath) {
    std::array<std::wstring, 3> names{std::wstring(FileNamePart(fullPath))};
    try {
        names[1] = FileNamePart(files.LongPathName(fullPath));
        names[2] = FileNamePart(files.ShortPathName(fullPath));
    } catch (const PlatformError&) {
    }
    return names;
}

bool AnyNamed(const std::array<std::wstring, 3>& names, std::wstring_view name) {
    return std::any_of(names.begin(), names.end(), [&](const std::wstring& candidate) {
        return !candidate.empty() && files.SameName(candidate, name);
    });
}

// The path a file moniker names; empty for any other kind of moniker.
std::wstring FileMonikerPath(IMoniker& moniker, IBindCtx& context) {
    DWORD kind = MKSYS_NONE;
    if (FAILED(moniker.IsSystemMoniker(&kind)) || kind != MKSYS_FILEMONIKER)
        return {};
    wchar_t* name = nullptr;
    if (FAILED(moniker.GetDisplayName(&context, nullptr, &name)))
        return {};
    const TaskMemoryString owned(name);
    return name != nullptr ? std::wstring(name) : std::wstring();
}

} // namespace

ComPtr<IDispatch> FindRunningFile(std::wstring_view fullPath) {
    ComPtr<IRunningObjectTable> table;
    ThrowIfFailed(::GetRunningObjectTable(0, table.put()));
    ComPtr<IEnumMoniker> entries;
    ThrowIfFailed(table->EnumRunning(entries.put()));
    ComPtr<IBindCtx> context;
    ThrowIfFailed(::CreateBindCtx(0, context.put()));

    const auto names = NamesOf(fullPath);
    std::optional<FileIdentity> wanted;
    ComPtr<IMoniker> moniker;
    while (entries->Next(1, moniker.put(), nullptr) == S_OK) {
        // The name alone first: an entry on an unreachable share must not hold the launch up.
        const std::wstring path = FileMonikerPath(*moniker.get(), *context.get());
        if (path.empty() || !AnyNamed(names, FileNamePart(path)))
            continue;
        if (!wanted)
            wanted = IdentityOf(fullPath);
        if (!wanted)
            return {}; // the workbook itself cannot be reached: nothing can be it
        const auto candidate = IdentityOf(path);
        if (!candidate || !candidate->SameFileAs(*wanted, SameLongPath))
            continue;
        ComPtr<IUnknown> object;
        ThrowIfFailed(table->GetObject(moniker.get(), object.put()));
        ComPtr<IDispatch> dispatch;
        ThrowIfFailed(object->QueryInterface(IID_IDispatch, dispatch.put_void()));
        return dispatch;
    }
    return {};
}

} // namespace quben::win
