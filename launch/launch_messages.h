#pragma once
// The messages of a failed launch: an exact first line, a blank line, then the details.

#include "launch/launch_platform.h"
#include "platform/platform_error.h"

#include <string>
#include <string_view>

namespace quben {

// The application could not be created.
std::wstring NotStartedMessage(const PlatformError& error, LaunchPlatform& platform);
// Whether a creation failed because the application, started, refused or did not complete it
// (CO_E_SERVER_EXEC_FAILURE, RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER): trying again
// would start a second one.
bool StartedButNotAnswering(std::int32_t status);
// The application was started but did not answer its creation.
std::wstring NotReadyMessage();
// The application did not open the workbook at `path` (the path as chosen, not the name it was given).
std::wstring NotOpenedMessage(std::wstring_view path, const PlatformError& error, LaunchPlatform& platform);
// What the download question shows of the address a workbook was downloaded from: its scheme and
// host; empty when unknown.
std::wstring ShownSource(std::wstring_view hostUrl);
// What the location question shows of a workbook's path: "\\server" for "\\server\share\…" or
// "\\?\UNC\server\share\…"; empty for a drive.
std::wstring ServerOf(std::wstring_view path);
// Whether to unblock and open a workbook from the Internet, downloaded from `hostUrl` (empty when
// unknown), of which only the scheme and host are shown.
std::wstring DownloadedQuestion(std::wstring_view hostUrl);
// Whether to open a workbook that is on the Internet because of where it is: the server its path
// names is shown (nothing of the share or the rest of the path).
std::wstring LocationQuestion(std::wstring_view path);
// The application refused calls for the whole of the launch's limit.
std::wstring NotRespondingMessage();
// The application opened the workbook read-only because someone else has it open.
std::wstring HeldElsewhereMessage();
// A workbook from the Internet that the organisation does not let users unblock.
std::wstring ForbiddenMessage();
// The organisation does not allow the application's macros on this computer.
std::wstring MacrosDisabledMessage();
// The workbook's path is too long for the application even with its folder shortened.
std::wstring TooLongMessage(std::wstring_view path);

} // namespace quben
