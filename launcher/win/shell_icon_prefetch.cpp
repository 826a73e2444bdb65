#include "launcher/win/shell_icon_prefetch.h"

#include "platform/win/com_apartment.h"

#include <shellapi.h>
#include <shlobj.h>

namespace quben::win {
namespace {

DWORD WINAPI FillSystemImageList(void*) {
    // The shell wants COM on the calling thread.
    const ComApartment com;
    // The desktop's item list is the empty one. Its small icon is what the dialog asks for first,
    // and the first request builds the list with the shell's default icons.
    const ITEMIDLIST desktop{};
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(&desktop), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return 0;
}

} // namespace

ShellIconPrefetch::ShellIconPrefetch()
    : thread_(::CreateThread(nullptr, 0, FillSystemImageList, nullptr, 0, nullptr)) {}

ShellIconPrefetch::~ShellIconPrefetch() {
    // The worker is done within milliseconds, long before the launcher ends; the bound only keeps
    // a shell that never answers from holding the process.
    constexpr DWORD kWorkerTimeoutMs = 10000;
    if (thread_)
        ::WaitForSingleObject(thread_.get(), kWorkerTimeoutMs);
}

} // namespace quben::win
