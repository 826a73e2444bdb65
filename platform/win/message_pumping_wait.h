#pragma once

#include "platform/busy_retry.h"

namespace quben::win {

// Waits on the steady clock while dispatching the thread's messages, so that the window stays
// responsive while a busy server is waited for.
class MessagePumpingWait final : public BusyWait {
public:
    std::chrono::steady_clock::time_point Now() override { return std::chrono::steady_clock::now(); }
    void Pause(std::chrono::milliseconds pause) override;
};

} // namespace quben::win
