#pragma once

#include "launch/spreadsheet_host.h"

namespace quben::win {

// The spreadsheet application reached through automation: class Excel.Application, every call
// late-bound through IDispatch with the US English locale, and made again while the application
// is busy. A workbook open in a running application is found in the Running Object Table, off the
// window's thread.
class ExcelHost final : public SpreadsheetHost {
public:
    std::unique_ptr<SpreadsheetApplication> CreateApplication(BusyPolicy& busy) override;
    std::unique_ptr<Workbook> FindOpenWorkbook(std::wstring_view fullPath, BusyPolicy& busy) override;
};

} // namespace quben::win
