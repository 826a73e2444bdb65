#include "launch/start_workbook.h"

#include "platform/independent_steps.h"

namespace quben {

// Alerts left off would let a later Quit, or the close of a workbook, lose the user's work
// unasked. The application may have finished what kept it busy while the box was up: one call,
// no waiting, and the IT department hears of a second failure.
void WorkbookStarter::GiveAlertsBackOnceMore(int exitCode) noexcept {
    if (!alertsFailure_ || !hostReference_)
        return;
    wait_.Stop();
    alertsFailure_ = Attempt([&] { hostReference_->SetDisplayAlerts(true); });
    if (alertsFailure_)
        Journal(LaunchEnding::AlertsOff, exitCode, alertsFailure_, {});
}

} // namespace quben
