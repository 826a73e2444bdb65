#include "launcher/win/form3_window.h"

#include "assets/resource_ids.h"
#include "launcher/design.h"
#include "launcher/win/logo_bitmap.h"
#include "launcher/window_names.h"
#include "platform/win/display_dpi.h"
#include "platform/win/hresult.h"

#include <commdlg.h>
#include <windowsx.h>

#include <cmath>

namespace quben::win {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN; // no caption, border, frame or system menu
constexpr DWORD kExtendedStyle = WS_EX_TOOLWINDOW;   // no taskbar button

HFONT CreateLabelFont(unsigned dpi) {
    const int height =
        -static_cast<int>(std::lround(design::kLabel1FontPoints * static_cast<float>(dpi) / 72.0f));
    return ::CreateFontW(height, 0, 0, 0, design::kLabel1FontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, std::wstring(design::kLabel1FontName).c_str());
}

} // namespace

Form3Window::Form3Window(HINSTANCE instance)
    : instance_(instance), dpi_(PrimaryDisplayDpi()), twipsPerPixel_(TwipsPerPixel(dpi_)),
      screen_(twipsPerPixel_) {}

PixelRect Form3Window::ToPixels(Twips left, Twips top, Twips width, Twips height) const {
    return {TwipsToPixels(left, twipsPerPixel_), TwipsToPixels(top, twipsPerPixel_),
            TwipsToPixels(width, twipsPerPixel_), TwipsToPixels(height, twipsPerPixel_)};
}

bool Form3Window::RegisterClasses() const {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(QUBEN_ICON_GROUP_ID),
                                                        IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)); // fixed, not the scheme's
    windowClass.lpszClassName = kForm3ClassName;
    return ::RegisterClassExW(&windowClass) != 0 && PictureBox::RegisterClass(instance_);
}

bool Form3Window::Create() {
    if (!RegisterClasses())
        return false;
    const PixelRect client = ToPixels(0, 0, design::kFormClientWidth, design::kFormClientHeight);
    const HWND window = ::CreateWindowExW(
        kExtendedStyle, kForm3ClassName, std::wstring(design::kFormCaption).c_str(), kStyle, CW_USEDEFAULT,
        CW_USEDEFAULT, client.width, client.height, nullptr, nullptr, instance_, this);
    if (window == nullptr)
        return false;
    Attach(window, twipsPerPixel_);
    commonDialog1_.SetOwner(window);
    return CreateControls();
}

bool Form3Window::CreateControls() {
    logo_ = LoadLogoBitmap(instance_, QUBEN_LOGO_ID);
    labelFont_.reset(CreateLabelFont(dpi_));
    labelBrush_.reset(::CreateSolidBrush(design::kLabel1BackColour));
    // Created in tab order: Label1, Picture1, Picture2.
    return label1_.Create(
               Handle(), kLabel1Id,
               ToPixels(design::kLabel1Left, design::kLabel1Top, design::kLabel1Width, design::kLabel1Height),
               labelFont_.get(), twipsPerPixel_) &&
           picture1_.Create(Handle(), kPicture1Id,
                            ToPixels(design::kPicture1Left, design::kPicture1Top, design::kPictureWidth,
                                     design::kPictureHeight),
                            logo_.get(), twipsPerPixel_) &&
           picture2_.Create(Handle(), kPicture2Id,
                            ToPixels(design::kPicture2Left, design::kPicture2Top, design::kPictureWidth,
                                     design::kPictureHeight),
                            logo_.get(), twipsPerPixel_);
}

void Form3Window::SetWidth(Twips width) {
    Change([&](PixelRect& r) { r.width = TwipsToPixels(width, twipsPerPixel_); });
}
void Form3Window::SetHeight(Twips height) {
    Change([&](PixelRect& r) { r.height = TwipsToPixels(height, twipsPerPixel_); });
}

void Form3Window::Unload(int exitCode) {
    exitCode_ = exitCode;
    ThrowLastErrorIf(!::DestroyWindow(Handle()));
}

int Form3Window::MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) {
    // A minimised owner would take the box down with it, out of sight; a destroyed one would make
    // the box fail.
    const HWND owner = ::IsWindow(Handle()) && !::IsIconic(Handle()) ? Handle() : nullptr;
    const int answer = ::MessageBoxW(owner, std::wstring(prompt).c_str(), std::wstring(title).c_str(), style);
    ThrowLastErrorIf(answer == 0);
    return answer;
}

