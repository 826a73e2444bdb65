// IDispatch-only automation object driven by a static member table.
#pragma once

#include "host.h"
#include "journal.h"
#include "win_handles.h"

#include <atomic>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

inline constexpr HRESULT kApplicationError = static_cast<HRESULT>(0x800A03EC);
// "The application is busy": what the application answers, as an exception, while it cannot take a call.
inline constexpr HRESULT kApplicationBusy = static_cast<HRESULT>(0x800AC472);
// How many calls of a member listed in STANDIN_BUSY are answered "busy".
inline constexpr unsigned kBusyAnswers = 3;

enum class MemberKind { ReadOnly, ReadWrite, Method };

struct MemberInfo {
    std::wstring_view name;
    DISPID id;
    MemberKind kind;
    unsigned minArgs = 0;
    unsigned maxArgs = 0;
};

// One Invoke, with the positional arguments in natural order (first parameter first).
class Call {
public:
    Call(Access access, const DISPPARAMS& params, VARIANT* result);

    Access access() const { return access_; }
    size_t count() const { return order_.size(); }
    const VARIANT& arg(size_t i) const { return params_.rgvarg[order_[i]]; }
    // Past the end, or VT_ERROR DISP_E_PARAMNOTFOUND (how an omitted optional argument arrives).
    bool isMissing(size_t i) const;
    // On failure records the argument for puArgErr and returns DISP_E_TYPEMISMATCH.
    HRESULT coerce(size_t i, VARTYPE type, Variant& out);
    HRESULT argumentError(size_t i, HRESULT hr);
    HRESULT raise(std::wstring description);

    void returnBool(bool value);
    void returnLong(LONG value);
    void returnString(std::wstring_view value);
    // AddRefs only if the caller asked for a result; nullptr gives VT_DISPATCH NULL.
    void returnObject(IDispatch* object);

    std::vector<const VARIANT*> journalArgs() const;
    const std::wstring& description() const { return description_; }
    bool hasBadArgument() const { return badArgument_ != kNoArgument; }
    UINT badArgument() const { return badArgument_; }

private:
    static constexpr UINT kNoArgument = ~0u;
    Access access_;
    const DISPPARAMS& params_;
    VARIANT* result_;
    std::vector<UINT> order_; // natural position -> rgvarg index
    std::wstring description_;
    UINT badArgument_ = kNoArgument;
};

class DispatchObject : public IDispatch {
public:
    DispatchObject(Host& host, std::wstring_view objectName, std::span<const MemberInfo> members);
    virtual ~DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // Objects belong to the process; the count only keeps the server alive while clients hold them.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    ULONG references() const { return refs_; }
    std::wstring_view objectName() const { return objectName_; }

protected:
    virtual HRESULT invokeMember(DISPID id, Call& call) = 0;
    Host& host() { return host_; }
    // Whether this object's references keep the process alive; switching hands the references it has
    // now over to the host's count or back.
    void countReferences(bool counted);

private:
    const MemberInfo* find(DISPID id) const;

    Host& host_;
    std::wstring objectName_;
    std::span<const MemberInfo> members_;
    std::atomic<ULONG> refs_{0};
    bool counted_ = true;
    unsigned busyAnswers_ = 0;
};

} // namespace standin
