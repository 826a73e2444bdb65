#pragma once
// The texts of the launcher's boxes: an exact first line, then each part after a blank line.

#include "launch/launch_ending.h"
#include "launch/launch_platform.h"
#include "platform/function_ref.h"
#include "platform/platform_error.h"

#include <string>
#include <string_view>

namespace quben {

// Whether a creation failed because the application, started, refused it (RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER) or did not complete it (CO_E_SERVER_EXEC_FAILURE, while
// `stillRunning` says its process is there: the same code also says it exited or crashed before
// it registered): trying again would start a second one.
bool StartedButNotAnswering(std::int32_t status, FunctionRef<bool()> stillRunning);
// What the download question shows of the address a workbook was downloaded from: its scheme and
// host; empty when unknown.
std::wstring ShownSource(std::wstring_view hostUrl);
// Whether to unblock and open a workbook from the Internet, downloaded from `hostUrl` (empty when
// unknown), of which only the scheme and host are shown.
std::wstring DownloadedQuestion(std::wstring_view hostUrl);
// The box of an ending: its first line, then what its row says follows. `path` is the workbook as
// chosen, not the name the application was given; `failure` what ended the launch.
std::wstring BoxText(const EndingRow& row, std::wstring_view path, const PlatformError& failure,
                     LaunchPlatform& platform);

} // namespace quben
