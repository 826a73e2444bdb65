// The launcher window, Form3: one handler per message. The whole launch runs inside the load
// sequence (FormLoad, called by wWinMain before its message loop), and every wait of the launch
// pumps this window's messages itself: the handlers below are re-entered from those nested pumps,
// a close in the middle of a step included, which is why OnClose only asks the launch to end.
#include "launcher/win/form3_window.h"

#include "assets/resource_ids.h"
#include "launcher/design.h"
#include "launcher/form_load.h"
#include "launcher/win/box_placement.h"
#include "launcher/win/logo_bitmap.h"
#include "launcher/window_names.h"
#include "platform/function_ref.h"
#include "platform/independent_steps.h"
#include "platform/win/display_dpi.h"
#include "platform/win/hresult.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quben::win {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;  // no caption, border, frame or system menu
constexpr DWORD kExtendedStyle = WS_EX_TOOLWINDOW;    // no taskbar button, while it covers the screen
constexpr UINT kDpiChanged = 0x02E0;                  // WM_DPICHANGED, Windows 8.1 and later
constexpr UINT kBringApplicationForward = WM_APP + 1; // posted: a restore was refused

bool HighContrastOn() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof highContrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
           (highContrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

std::optional<SchemeInk> SchemeInkOf(const DisplayState& display) {
    if (!display.highContrast)
        return std::nullopt;
    return SchemeInk{display.window, display.windowText};
}

COLORREF Resolve(design::ColourRef colour) {
    return (colour & 0x80000000u) != 0 ? ::GetSysColor(static_cast<int>(colour & 0xFFu)) : colour;
}

HFONT CreateLabelFont(unsigned dpi) {
    const int height =
        -static_cast<int>(std::lround(design::kLabel1FontPoints * static_cast<float>(dpi) / 72.0f));
    return ::CreateFontW(height, 0, 0, 0, design::kLabel1FontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, std::wstring(design::kLabel1FontName).c_str());
}

// What a search among top-level windows looks for, and the first visible one it found.
struct WindowSearch {
    // `accepts` refers to a callable that must outlive the search.
    explicit WindowSearch(FunctionRef<bool(HWND)> accepts) : wanted(accepts) {}
    FunctionRef<bool(HWND)> wanted;
    HWND found = nullptr;
};

BOOL CALLBACK TakeFirstVisibleWanted(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    if (!::IsWindowVisible(window) || !search.wanted(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

// The first visible top-level window of a process, in Z order: the one it showed last.
HWND ShownWindowOf(DWORD process) {
    const auto ofProcess = [&](HWND window) {
        DWORD owner = 0;
        return ::GetWindowThreadProcessId(window, &owner) != 0 && owner == process;
    };
    WindowSearch search{ofProcess};
    if (process != 0)
        ::EnumWindows(TakeFirstVisibleWanted, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible top-level window of this thread besides the form: a box of the launch's, waiting.
HWND OwnBoxBesides(HWND form) {
    const auto notForm = [&](HWND window) { return window != form; };
    WindowSearch search{notForm};
    ::EnumThreadWindows(::GetCurrentThreadId(), TakeFirstVisibleWanted, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Only the foreground process may hand the foreground on; it hands the right to the window's
// process too, which may then bring up windows of its own (a form shown by the workbook's macros).
bool HandForegroundTo(HWND window) {
    DWORD process = 0;
    ThrowLastErrorIf(::GetWindowThreadProcessId(window, &process) == 0);
    ::AllowSetForegroundWindow(process);
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    return ::SetForegroundWindow(window) != FALSE;
}

} // namespace

Form3Window::Form3Window(HINSTANCE instance) : instance_(instance) {
    const HMONITOR monitor = MonitorScreen::UnderPointer();
    UseMonitor(monitor, MonitorDpi(monitor));
}

void Form3Window::UseMonitor(HMONITOR monitor, unsigned dpi) {
    dpi_ = dpi;
    twipsPerPixel_ = TwipsPerPixel(dpi);
    screen_.Set(monitor, twipsPerPixel_);
}

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
    windowClass.hbrBackground = nullptr; // the chosen colours, see OnEraseBkgnd
    windowClass.lpszClassName = kForm3ClassName;
    return ::RegisterClassExW(&windowClass) != 0 && PictureBox::RegisterClass(instance_);
}

bool Form3Window::Create() {
    if (!RegisterClasses())
        return false;
    const PixelRect client = ToPixels(0, 0, design::kFormClientWidth, design::kFormClientHeight);
    // Created on its monitor, so that the system has no other DPI to bring it.
    POINT origin{CW_USEDEFAULT, CW_USEDEFAULT};
    RunStep([&] { origin = screen_.Origin(); });
    const HWND window =
        ::CreateWindowExW(kExtendedStyle, kForm3ClassName, std::wstring(design::kFormCaption).c_str(), kStyle,
                          origin.x, origin.y, client.width, client.height, nullptr, nullptr, instance_, this);
    if (window == nullptr)
        return false;
    UseMonitor(screen_.Monitor(), WindowDpi(window));
    Attach(window, twipsPerPixel_);
    display_ = ReadDisplay();
    ChooseColours();
    commonDialog1_.SetOwner(window);
    if (!CreateControls())
        return false;
    // Its title stays the design's; assistive technology reads these names instead.
    RunStep([&] { accessibleNames_.SetName(window, design::kFormAccessibleName); });
    RunStep([&] { accessibleNames_.SetLiveRegion(status_); });
    for (const HWND picture : {picture1_.Handle(), picture2_.Handle()}) {
        RunStep([&] { accessibleNames_.SetName(picture, design::kPictureAccessibleName); });
        RunStep([&] { accessibleNames_.SetGraphic(picture); });
    }
    return true;
}

bool Form3Window::CreateControls() {
    logo_ = LoadLogoBitmap(instance_, dpi_, SchemeInkOf(display_));
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
                            logo_.get(), twipsPerPixel_) &&
           CreateStatus();
}

// Hidden until the application starts; what it says is its name for assistive technology too.
bool Form3Window::CreateStatus() {
    status_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance_, nullptr);
    if (status_ == nullptr)
        return false;
    ::SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
    return true;
}

void Form3Window::PlaceStatus() {
    RECT client{};
    RECT logo{};
    ::GetClientRect(Handle(), &client);
    ::GetWindowRect(picture1_.Handle(), &logo);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&logo), 2);
    TEXTMETRICW metrics{};
    {
        WindowDc dc(status_);
        SelectedObject selected(dc.get(), labelFont_.get());
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    const int height = metrics.tmHeight + metrics.tmExternalLeading;
    const int top = logo.bottom + std::max<int>(0, (client.bottom - logo.bottom - height) / 2);
    ::SetWindowPos(status_, nullptr, 0, top, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form3Window::SetLeft(Twips left) {
    const int origin = screen_.Origin().x;
    Change([&](PixelRect& r) { r.left = origin + TwipsToPixels(left, twipsPerPixel_); });
}
void Form3Window::SetTop(Twips top) {
    const int origin = screen_.Origin().y;
    Change([&](PixelRect& r) { r.top = origin + TwipsToPixels(top, twipsPerPixel_); });
}
void Form3Window::SetWidth(Twips width) {
    Change([&](PixelRect& r) { r.width = TwipsToPixels(width, twipsPerPixel_); });
}
void Form3Window::SetHeight(Twips height) {
    Change([&](PixelRect& r) { r.height = TwipsToPixels(height, twipsPerPixel_); });
}

// The monitor's rectangle, the DPI it is laid out at and the scheme's colours.
DisplayState Form3Window::ReadDisplay() const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(screen_.Monitor(), &info);
    const RECT& r = info.rcMonitor;
    return {r.left,
            r.top,
            r.right,
            r.bottom,
            dpi_,
            HighContrastOn(),
            ::GetSysColor(COLOR_WINDOW),
            ::GetSysColor(COLOR_WINDOWTEXT)};
}

// The picture boxes always take the scheme's Window colour, which both choices give them.
void Form3Window::ChooseColours() {
    colours_ = ChooseSurfaceColours(display_.highContrast);
    formBrush_.reset(::CreateSolidBrush(Resolve(colours_.form)));
}

void Form3Window::FollowDisplay(unsigned dpi) {
    // The layout's own moves may bring a change of their own: the one under way covers it. A
    // minimised window stays where the system keeps it, until it is restored.
    if (followingDisplay_)
        return;
    if (::IsIconic(Handle())) {
        displayChangedWhileMinimised_ = true;
        return;
    }
    const HMONITOR monitor = ::MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY);
    const unsigned previousDpi = dpi_;
    UseMonitor(monitor, dpi != 0 ? dpi : WindowDpi(Handle()));
    const DisplayState now = ReadDisplay();
    const DisplayFollowUp followUp = FollowUp(display_, now);
    if (!followUp.layOut)
        return;
    followingDisplay_ = true;
    display_ = now;
    // Nothing is drawn until every control is in its place: then the whole window, once.
    RECT before{};
    ::GetWindowRect(Handle(), &before);
    ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    ChooseColours();
    if (dpi_ != previousDpi)
        ScaleControls();
    if (followUp.redrawLogo)
        DrawLogos();
    LayOut(*this);
    PlaceStatus();
    ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    // Moved while drawing was off, it leaves its old place for the windows under it to draw.
    RECT after{};
    ::GetWindowRect(Handle(), &after);
    if (!::EqualRect(&before, &after))
        ::RedrawWindow(nullptr, &before, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    followingDisplay_ = false;
}

// Twips measure other pixels: the boxes keep their size in twips, and the label's font its points.
void Form3Window::ScaleControls() {
    Rescale(twipsPerPixel_);
    label1_.Rescale(twipsPerPixel_);
    picture1_.Rescale(twipsPerPixel_);
    picture2_.Rescale(twipsPerPixel_);
    UniqueHfont font(CreateLabelFont(dpi_));
    for (const HWND text : {label1_.Handle(), status_})
        ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    labelFont_ = std::move(font); // the label and the status no longer use the previous one
}

// The logo drawn anew at the display's scale, in the scheme's colours where high contrast is on.
void Form3Window::DrawLogos() {
    UniqueHbitmap logo = LoadLogoBitmap(instance_, dpi_, SchemeInkOf(display_));
    const PixelRect box = ToPixels(0, 0, design::kPictureWidth, design::kPictureHeight);
    for (PictureBox* picture : {&picture1_, &picture2_})
        RunStep([&] { picture->Replace(logo.get(), box.width, box.height); });
    logo_ = std::move(logo); // the boxes no longer draw the previous one
}

void Form3Window::Unload(int exitCode) {
    exitCode_ = exitCode;
    ThrowLastErrorIf(!::DestroyWindow(Handle()));
}

int Form3Window::MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) {
    // A minimised owner would take the box down with it, out of sight; a destroyed one would make
    // the box fail.
    const HWND owner = ::IsWindow(Handle()) && !::IsIconic(Handle()) ? Handle() : nullptr;
    // Without an owner the box still comes up on the user's monitor.
    const CentreNextBoxOn placement(owner == nullptr ? screen_.Monitor() : nullptr);
    const int answer = ::MessageBoxW(owner, std::wstring(prompt).c_str(), std::wstring(title).c_str(), style);
    ThrowLastErrorIf(answer == 0);
    return answer;
}

void Form3Window::ShowWorking() {
    // Seen under the logos, and announced by a screen reader wherever its attention is.
    RunStep([&] {
        ThrowLastErrorIf(!::SetWindowTextW(status_, std::wstring(design::kFormWorkingDescription).c_str()));
        PlaceStatus();
        ::ShowWindow(status_, SW_SHOWNA);
        accessibleNames_.Announce(status_);
    });
    workingCursor_ = ::LoadCursorW(nullptr, IDC_APPSTARTING);
    ThrowLastErrorIf(workingCursor_ == nullptr);
    ::SetCursor(workingCursor_);
}

void Form3Window::AllowAnyToFront() {
    ThrowLastErrorIf(!::AllowSetForegroundWindow(ASFW_ANY));
}

void Form3Window::BringToFront(std::intptr_t window) {
    // Window handles are 32-bit values even in 64-bit processes, so the number holds one whole.
    applicationWindow_ = reinterpret_cast<HWND>(window);
    if (!HandForegroundTo(applicationWindow_))
        ThrowPlatformError(E_FAIL);
}

// The window the user wanted back, from its taskbar button or Alt+Tab: the application's last
// active window (a dialog, a form the workbook's macros show) over its main one; before the main
// one is known, the window its process showed last while it starts (activation, sign-in).
void Form3Window::BringApplicationForward() {
    // The launch's own box, up while the launcher is minimised, is what the user looks for first.
    if (const HWND box = OwnBoxBesides(Handle())) {
        HandForegroundTo(box);
        return;
    }
    HWND main = applicationWindow_;
    if (!::IsWindow(main) && starter_.CreationStarted() != 0)
        main = ShownWindowOf(platform_.ApplicationProcessSince(starter_.CreationStarted()));
    if (main != nullptr)
        HandForegroundTo(::GetLastActivePopup(main));
}

void Form3Window::Minimise() {
    const HWND window = Handle();
    ThrowLastErrorIf(!::IsWindow(window));
    // Out of sight, the launch must stay reachable: a taskbar button with the icon and a caption
    // that says what is under way, whose "Fermer la fenêtre" cancels it as any close does. The
    // taskbar reads the styles when a window is shown, so it is hidden for the change.
    if ((::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0) {
        ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowLongPtrW(window, GWL_EXSTYLE, WS_EX_APPWINDOW);
        ::SetWindowLongPtrW(window, GWL_STYLE, kStyle | WS_SYSMENU); // the button's menu: Fermer
        ::SetWindowTextW(window, std::wstring(design::kFormWorkingDescription).c_str());
    }
    // Activating the next window in line could take the foreground back from the application.
    ::ShowWindow(window, SW_SHOWMINNOACTIVE);
}

// The hidden label keeps its design colours (it may be shown one day); the status line is on the
// window's own colour.
HBRUSH Form3Window::OnCtlColorStatic(HWND, HDC dc, HWND control, int) {
    if (control == status_) {
        ::SetTextColor(dc, Resolve(colours_.text));
        ::SetBkColor(dc, Resolve(colours_.form));
        return formBrush_.get();
    }
    if (control != label1_.Handle())
        return nullptr;
    ::SetTextColor(dc, design::kLabel1ForeColour);
    ::SetBkColor(dc, design::kLabel1BackColour);
    return labelBrush_.get();
}

// The class has no background brush: the form's colour is chosen at run time (white, or the
// high-contrast scheme's Window colour) and follows a change of scheme.
BOOL Form3Window::OnEraseBkgnd(HWND window, HDC dc) {
    RECT client{};
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client,
               formBrush_ ? formBrush_.get() : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return TRUE;
}

// While the application starts, the "working in the background" pointer over the window, as a
// splash screen shows it; the frame and anything outside keep theirs.
BOOL Form3Window::OnSetCursor(HWND window, HWND cursorWindow, UINT hitTest, UINT mouseMessage) {
    if (workingCursor_ == nullptr || hitTest != HTCLIENT)
        return FORWARD_WM_SETCURSOR(window, cursorWindow, hitTest, mouseMessage, ::DefWindowProcW);
    ::SetCursor(workingCursor_);
    return TRUE;
}

// During a launch the white window would come back over the whole monitor, the taskbar and the
// application (a dialog it shows, a form of the workbook's macros), without a minimise box: it
// stays minimised, and the application comes forward once this message has been answered.
BOOL Form3Window::OnQueryOpen(HWND window) {
    if (!starter_.Underway())
        return TRUE;
    ::PostMessageW(window, kBringApplicationForward, 0, 0);
    return FALSE;
}

// A change of the display while minimised is caught up on once the window is back.
void Form3Window::OnSize(HWND, UINT state, int, int) {
    if (state != SIZE_MINIMIZED && std::exchange(displayChangedWhileMinimised_, false))
        FollowDisplay(0);
}

// Escape, once the dialog has gone (while it is up, it is the dialog's Cancel), is a close.
void Form3Window::OnKey(HWND window, UINT key, BOOL down, int, UINT) {
    if (down && key == VK_ESCAPE)
        FORWARD_WM_CLOSE(window, ::SendMessageW);
}

// Alt+F4, Escape, "Fermer la fenêtre" on the taskbar button: during a launch the launch ends itself, as soon
// as it can and with exit code 1; before and after it the window goes at once. (Task Manager's "Fin de tâche"
// ends the process outright: nothing here runs.)
void Form3Window::OnClose(HWND window) {
    if (!starter_.Cancel())
        FORWARD_WM_CLOSE(window, ::DefWindowProcW);
}

// Log-off, shut-down, Restart Manager: the session may end, but another program or the user can
// still refuse; only the end itself stops a launch under way.
BOOL Form3Window::OnQueryEndSession(HWND) {
    return TRUE;
}

// The event is written inside: once this returns, the process may end at any moment. The Restart
// Manager (an installer or an update closing the programs in its way) ends no session.
void Form3Window::OnEndSession(HWND, BOOL ending, UINT reasons) {
    if (ending)
        starter_.Cancel((reasons & ENDSESSION_CLOSEAPP) != 0 ? CancelReason::ClosedByWindows
                                                             : CancelReason::SessionEnded);
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
        // The message crackers of windowsx.h: each row is a `case` that returns the handler's answer.
        HANDLE_MSG(window, WM_CTLCOLORSTATIC, OnCtlColorStatic);
        HANDLE_MSG(window, WM_ERASEBKGND, OnEraseBkgnd);
        HANDLE_MSG(window, WM_SETCURSOR, OnSetCursor);
        HANDLE_MSG(window, WM_QUERYOPEN, OnQueryOpen);
        HANDLE_MSG(window, WM_SIZE, OnSize);
        HANDLE_MSG(window, WM_KEYDOWN, OnKey);
        HANDLE_MSG(window, WM_CLOSE, OnClose);
        HANDLE_MSG(window, WM_QUERYENDSESSION, OnQueryEndSession);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    case kBringApplicationForward:
        RunStep([&] { BringApplicationForward(); });
        return 0;
    case WM_ENDSESSION: // lParam, which the message cracker drops, says why
        OnEndSession(window, static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return 0;
    // The display, its scale or its colours may have changed: laid out again only if they did.
    case kDpiChanged: // wParam: the new DPI, twice
        FollowDisplay(LOWORD(wParam));
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        FollowDisplay(0);
        return ::DefWindowProcW(window, message, wParam, lParam);
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
