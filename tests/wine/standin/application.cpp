#include "application.h"

namespace standin {

namespace {

enum : DISPID {
    AppVisible = 101,
    AppDisplayAlerts,
    AppWorkbooks,
    AppActiveWorkbook,
    AppApplication,
    AppQuit,
    AppHwnd,
    AppVersion,
    AppAutomationSecurity
};
enum : DISPID { GlobalApplication = 401, GlobalActiveWorkbook };

constexpr MemberInfo kApplicationMembers[] = {
    {L"Visible", AppVisible, MemberKind::ReadWrite},
    {L"DisplayAlerts", AppDisplayAlerts, MemberKind::ReadWrite},
    {L"Workbooks", AppWorkbooks, MemberKind::ReadOnly},
    {L"ActiveWorkbook", AppActiveWorkbook, MemberKind::ReadOnly},
    {L"Application", AppApplication, MemberKind::ReadOnly},
    {L"Quit", AppQuit, MemberKind::Method},
    {L"Hwnd", AppHwnd, MemberKind::ReadOnly},
    {L"Version", AppVersion, MemberKind::ReadOnly},
    {L"AutomationSecurity", AppAutomationSecurity, MemberKind::ReadWrite},
};

constexpr MemberInfo kGlobalMembers[] = {
    {L"Application", GlobalApplication, MemberKind::ReadOnly},
    {L"ActiveWorkbook", GlobalActiveWorkbook, MemberKind::ReadOnly},
};

} // namespace

Application::Application(Host& host)
    : DispatchObject(host, L"Application", kApplicationMembers), workbooks_(host, *this) {}

void Application::setVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    host().visibilityChanged(visible);
}

HRESULT Application::property(Call& call, bool& value) {
    if (call.access() != Access::Put) {
        call.returnBool(value);
        return S_OK;
    }
    Variant converted;
    if (HRESULT hr = call.coerce(0, VT_BOOL, converted); FAILED(hr))
        return hr;
    value = converted->boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT Application::invokeMember(DISPID id, Call& call) {
    switch (id) {
    case AppVisible: {
        bool visible = visible_;
        HRESULT hr = property(call, visible);
        if (SUCCEEDED(hr))
            setVisible(visible);
        return hr;
    }
    case AppDisplayAlerts:
        return property(call, displayAlerts_);
    case AppWorkbooks:
        call.returnObject(&workbooks_);
        return S_OK;
    case AppActiveWorkbook:
        call.returnObject(workbooks_.active());
        return S_OK;
    case AppApplication:
        call.returnObject(this);
        return S_OK;
    case AppHwnd:
        // Asked for to bring the window to the front: who may do so depends on who is in front now.
        host().noteForeground(L"hwnd");
        call.returnLong(host().windowHandle());
        return S_OK;
    case AppVersion:
        call.returnString(L"16.0");
        return S_OK;
    case AppAutomationSecurity: {
        // Journalled like every call; kept so that a read gives back what was put.
        if (call.access() != Access::Put) {
            call.returnLong(automationSecurity_);
            return S_OK;
        }
        Variant converted;
        if (HRESULT hr = call.coerce(0, VT_I4, converted); FAILED(hr))
            return hr;
        automationSecurity_ = converted->lVal;
        return S_OK;
    }
    case AppQuit:
        workbooks_.closeAll();
        setVisible(false);
        host().quitRequested();
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

Global::Global(Host& host, Application& application)
    : DispatchObject(host, L"Global", kGlobalMembers), application_(application) {}

HRESULT Global::invokeMember(DISPID id, Call& call) {
    switch (id) {
    case GlobalApplication:
        call.returnObject(&application_);
        return S_OK;
    case GlobalActiveWorkbook:
        call.returnObject(application_.workbooks().active());
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

} // namespace standin
