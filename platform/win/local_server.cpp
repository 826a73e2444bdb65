#include "platform/win/local_server.h"

#include "platform/win/com_apartment.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <atomic>
#include <chrono>

namespace quben::win {
namespace {

// What the creating thread and the caller share; outlives the creating thread.
struct Creation {
    explicit Creation(const CLSID& serverClass) : server(serverClass) {}

    CLSID server;
    HRESULT status = E_UNEXPECTED;
    ComPtr<IStream> marshalled; // the object, for the caller's apartment
    std::atomic<bool> returned{false};
    // Set by the caller once it holds its own proxy, or gives up on it.
    UniqueKernelHandle unmarshalled{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI Create(void* parameter) {
    auto& creation = *static_cast<Creation*>(parameter);
    const ComApartment apartment(COINIT_MULTITHREADED);
    ComPtr<IDispatch> object;
    HRESULT status = apartment.Result();
    if (SUCCEEDED(status))
        status = ::CoCreateInstance(creation.server, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                    object.put_void());
    if (SUCCEEDED(status))
        status =
            ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, object.get(), creation.marshalled.put());
    creation.status = status;
    creation.returned.store(true);
    // This apartment's proxy, and the apartment, stay until the caller has its own.
    if (SUCCEEDED(status))
        ::WaitForSingleObject(creation.unmarshalled.get(), INFINITE);
    return 0;
}

// The creating thread, waited for to its end however the caller leaves.
class CreatingThread {
public:
    explicit CreatingThread(Creation& creation)
        : creation_(creation), thread_(::CreateThread(nullptr, 0, Create, &creation, 0, nullptr)) {
        ThrowLastErrorIf(!thread_);
    }
    CreatingThread(const CreatingThread&) = delete;
    CreatingThread& operator=(const CreatingThread&) = delete;
    ~CreatingThread() {
        ::SetEvent(creation_.unmarshalled.get());
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }

private:
    Creation& creation_;
    UniqueKernelHandle thread_;
};

} // namespace

ComPtr<IDispatch> CreateLocalServerObject(const CLSID& server, BusyPolicy& busy) {
    Creation creation(server);
    ThrowLastErrorIf(!creation.unmarshalled);
    ComPtr<IDispatch> object;
    const CreatingThread thread(creation);
    const auto start = std::chrono::steady_clock::now();
    while (!creation.returned.load())
        busy.AwaitPending(std::chrono::steady_clock::now() - start);
    ThrowIfFailed(creation.status);
    ThrowIfFailed(::CoUnmarshalInterface(creation.marshalled.get(), IID_IDispatch, object.put_void()));
    return object;
}

} // namespace quben::win
