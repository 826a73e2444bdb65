#include "launch/win/zone_identifier_stream.h"

#include "launch/extended_length_path.h"
#include "launch/win/windows_launch_platform.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {
namespace {

constexpr std::wstring_view kStreamSuffix = L":Zone.Identifier";

// The stream's own name decides whether the extended-length form is needed: a file path just
// under the classic limit can give a stream name beyond it.
std::wstring StreamName(std::wstring_view fullPath) {
    std::wstring name(fullPath);
    name += kStreamSuffix;
    return ToExtendedLengthPath(std::move(name));
}

// No stream: none was written, or the medium has no streams to write one in. ERROR_INVALID_NAME is
// such a medium (FAT takes no ':' in a name) and nothing else: a name with wildcards, characters no
// file name holds or a device form never gets this far (NamesOneFile, the dialog, Exists).
bool IsNoStream(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_NOT_SUPPORTED;
}

} // namespace

std::optional<std::string> WindowsLaunchPlatform::ReadDownloadMark(std::wstring_view fullPath) {
    const std::wstring stream = StreamName(fullPath);
    // FILE_SHARE_DELETE: reading the mark must not stop someone else from removing it meanwhile.
    const UniqueKernelHandle file(::CreateFileW(stream.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (IsNoStream(::GetLastError()))
            return std::nullopt;
        ThrowLastError(); // there, but held by someone else or refused: it still marks the file
    }
    std::string bytes(kMaxZoneIdentifierBytes, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD read = 0;
        ThrowLastErrorIf(!::ReadFile(file.get(), bytes.data() + filled,
                                     static_cast<DWORD>(bytes.size() - filled), &read, nullptr));
        if (read == 0)
            break; // end of the stream
        filled += read;
    }
    bytes.resize(filled);
    return bytes;
}

void WindowsLaunchPlatform::RemoveDownloadMark(std::wstring_view fullPath) {
    const std::wstring stream = StreamName(fullPath);
    if (::DeleteFileW(stream.c_str()))
        return;
    // Removed by someone else since it was read: the file is unmarked, which is all that was asked.
    ThrowLastErrorIf(::GetLastError() != ERROR_FILE_NOT_FOUND);
}

} // namespace quben::win
