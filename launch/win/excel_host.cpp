#include "launch/win/excel_host.h"

#include "launch/win/running_workbooks.h"
#include "platform/win/dispatch_object.h"
#include "platform/win/local_server.h"

namespace quben::win {
namespace {

// {00024500-0000-0000-C000-000000000046}
constexpr CLSID kExcelApplicationClass = {
    0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr LCID kLocaleUsEnglish = 1033;

// Open's parameters, in order: Filename, UpdateLinks, ReadOnly, Format, Password, then ten more
// that are left out altogether: the oldest versions of the application know only some of them.
// ReadOnly is given only when the user asked for it.
constexpr int kOmittedBeforePassword = 3;

class ExcelApplication final : public SpreadsheetApplication {
public:
    explicit ExcelApplication(DispatchObject application) : application_(std::move(application)) {}
    std::wstring Version() override { return application_.GetString(L"Version"); }
    void SetAutomationSecurity(std::int32_t security) override {
        DispatchArguments value;
        application_.PutProperty(L"AutomationSecurity", value.Int32(security));
    }
    void SetDisplayAlerts(bool displayAlerts) override {
        DispatchArguments value;
        application_.PutProperty(L"DisplayAlerts", value.Boolean(displayAlerts));
    }
    void SetVisible(bool visible) override {
        DispatchArguments value;
        application_.PutProperty(L"Visible", value.Boolean(visible));
    }
    bool Visible() override { return application_.GetInteger(L"Visible") != 0; }
    std::unique_ptr<WorkbookCollection> Workbooks() override;
    std::intptr_t Hwnd() override { return static_cast<std::intptr_t>(application_.GetInteger(L"Hwnd")); }
    void Quit() override {
        DispatchArguments none;
        application_.Call(L"Quit", none);
    }

private:
    DispatchObject application_;
};

class ExcelWorkbook final : public Workbook {
public:
    explicit ExcelWorkbook(DispatchObject workbook) : workbook_(std::move(workbook)) {}
    void RunAutoMacros(std::int32_t which) override {
        DispatchArguments arguments;
        workbook_.Call(L"RunAutoMacros", arguments.Int32(which));
    }
    bool ReadOnly() override { return workbook_.GetInteger(L"ReadOnly") != 0; }
    void Activate() override {
        DispatchArguments none;
        workbook_.Call(L"Activate", none);
    }
    std::unique_ptr<SpreadsheetApplication> Application() override {
        return std::make_unique<ExcelApplication>(workbook_.GetObject(L"Application"));
    }

private:
    DispatchObject workbook_;
};

class ExcelWorkbooks final : public WorkbookCollection {
public:
    explicit ExcelWorkbooks(DispatchObject workbooks) : workbooks_(std::move(workbooks)) {}
    std::unique_ptr<Workbook> Open(std::wstring_view filename, std::wstring_view password,
                                   bool readOnly) override {
        DispatchArguments arguments;
        if (readOnly)
            arguments.String(filename).Omitted().Boolean(true).Omitted().String(password);
        else
            arguments.String(filename).Omitted(kOmittedBeforePassword).String(password);
        return std::make_unique<ExcelWorkbook>(workbooks_.CallForObject(L"Open", arguments));
    }

private:
    DispatchObject workbooks_;
};

std::unique_ptr<WorkbookCollection> ExcelApplication::Workbooks() {
    return std::make_unique<ExcelWorkbooks>(application_.GetObject(L"Workbooks"));
}

} // namespace

std::unique_ptr<SpreadsheetApplication> ExcelHost::CreateApplication(BusyPolicy& busy) {
    // Made once, whatever it answers: a second attempt could start a second application.
    return std::make_unique<ExcelApplication>(
        DispatchObject(CreateLocalServerObject(kExcelApplicationClass, busy), kLocaleUsEnglish, busy));
}

std::unique_ptr<Workbook> ExcelHost::FindOpenWorkbook(std::wstring_view fullPath, BusyPolicy& busy) {
    ComPtr<IDispatch> workbook = FindRunningFile(fullPath);
    if (!workbook)
        return nullptr;
    return std::make_unique<ExcelWorkbook>(DispatchObject(std::move(workbook), kLocaleUsEnglish, busy));
}

} // namespace quben::win
