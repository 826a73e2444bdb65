#pragma once

#include "launch/spreadsheet_host.h"

namespace quben::win {

// The spreadsheet application reached through automation: class Excel.Application, every call
// late-bound through IDispatch with the US English locale.
class ExcelHost final : public SpreadsheetHost {
public:
    std::unique_ptr<SpreadsheetApplication> CreateApplication() override;
};

} // namespace quben::win
