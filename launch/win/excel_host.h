#pragma once

#include "launch/spreadsheet_host.h"
#include "platform/win/message_pumping_wait.h"

namespace quben::win {

// The spreadsheet application reached through automation: class Excel.Application, every call
// late-bound through IDispatch with the US English locale, and made again while the application
// is busy. Outlives the applications it creates.
class ExcelHost final : public SpreadsheetHost {
public:
    std::unique_ptr<SpreadsheetApplication> CreateApplication() override;

private:
    MessagePumpingWait busyWait_;
};

} // namespace quben::win
