#pragma once

#include "launch/start_workbook.h"
#include "launch/win/excel_host.h"
#include "launch/win/find_file_search.h"
#include "launch/win/windows_launch_platform.h"
#include "launcher/display_state.h"
#include "launcher/form3.h"
#include "launcher/surface_colours.h"
#include "launcher/win/accessible_names.h"
#include "launcher/win/label_control.h"
#include "launcher/win/monitor_screen.h"
#include "launcher/win/open_file_dialog.h"
#include "launcher/win/picture_box.h"
#include "launcher/win/window_geometry.h"
#include "platform/win/message_pumping_wait.h"
#include "platform/win/unique_handle.h"

namespace quben::win {

// The launcher window: borderless, white, without a taskbar button until it minimises, holding the
// hidden label that carries the chosen path, the two picture boxes with the logo and the status
// line shown while the application starts. It covers the monitor under the mouse pointer, at that
// monitor's DPI, and follows changes of the display and the colour scheme. Minimised during a
// launch, it is never restored: the application comes forward instead.
class Form3Window final : public WindowPlaceable<Form3>, public LaunchWindow {
public:
    explicit Form3Window(HINSTANCE instance);

    // Creates the window, hidden, with its controls at their design positions.
    bool Create();

    // Form3; its left and top are relative to its monitor.
    void SetLeft(Twips left) override;
    void SetTop(Twips top) override;
    void SetWidth(Twips width) override;
    void SetHeight(Twips height) override;
    Screen& TheScreen() override { return screen_; }
    Label& Label1() override { return label1_; }
    Placeable& Picture1() override { return picture1_; }
    Placeable& Picture2() override { return picture2_; }
    CommonDialog& CommonDialog1() override { return commonDialog1_; }
    void StartWorkbook() override { starter_.StartWorkbook(); }
    void ReportWorkbookAbsent() override { starter_.ReportAbsent(); }
    void Unload() override { Unload(kExitDone); }

    // LaunchWindow
    std::wstring Label1Caption() override { return label1_.Caption(); }
    bool ReadOnlyChosen() override { return (commonDialog1_.Flags() & OFN_READONLY) != 0; }
    int MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) override;
    void ShowWorking() override;
    void AllowAnyToFront() override;
    void BringToFront(std::intptr_t window) override;
    void Minimise() override;
    void Unload(int exitCode) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HBRUSH OnCtlColorStatic(HWND window, HDC dc, HWND control, int type);
    BOOL OnEraseBkgnd(HWND window, HDC dc);
    BOOL OnSetCursor(HWND window, HWND cursorWindow, UINT hitTest, UINT mouseMessage);
    BOOL OnQueryOpen(HWND window);
    void OnSize(HWND window, UINT state, int width, int height);
    void BringApplicationForward();
    void OnKey(HWND window, UINT key, BOOL down, int repeat, UINT flags);
    void OnClose(HWND window);
    BOOL OnQueryEndSession(HWND window);
    void OnEndSession(HWND window, BOOL ending, UINT reasons);
    void OnDestroy(HWND window);
    void OnDialogHelp(HWND dialog);

    bool RegisterClasses() const;
    bool CreateControls();
    bool CreateStatus();
    // Across the window, centred in the band under the lower logo.
    void PlaceStatus();
    PixelRect ToPixels(Twips left, Twips top, Twips width, Twips height) const;
    void UseMonitor(HMONITOR monitor, unsigned dpi);
    DisplayState ReadDisplay() const;
    void ChooseColours();
    // A change of resolution, DPI or scheme: the window is laid out again for its monitor and
    // repainted in one paint, the dialog up or not; nothing when none of them really changed. A
    // minimised window is laid out once it is restored.
    void FollowDisplay(unsigned dpi);
    void ScaleControls();
    void DrawLogos();

    HINSTANCE instance_;
    unsigned dpi_ = 96; // of the window's monitor, looked up when it changes: it costs a library load
    float twipsPerPixel_ = TwipsPerPixel(96);
    bool followingDisplay_ = false;
    bool displayChangedWhileMinimised_ = false;
    DisplayState display_; // as the window was last laid out for
    SurfaceColours colours_ = ChooseSurfaceColours(false);
    UniqueHbrush formBrush_;
    MonitorScreen screen_;
    AccessibleNames accessibleNames_;
    UniqueHbitmap logo_;
    UniqueHfont labelFont_;
    UniqueHbrush labelBrush_;
    LabelControl label1_;
    PictureBox picture1_;
    PictureBox picture2_;
    HWND status_ = nullptr; // a child, destroyed with the window
    OpenFileDialog commonDialog1_;
    HCURSOR workingCursor_ = nullptr;  // while the application starts
    HWND applicationWindow_ = nullptr; // its main window, once it has been brought to the front
    int exitCode_ = kExitDone;

    FindFileSearch files_;
    WindowsLaunchPlatform platform_;
    ExcelHost excel_;
    MessagePumpingWait busyClock_;
    WorkbookStarter starter_{*this, files_, platform_, excel_, busyClock_};
};

} // namespace quben::win
