#pragma once
// An automation server that is busy (still starting, showing a dialog, a cell being edited) refuses
// a call instead of queueing it. Such a call is made again after a short pause, with the thread's
// messages dispatched meanwhile, until it goes through or a bound is reached; any other answer,
// success or failure, is final at once.

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace quben {

namespace busy_status {
inline constexpr auto kCallRejected = static_cast<std::int32_t>(0x80010001); // RPC_E_CALL_REJECTED
inline constexpr auto kRetryLater = static_cast<std::int32_t>(0x8001010A);   // RPC_E_SERVERCALL_RETRYLATER
inline constexpr auto kApplicationBusy =
    static_cast<std::int32_t>(0x800AC472); // the spreadsheet's own "busy"
} // namespace busy_status

inline constexpr std::chrono::milliseconds kBusyRetryPause{200};
inline constexpr std::chrono::milliseconds kBusyRetryLimit{60'000};

constexpr bool IsBusyRefusal(std::int32_t status) {
    return status == busy_status::kCallRejected || status == busy_status::kRetryLater ||
           status == busy_status::kApplicationBusy;
}

// How a retry waits: the clock it reads and the pause it makes.
class BusyWait {
public:
    virtual ~BusyWait() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
    // Returns after `pause`, the thread having stayed responsive meanwhile.
    virtual void Pause(std::chrono::milliseconds pause) = 0;
};

// Makes `call` (which returns a status) until its answer is not a busy refusal, or until
// kBusyRetryLimit after the first attempt; the last attempt falls on that limit. Returns the last
// answer.
template <class Call> std::int32_t RetryWhileBusy(BusyWait& wait, Call&& call) {
    const auto deadline = wait.Now() + kBusyRetryLimit;
    for (;;) {
        const std::int32_t status = call();
        if (!IsBusyRefusal(status))
            return status;
        const auto now = wait.Now();
        if (now >= deadline)
            return status;
        wait.Pause(std::min(kBusyRetryPause, std::chrono::ceil<std::chrono::milliseconds>(deadline - now)));
    }
}

} // namespace quben
