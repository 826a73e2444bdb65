// Class objects registered with COM; each hands out one process-owned automation object.
#pragma once

#include "dispatch_object.h"
#include "host.h"

#include <string>

namespace standin {

// {00024500-0000-0000-C000-000000000046}
inline constexpr CLSID kApplicationClass = {0x00024500, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020812-0000-0000-C000-000000000046}
inline constexpr CLSID kGlobalClass = {0x00020812, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class ClassFactory final : public IClassFactory {
public:
    // className names the journal's create event and the fault "<className>.Create".
    ClassFactory(Host& host, std::wstring className, DispatchObject& product);
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    // Lives as long as the process: registration references must not keep the server alive.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    Host& host_;
    std::wstring className_;
    DispatchObject& product_;
};

} // namespace standin
