#include "server_process.h"

#include "application.h"
#include "class_factory.h"

#include "launcher/window_names.h"

#include <utility>

namespace standin {

namespace {

// A server started for a client that never asked for an object would otherwise wait forever.
constexpr UINT kUnusedServerTimeoutMs = 60'000;

// "launcher=shown", "launcher=minimised", "launcher=hidden" or "launcher=none".
std::wstring LauncherState() {
    const HWND launcher = FindWindowW(quben::kForm3ClassName, nullptr);
    if (launcher == nullptr)
        return L"launcher=none";
    if (IsIconic(launcher))
        return L"launcher=minimised";
    return IsWindowVisible(launcher) ? L"launcher=shown" : L"launcher=hidden";
}

// Milliseconds since this process was created.
ULONGLONG ProcessAgeMs() {
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10'000 : 0;
}

} // namespace

ServerProcess::ServerProcess(const Journal& journal, Faults faults, StartMode mode)
    : Host(journal, std::move(faults)), mode_(mode), busyFilter_(journal, LauncherState) {
    const ULONGLONG age = ProcessAgeMs();
    if (this->faults().busyFromStartMs > age)
        busyFilter_.busyFor(static_cast<unsigned>(this->faults().busyFromStartMs - age));
}

void ServerProcess::objectReleased() {
    if (--references_ == 0)
        checkIdle();
}

void ServerProcess::checkIdle() {
    // Started by a user, only Quit or its window's closing ends it.
    if (references_ == 0 && !visible_ && (mode_ == StartMode::Embedding || quit_))
        end();
}

void ServerProcess::end() {
    if (ending_)
        return;
    ending_ = true;
    PostQuitMessage(0);
}

void ServerProcess::visibilityChanged(bool visible) {
    visible_ = visible;
    if (window_)
        window_->show(visible);
    journal().event(L"visible", {visible ? L"true" : L"false"});
    // Like the real application, which loads its add-ins once it is shown.
    if (visible && faults().busyAfterVisibleMs > 0)
        busyFilter_.busyFor(faults().busyAfterVisibleMs);
    if (!visible)
        checkIdle();
}

LONG ServerProcess::windowHandle() const {
    // The application reports its window as a 32-bit number, which a window handle always fits.
    return window_ ? static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_->handle())) : 0;
}

void ServerProcess::activeWorkbookChanged(std::wstring_view name) {
    if (window_)
        window_->setWorkbookName(name);
}

void ServerProcess::noteForeground(std::wstring_view moment) const {
    const HWND front = GetForegroundWindow();
    wchar_t frontClass[64] = L"";
    if (front != nullptr)
        GetClassNameW(front, frontClass, 64);
    const bool self = window_ != nullptr && front == window_->handle();
    journal().event(L"front", {std::wstring(moment), self ? L"self" : L"other=" + std::wstring(frontClass),
                               LauncherState()});
}

void ServerProcess::crash(std::wstring_view member) {
    journal().event(L"crash", {std::wstring(member)});
    for (ClassRegistration* registration : registrations_)
        registration->revoke();
    TerminateProcess(GetCurrentProcess(), 3);
}

void ServerProcess::closeWindow() {
    if (std::exchange(prompting_, false))
        return;
    if (visible_) {
        visible_ = false;
        window_->show(false);
        journal().event(L"visible", {L"false"});
    }
    // Closing the window ends the application even if clients still hold objects.
    end();
}

int ServerProcess::run(HINSTANCE instance, std::wstring_view workbookPath) {
    // Declared before the apartment: CoUninitialize releases what clients left, then the objects go.
    Application application(*this);
    Global global(*this, application);
    MainWindow window(
        instance, mode_ == StartMode::User, [this] { closeWindow(); },
        [this] { noteForeground(L"activated"); });
    window_ = &window;

    ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (FAILED(apartment.result()))
        return 1;
    MessageFilterRegistration filterRegistration(&busyFilter_);
    ClassFactory applicationFactory(*this, L"Application", application);
    ClassFactory globalFactory(*this, L"Global", global);
    const unsigned late = mode_ == StartMode::Embedding ? faults().registerAfterMs : 0;
    if (late > 0) {
        // Its window answers meanwhile, as a prompt the application shows while it starts does.
        window.show(true);
        prompting_ = true;
        for (const ULONGLONG end = GetTickCount64() + late; prompting_ && GetTickCount64() < end; Sleep(10))
            for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&message);
        prompting_ = false;
        window.show(false);
    }
    ClassRegistration applicationRegistration;
    // Single use: the next creation starts another process, as the real application does.
    if (mode_ == StartMode::Embedding)
        applicationRegistration = ClassRegistration(kApplicationClass, &applicationFactory, REGCLS_SINGLEUSE);
    ClassRegistration globalRegistration(kGlobalClass, &globalFactory, REGCLS_MULTIPLEUSE);
    registrations_ = {&applicationRegistration, &globalRegistration};
    if (late > 0)
        journal().event(L"registered", {LauncherState()});

    if (mode_ == StartMode::Embedding) {
        SetTimer(nullptr, 0, kUnusedServerTimeoutMs, nullptr);
    } else {
        application.setVisible(!faults().hidden);
        if (!workbookPath.empty())
            application.workbooks().open(workbookPath, std::nullopt, Workbooks::PasswordPolicy::Skip);
        if (faults().hidden)
            journal().event(L"visible", {L"false"});
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_TIMER)
            checkIdle();
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The workbooks close with the application: their table entries go while COM is still up.
    application.workbooks().closeAll();
    registrations_.clear();
    return 0;
}

} // namespace standin
