#include "platform/win/message_pumping_wait.h"

#include <windows.h>

namespace quben::win {
namespace {

// Dispatches what is queued; false once WM_QUIT has been taken off the queue.
bool DispatchQueued(WPARAM& quitCode) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitCode = message.wParam;
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

} // namespace

void MessagePumpingWait::Pause(std::chrono::milliseconds pause) {
    const auto end = Now() + pause;
    WPARAM quitCode = 0;
    bool quit = !DispatchQueued(quitCode);
    for (auto now = Now(); now < end; now = Now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        const auto timeout = static_cast<DWORD>(left.count());
        if (quit) {
            ::Sleep(timeout); // the loop that asked to quit gets its message back afterwards
            continue;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        quit = !DispatchQueued(quitCode);
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}

} // namespace quben::win