void Form3Window::ShowWorking() {
    workingCursor_ = ::LoadCursorW(nullptr, IDC_APPSTARTING);
    ThrowLastErrorIf(workingCursor_ == nullptr);
    ::SetCursor(workingCursor_);
}

void Form3Window::AllowAnyToFront() {
    ThrowLastErrorIf(!::AllowSetForegroundWindow(ASFW_ANY));
}

void Form3Window::BringToFront(std::intptr_t window) {
    // Window handles are 32-bit values even in 64-bit processes, so the number holds one whole.
    const auto handle = reinterpret_cast<HWND>(window);
    DWORD process = 0;
    ThrowLastErrorIf(::GetWindowThreadProcessId(handle, &process) == 0);
    // The foreground process hands the right on to the application's, which may then bring up
    // windows of its own (a form shown by the workbook's macros).
    ::AllowSetForegroundWindow(process);
    if (::IsIconic(handle))
        ::ShowWindow(handle, SW_RESTORE);
    if (!::SetForegroundWindow(handle))
        ThrowPlatformError(E_FAIL);
}

void Form3Window::Minimise() {
    ThrowLastErrorIf(!::IsWindow(Handle()));
    // Activating the next window in line could take the foreground back from the application.
    ::ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
}

HBRUSH Form3Window::OnCtlColorStatic(HWND, HDC dc, HWND control, int) {
    if (control != label1_.Handle())
        return nullptr;
    ::SetTextColor(dc, design::kLabel1ForeColour);
    ::SetBkColor(dc, design::kLabel1BackColour);
    return labelBrush_.get();
}

BOOL Form3Window::OnSetCursor(HWND window, HWND cursorWindow, UINT hitTest, UINT mouseMessage) {
    if (workingCursor_ == nullptr || hitTest != HTCLIENT)
        return FORWARD_WM_SETCURSOR(window, cursorWindow, hitTest, mouseMessage, ::DefWindowProcW);
    ::SetCursor(workingCursor_);
    return TRUE;
}

// Alt+F4, "Fermer la fenêtre": during a launch the launch ends itself, as soon as it can and with
// exit code 1; before and after it the window goes at once. (Task Manager's "Fin de tâche" ends the
// process outright: nothing here runs.)
void Form3Window::OnClose(HWND window) {
    if (!starter_.Cancel())
        FORWARD_WM_CLOSE(window, ::DefWindowProcW);
}

// Log-off, shut-down, Restart Manager: the session may end, but another program or the user can
// still refuse; only the end itself stops a launch under way.
BOOL Form3Window::OnQueryEndSession(HWND) {
    return TRUE;
}

// The session-ended event is written inside: once this returns, the process may end at any moment.
void Form3Window::OnEndSession(HWND, BOOL ending) {
    if (ending)
        starter_.Cancel(CancelReason::SessionEnded);
}

// The window is the only one: when it goes, the process ends.
void Form3Window::OnDestroy(HWND) {
    ::PostQuitMessage(exitCode_);
}

// The open-file dialog's Help button. The box belongs to the dialog, which stays open behind it.
void Form3Window::OnDialogHelp(HWND dialog) {
    const HWND owner = ::IsWindow(dialog) ? dialog : Handle();
    ::MessageBoxW(owner, std::wstring(design::kDialogHelpText).c_str(), std::wstring(kMessageTitle).c_str(),
                  design::kDialogHelpBoxStyle);
}

LRESULT Form3Window::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Registered, so known only at run time; sent to the dialog's owner. wParam is the dialog.
    static const UINT helpMessage = ::RegisterWindowMessageW(HELPMSGSTRINGW);
    if (message == helpMessage && helpMessage != 0) {
        OnDialogHelp(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    switch (message) {
        HANDLE_MSG(window, WM_CTLCOLORSTATIC, OnCtlColorStatic);
        HANDLE_MSG(window, WM_SETCURSOR, OnSetCursor);
        HANDLE_MSG(window, WM_CLOSE, OnClose);
        HANDLE_MSG(window, WM_QUERYENDSESSION, OnQueryEndSession);
        HANDLE_MSG(window, WM_ENDSESSION, OnEndSession);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK Form3Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form3Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->HandleMessage(window, message, wParam, lParam)
                           : ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace quben::win
