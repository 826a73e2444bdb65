#include "launch/win/running_workbooks.h"

#include "launch/win/short_path_name.h"
#include "platform/win/hresult.h"

#include <objbase.h>

#include <memory>
#include <string>

namespace quben::win {
namespace {

struct TaskMemoryFree {
    void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};
using TaskMemoryString = std::unique_ptr<wchar_t, TaskMemoryFree>;

// The long form of a path that names an existing file; the path as it is otherwise.
std::wstring LongForm(std::wstring_view path) {
    try {
        return LongPathName(path);
    } catch (const PlatformError&) {
        return std::wstring(path);
    }
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// The path a file moniker names; empty for any other kind of moniker.
std::wstring FileMonikerPath(IMoniker& moniker, IBindCtx& context) {
    DWORD kind = MKSYS_NONE;
    if (FAILED(moniker.IsSystemMoniker(&kind)) || kind != MKSYS_FILEMONIKER)
        return {};
    wchar_t* name = nullptr;
    if (FAILED(moniker.GetDisplayName(&context, nullptr, &name)))
        return {};
    const TaskMemoryString owned(name);
    return name != nullptr ? std::wstring(name) : std::wstring();
}

} // namespace

ComPtr<IDispatch> FindRunningFile(std::wstring_view fullPath) {
    ComPtr<IRunningObjectTable> table;
    ThrowIfFailed(::GetRunningObjectTable(0, table.put()));
    ComPtr<IEnumMoniker> entries;
    ThrowIfFailed(table->EnumRunning(entries.put()));
    ComPtr<IBindCtx> context;
    ThrowIfFailed(::CreateBindCtx(0, context.put()));

    const std::wstring wanted = LongForm(fullPath);
    ComPtr<IMoniker> moniker;
    while (entries->Next(1, moniker.put(), nullptr) == S_OK) {
        const std::wstring path = FileMonikerPath(*moniker.get(), *context.get());
        if (path.empty() || !SamePath(LongForm(path), wanted))
            continue;
        ComPtr<IUnknown> object;
        ThrowIfFailed(table->GetObject(moniker.get(), object.put()));
        ComPtr<IDispatch> dispatch;
        ThrowIfFailed(object->QueryInterface(IID_IDispatch, dispatch.put_void()));
        return dispatch;
    }
    return {};
}

} // namespace quben::win
