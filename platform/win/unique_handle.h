#pragma once
// Small owning wrappers for Win32 handles: one template, a traits struct per kind of handle.

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <utility>

namespace quben::win {

template <class Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::IsValid(handle_); }
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid()) {
        if (Traits::IsValid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Invalid();
};

template <class H, auto CloseFunction, H InvalidValue = nullptr> struct HandleTraits {
    using Handle = H;
    static Handle Invalid() { return InvalidValue; }
    static bool IsValid(Handle handle) { return handle != nullptr && handle != Invalid(); }
    static void Close(Handle handle) { CloseFunction(handle); }
};

// Kernel-style handles, whose functions fail with INVALID_HANDLE_VALUE (CreateFileW, FindFirstFileExW)
// or with null (CreateThread, process handles): both count as no handle.
template <auto CloseFunction> struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Handle handle) { CloseFunction(handle); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits<::CloseHandle>>;
using UniqueFindHandle = UniqueHandle<KernelHandleTraits<::FindClose>>;
using UniqueHdc = UniqueHandle<HandleTraits<HDC, ::DeleteDC>>;
using UniqueHbitmap = UniqueHandle<HandleTraits<HBITMAP, ::DeleteObject>>;
using UniqueHfont = UniqueHandle<HandleTraits<HFONT, ::DeleteObject>>;
using UniqueHbrush = UniqueHandle<HandleTraits<HBRUSH, ::DeleteObject>>;
using UniqueHicon = UniqueHandle<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueHkey = UniqueHandle<HandleTraits<HKEY, ::RegCloseKey>>;
using UniqueHmodule = UniqueHandle<HandleTraits<HMODULE, ::FreeLibrary>>;
using UniqueHhook = UniqueHandle<HandleTraits<HHOOK, ::UnhookWindowsHookEx>>;
using UniqueEventSource = UniqueHandle<HandleTraits<HANDLE, ::DeregisterEventSource>>;

// Memory the system allocated for the caller: LocalAlloc's (CommandLineToArgvW) and COM's
// task allocator's (IMoniker::GetDisplayName).
struct LocalFreeDeleter {
    void operator()(void* block) const { ::LocalFree(block); }
};
struct CoTaskMemFreeDeleter {
    void operator()(void* block) const { ::CoTaskMemFree(block); }
};
template <class T> using UniqueLocalMemory = std::unique_ptr<T, LocalFreeDeleter>;
template <class T> using UniqueCoTaskMemory = std::unique_ptr<T, CoTaskMemFreeDeleter>;

// A GDI object selected into a DC for the lifetime of this object.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint/EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC/ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr)
            ::ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace quben::win
