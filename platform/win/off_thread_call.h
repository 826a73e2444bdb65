#pragma once

#include "platform/function_ref.h"
#include "platform/win/com_ptr.h"

#include <oaidl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <utility>

namespace quben::win {

// Work for a thread of its own, in the multithreaded apartment: it answers an object (or nothing),
// throws PlatformError, and may look at `abandoned` to stop retrying once the caller has gone. The
// worker owns it (it may outlive the caller): a function and the context it frees.
struct OffThreadWork {
    ComPtr<IDispatch> (*run)(void* context, const std::atomic<bool>& abandoned);
    std::unique_ptr<void, void (*)(void*)> context;
};
// Asked, while the work has not returned after `elapsed`, to pause a little with the thread's
// messages dispatched; a failure status abandons the work with that status.
using AwaitWork = FunctionRef<HRESULT(std::chrono::steady_clock::duration elapsed)>;

// Runs `work` off the calling (single-threaded) apartment's thread, which keeps answering through
// `await`, and hands its object over to that apartment. Abandoned work never holds the caller nor
// the process: its thread ends by itself once its call returns, or with the process, releasing
// whatever it got. Throws PlatformError: the work's failure, or the status `await` abandoned with.
ComPtr<IDispatch> CallOffThread(OffThreadWork work, AwaitWork await);

// The same with a callable `work(abandoned)`. A function pointer and its context rather than a
// std::function, whose copying and type information the program does not need.
template <class Work> ComPtr<IDispatch> CallOffThread(Work work, AwaitWork await) {
    return CallOffThread(
        OffThreadWork{[](void* context, const std::atomic<bool>& abandoned) {
                          return (*static_cast<Work*>(context))(abandoned);
                      },
                      {new Work(std::move(work)), [](void* context) { delete static_cast<Work*>(context); }}},
        await);
}

} // namespace quben::win
