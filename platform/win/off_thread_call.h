#pragma once

#include "platform/win/com_ptr.h"

#include <oaidl.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace quben::win {

// Work for a thread of its own, in the multithreaded apartment: it answers an object (or nothing),
// throws PlatformError, and may look at `abandoned` to stop retrying once the caller has gone.
using OffThreadWork = std::function<ComPtr<IDispatch>(const std::atomic<bool>& abandoned)>;
// Asked, while the work has not returned after `elapsed`, to pause a little with the thread's
// messages dispatched; a failure status abandons the work with that status.
using AwaitWork = std::function<HRESULT(std::chrono::steady_clock::duration elapsed)>;

// Runs `work` off the calling (single-threaded) apartment's thread, which keeps answering through
// `await`, and hands its object over to that apartment. Abandoned work never holds the caller nor
// the process: its thread ends by itself once its call returns, or with the process, releasing
// whatever it got. Throws PlatformError: the work's failure, or the status `await` abandoned with.
ComPtr<IDispatch> CallOffThread(OffThreadWork work, const AwaitWork& await);

} // namespace quben::win
