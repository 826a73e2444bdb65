#include "launch/start_workbook.h"

#include "platform/independent_steps.h"

namespace quben {
namespace {

// The application's process has gone (exited, crashed, ended by the user): no alerts are left to
// give back, and nothing is worth a warning.
bool ApplicationGone(std::int32_t status) {
    constexpr auto kDisconnected = static_cast<std::int32_t>(0x80010108);      // RPC_E_DISCONNECTED
    constexpr auto kServerUnavailable = static_cast<std::int32_t>(0x800706BA); // RPC_S_SERVER_UNAVAILABLE
    constexpr auto kCallFailed = static_cast<std::int32_t>(0x800706BE);        // RPC_S_CALL_FAILED
    return status == kDisconnected || status == kServerUnavailable || status == kCallFailed;
}

} // namespace

// Alerts left off would let a later Quit, or the close of a workbook, lose the user's work
// unasked. The application may have finished what kept it busy while the box was up: one call,
// no waiting, and the IT department hears of a second failure.
void WorkbookStarter::GiveAlertsBackOnceMore(int exitCode) noexcept {
    if (!instance_.alertsFailure || !instance_.reference || ApplicationGone(instance_.alertsFailure->status))
        return;
    wait_.Stop();
    instance_.alertsFailure = Attempt([&] { instance_.reference->SetDisplayAlerts(true); });
    if (instance_.alertsFailure && !ApplicationGone(instance_.alertsFailure->status))
        LogEvent(LaunchEnding::AlertsOff, exitCode, instance_.alertsFailure, {});
}

} // namespace quben
