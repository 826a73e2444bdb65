#include "launcher/win/accessible_names.h"

#include "platform/win/hresult.h"

#include <string>

namespace quben::win {
namespace {

// The live-region property and event, Windows 8 and later (Windows 7 ignores both); the headers
// for Windows 7 lack them.
constexpr MSAAPROPID kLiveSetting = {
    0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
constexpr long kPolite = 1;
constexpr DWORD kLiveRegionChanged = 0x8019;

} // namespace

IAccPropServices& AccessibleNames::Services() {
    // Through COM, which loads the service from its registered System32 path: oleacc.dll is no
    // KnownDLL, and an import of it would be looked for beside the program first.
    if (!services_)
        ThrowIfFailed(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IAccPropServices, services_.put_void()));
    return *services_.get();
}

void AccessibleNames::Set(HWND window, const MSAAPROPID& property, std::wstring_view text) {
    ThrowIfFailed(
        Services().SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, property, std::wstring(text).c_str()));
}

void AccessibleNames::Set(HWND window, const MSAAPROPID& property, long value) {
    VARIANT variant{};
    variant.vt = VT_I4;
    variant.lVal = value;
    ThrowIfFailed(Services().SetHwndProp(window, OBJID_CLIENT, CHILDID_SELF, property, variant));
}

// Older screen readers learn of an annotated name only through the event.
void AccessibleNames::SetName(HWND window, std::wstring_view name) {
    Set(window, PROPID_ACC_NAME, name);
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

void AccessibleNames::SetGraphic(HWND window) {
    Set(window, PROPID_ACC_ROLE, long{ROLE_SYSTEM_GRAPHIC});
}

void AccessibleNames::SetLiveRegion(HWND window) {
    Set(window, kLiveSetting, kPolite);
}

void AccessibleNames::Announce(HWND window) {
    ::NotifyWinEvent(kLiveRegionChanged, window, OBJID_CLIENT, CHILDID_SELF);
}

} // namespace quben::win
