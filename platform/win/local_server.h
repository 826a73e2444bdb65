#pragma once

#include "platform/busy_retry.h"
#include "platform/win/com_ptr.h"

#include <oaidl.h>

namespace quben::win {

// A new object of a local server's class, asked for IDispatch, for the calling (single-threaded)
// apartment. A server may take long to register its class (a window of its own first): the
// creation runs on a thread and in an apartment of its own, and the caller waits through
// `busy.AwaitPending`, its window answering meanwhile. The creation is never abandoned: it is
// waited for until it returns. Throws PlatformError with the creation's own status.
ComPtr<IDispatch> CreateLocalServerObject(const CLSID& server, BusyPolicy& busy);

} // namespace quben::win
