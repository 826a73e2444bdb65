#include "launch/win/excel_host.h"

#include "launch/launch_wait.h"
#include "launch/win/running_workbooks.h"
#include "platform/platform_error.h"
#include "platform/win/dispatch_object.h"
#include "platform/win/hresult.h"
#include "platform/win/off_thread_call.h"

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

// A new object of the application's class, for the calling (single-threaded) apartment. The
// application may take long to register its class (a window of its own first): the creation runs
// on a thread and in an apartment of its own, and the caller waits through `busy.AwaitPending`,
// its window answering meanwhile. Never abandoned: the instance it makes must be told to quit if
// the launch ends. Throws PlatformError with the creation's own status.
ComPtr<IDispatch> CreateApplicationObject(BusyPolicy& busy) {
    return CallOffThread(
        [](const std::atomic<bool>&) {
            ComPtr<IDispatch> object;
            ThrowIfFailed(::CoCreateInstance(kExcelApplicationClass, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IDispatch, object.put_void()));
            return object;
        },
        [&busy](std::chrono::steady_clock::duration elapsed) -> HRESULT {
            busy.AwaitPending(elapsed);
            return S_OK;
        });
}

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

// A refused call made off the window's thread is made again for as long as the caller waits.
class OffThreadRetry final : public BusyPolicy {
public:
    explicit OffThreadRetry(const std::atomic<bool>& abandoned) : abandoned_(abandoned) {}
    bool WaitToRetry() override {
        ::Sleep(static_cast<DWORD>(kBusyRetryPause.count()));
        return !abandoned_.load();
    }
    void Answered() override {}
    bool AwaitPending(std::chrono::steady_clock::duration) override { return !abandoned_.load(); }

private:
    const std::atomic<bool>& abandoned_;
};

// The application that holds a workbook, as the lookup saw it off the window's thread: whether
// it is visible, and its main window. Nothing more is asked of it from the window's thread.
class HolderAsFound final : public SpreadsheetApplication {
public:
    HolderAsFound(bool visible, std::intptr_t window) : visible_(visible), window_(window) {}
    std::wstring Version() override { ThrowPlatformError(E_NOTIMPL); }
    void SetAutomationSecurity(std::int32_t) override { ThrowPlatformError(E_NOTIMPL); }
    void SetDisplayAlerts(bool) override { ThrowPlatformError(E_NOTIMPL); }
    void SetVisible(bool) override { ThrowPlatformError(E_NOTIMPL); }
    bool Visible() override { return visible_; }
    std::unique_ptr<WorkbookCollection> Workbooks() override { ThrowPlatformError(E_NOTIMPL); }
    std::intptr_t Hwnd() override { return window_; }
    void Quit() override { ThrowPlatformError(E_NOTIMPL); }

private:
    bool visible_;
    std::intptr_t window_;
};

class FoundWorkbook final : public Workbook {
public:
    FoundWorkbook(DispatchObject workbook, bool visible, std::intptr_t window)
        : workbook_(std::move(workbook)), visible_(visible), window_(window) {}
    void RunAutoMacros(std::int32_t which) override { workbook_.RunAutoMacros(which); }
    bool ReadOnly() override { return workbook_.ReadOnly(); }
    void Activate() override { workbook_.Activate(); }
    std::unique_ptr<SpreadsheetApplication> Application() override {
        return std::make_unique<HolderAsFound>(visible_, window_);
    }

private:
    ExcelWorkbook workbook_;
    bool visible_;
    std::intptr_t window_;
};

} // namespace

std::unique_ptr<SpreadsheetApplication> ExcelHost::CreateApplication(BusyPolicy& busy) {
    // Made once, whatever it answers: a second attempt could start a second application.
    return std::make_unique<ExcelApplication>(
        DispatchObject(CreateApplicationObject(busy), kLocaleUsEnglish, busy));
}

// The table's entries, their files' identities (a share that does not answer) and the holder
// (busy with a long macro) may each keep a call from returning: the lookup runs off the window's
// thread, and after kLookupLimit, or once the launch is cancelled, it is left behind.
std::unique_ptr<Workbook> ExcelHost::FindOpenWorkbook(std::wstring_view fullPath, BusyPolicy& busy) {
    struct Holder {
        bool visible = false;
        std::intptr_t window = 0;
    };
    auto holder = std::make_shared<Holder>();
    ComPtr<IDispatch> workbook = CallOffThread(
        [path = std::wstring(fullPath), holder](const std::atomic<bool>& abandoned) {
            ComPtr<IDispatch> found = FindRunningFile(path);
            if (!found)
                return found;
            OffThreadRetry retry(abandoned);
            const auto application =
                ExcelWorkbook(DispatchObject(found, kLocaleUsEnglish, retry)).Application();
            holder->visible = application->Visible();
            if (holder->visible)
                holder->window = application->Hwnd();
            return found;
        },
        [&busy](std::chrono::steady_clock::duration elapsed) -> HRESULT {
            if (elapsed >= kLookupLimit)
                return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
            return busy.AwaitPending(elapsed) ? S_OK : E_ABORT;
        });
    if (!workbook)
        return nullptr;
    return std::make_unique<FoundWorkbook>(DispatchObject(std::move(workbook), kLocaleUsEnglish, busy),
                                           holder->visible, holder->window);
}

} // namespace quben::win
