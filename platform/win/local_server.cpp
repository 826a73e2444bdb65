#include "platform/win/local_server.h"

#include "platform/win/hresult.h"
#include "platform/win/off_thread_call.h"

namespace quben::win {

ComPtr<IDispatch> CreateLocalServerObject(const CLSID& server, BusyPolicy& busy) {
    return CallOffThread(
        [server](const std::atomic<bool>&) {
            ComPtr<IDispatch> object;
            ThrowIfFailed(
                ::CoCreateInstance(server, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.put_void()));
            return object;
        },
        // Never abandoned: the instance it makes must be told to quit if the launch ends.
        [&busy](std::chrono::steady_clock::duration elapsed) -> HRESULT {
            busy.AwaitPending(elapsed);
            return S_OK;
        });
}

} // namespace quben::win
