#include "main_window.h"

namespace standin {

namespace {

std::wstring titleFor(std::wstring_view workbookName) {
    return L"Stand-in spreadsheet - " +
           (workbookName.empty() ? std::wstring(L"(vide)") : std::wstring(workbookName));
}

class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~PaintScope() { EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

} // namespace

MainWindow::MainWindow(HINSTANCE instance, bool startedByUser, std::function<void()> onClose,
                       std::function<void()> onActivated)
    : onClose_(std::move(onClose)), onActivated_(std::move(onActivated)), startedByUser_(startedByUser) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    hwnd_ = CreateWindowExW(0, kWindowClass, titleFor({}).c_str(),
                            WS_OVERLAPPEDWINDOW | (startedByUser ? 0 : WS_DISABLED), CW_USEDEFAULT,
                            CW_USEDEFAULT, 640, 400, nullptr, nullptr, instance, this);
}

MainWindow::~MainWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void MainWindow::show(bool visible) {
    // Started by automation, never activated from here: a test that finds it in front knows the
    // client put it there.
    ShowWindow(hwnd_, !visible ? SW_HIDE : startedByUser_ ? SW_SHOW : SW_SHOWNA);
}

void MainWindow::setWorkbookName(std::wstring_view name) {
    workbookName_ = name;
    SetWindowTextW(hwnd_, titleFor(name).c_str());
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::paint() {
    PaintScope scope(hwnd_);
    RECT area;
    GetClientRect(hwnd_, &area);
    std::wstring text =
        workbookName_.empty() ? L"Aucun classeur ouvert" : L"Classeur actif : " + workbookName_;
    DrawTextW(scope.dc(), text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK MainWindow::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<MainWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) {
        switch (message) {
        case WM_CLOSE:
            self->onClose_();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE) {
                if (self->onActivated_)
                    self->onActivated_();
                EnableWindow(hwnd, TRUE);
            }
            break;
        case WM_PAINT:
            self->paint();
            return 0;
        case WM_NCDESTROY:
            self->hwnd_ = nullptr;
            break;
        }
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

} // namespace standin
