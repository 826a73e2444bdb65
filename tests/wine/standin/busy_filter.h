// Refuses incoming automation calls while the application is busy, as the real one does while it
// is starting or showing a dialog. COM's own calls (activation, reference counts) still go through:
// refusing those would make the creation itself fail, which the real application never does.
#pragma once

#include "journal.h"

#include <objbase.h>

#include <functional>
#include <string>
#include <utility>

namespace standin {

class BusyFilter final : public IMessageFilter {
public:
    // Each refusal is journaled with `launcherState()` ("launcher=shown", …) after the method number.
    BusyFilter(const Journal& journal, std::function<std::wstring()> launcherState)
        : journal_(journal), launcherState_(std::move(launcherState)) {}
    BusyFilter(const BusyFilter&) = delete;
    BusyFilter& operator=(const BusyFilter&) = delete;

    // Refuses IDispatch calls for the next `ms` milliseconds.
    void busyFor(unsigned ms) { busyUntil_ = GetTickCount64() + ms; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    // Lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO interfaceInfo) override;
    // The stand-in makes no outgoing calls.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    const Journal& journal_;
    std::function<std::wstring()> launcherState_;
    ULONGLONG busyUntil_ = 0;
};

// Installs a message filter for the calling apartment for as long as it lives.
class MessageFilterRegistration {
public:
    explicit MessageFilterRegistration(IMessageFilter* filter) { CoRegisterMessageFilter(filter, nullptr); }
    ~MessageFilterRegistration() { CoRegisterMessageFilter(nullptr, nullptr); }
    MessageFilterRegistration(const MessageFilterRegistration&) = delete;
    MessageFilterRegistration& operator=(const MessageFilterRegistration&) = delete;
};

} // namespace standin
