#include "platform/win/off_thread_call.h"

#include "platform/platform_error.h"
#include "platform/win/com_apartment.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <memory>

namespace quben::win {
namespace {

// After the hand-over the worker only releases its own proxy and leaves its apartment: a release a
// busy server holds up is not worth more of the caller's time than this.
constexpr DWORD kWorkerEndWaitMs = 1'000;
// The caller's pause (`await`) dispatches every message but lasts its whole length, however soon
// the work returns. Between pauses the return itself is waited for, at most this long, with only
// the apartment's own messages dispatched (COM's, painting, messages sent from elsewhere): a return
// is seen at once, and a posted close still reaches the window within this and one pause.
constexpr DWORD kBetweenPausesMs = 150;

// What the worker and the caller share; whichever leaves last frees it.
struct Shared {
    explicit Shared(OffThreadWork task) : work(std::move(task)) {}

    OffThreadWork work;
    HRESULT status = E_UNEXPECTED;
    ComPtr<IStream> marshalled; // the object, for the caller's apartment
    std::atomic<bool> abandoned{false};
    UniqueKernelHandle returned{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Set by the caller once it holds its own proxy, or has abandoned the work.
    UniqueKernelHandle handedOver{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Marshalled data nobody will unmarshal holds the object in its server: it is released.
void ReleaseMarshalled(IStream& stream) {
    const LARGE_INTEGER start{};
    stream.Seek(start, STREAM_SEEK_SET, nullptr);
    ::CoReleaseMarshalData(&stream);
}

DWORD WINAPI Work(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Shared>> owner(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **owner;
    {
        const ComApartment apartment(COINIT_MULTITHREADED);
        ComPtr<IDispatch> object;
        HRESULT status = apartment.Result();
        if (SUCCEEDED(status)) {
            try {
                object = shared.work.run(shared.work.context.get(), shared.abandoned);
                status = S_OK;
            } catch (const PlatformError& error) {
                status = error.status;
            } catch (...) {
                status = E_UNEXPECTED;
            }
        }
        if (SUCCEEDED(status) && object)
            status =
                ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, object.get(), shared.marshalled.put());
        shared.status = status;
        ::SetEvent(shared.returned.get());
        // This apartment's proxy, and the apartment, stay until the caller has its own.
        if (shared.marshalled) {
            ::WaitForSingleObject(shared.handedOver.get(), INFINITE);
            if (shared.abandoned.load())
                ReleaseMarshalled(*shared.marshalled.get());
            shared.marshalled = {};
        }
    } // the worker's references, and its apartment, are let go before its thread ends
    return 0;
}

// Waits for `handle`, the calling apartment's messages dispatched meanwhile; true once it is set.
bool AwaitDispatching(HANDLE handle, DWORD timeoutMs) {
    DWORD index = 0;
    return ::CoWaitForMultipleHandles(0, timeoutMs, 1, &handle, &index) == S_OK;
}

} // namespace

ComPtr<IDispatch> CallOffThread(OffThreadWork work, AwaitWork await) {
    auto shared = std::make_shared<Shared>(std::move(work));
    ThrowLastErrorIf(!shared->returned || !shared->handedOver);
    // The worker's share, which its thread adopts once started; without a thread it goes here.
    auto workerShare = std::make_unique<std::shared_ptr<Shared>>(shared);
    const UniqueKernelHandle thread(::CreateThread(nullptr, 0, Work, workerShare.get(), 0, nullptr));
    ThrowLastErrorIf(!thread);
    static_cast<void>(workerShare.release());
    const auto start = std::chrono::steady_clock::now();
    while (!AwaitDispatching(shared->returned.get(), kBetweenPausesMs)) {
        if (const HRESULT verdict = await(std::chrono::steady_clock::now() - start); FAILED(verdict)) {
            // The worker reads the flag once the caller's event is set: it then releases what it has.
            shared->abandoned.store(true);
            ::SetEvent(shared->handedOver.get());
            // A process cannot end while one of its threads has file I/O pending (a file on a share
            // that no longer answers): the worker's is cancelled, its call then fails and it ends.
            ::CancelSynchronousIo(thread.get());
            ThrowPlatformError(verdict);
        }
    }
    ComPtr<IDispatch> object;
    HRESULT status = shared->status;
    if (SUCCEEDED(status) && shared->marshalled) {
        status = ::CoUnmarshalInterface(shared->marshalled.get(), IID_IDispatch, object.put_void());
        if (FAILED(status))
            ReleaseMarshalled(*shared->marshalled.get());
    }
    ::SetEvent(shared->handedOver.get());
    AwaitDispatching(thread.get(), kWorkerEndWaitMs);
    ThrowIfFailed(status);
    return object;
}

} // namespace quben::win
