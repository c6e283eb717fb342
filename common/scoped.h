// Thin owners for the Windows objects that the installer and the product's
// programs hold: each releases its object when it goes out of scope, so every
// return path cleans up exactly what the successful one does. No exceptions,
// no reference counting of our own; copying is refused.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/system_calls.h"

// Owns one handle that a single function releases (a registry key, a service
// handle, a library, a GDI object, an item-id list...). Null means "nothing
// held".
template <typename Handle, auto Release>
class ScopedOwner {
public:
    ScopedOwner() = default;
    explicit ScopedOwner(Handle handle) : handle_(handle) {}
    ~ScopedOwner() { Reset(); }
    ScopedOwner(const ScopedOwner&) = delete;
    ScopedOwner& operator=(const ScopedOwner&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // For the out-parameter of the call that opens the object.
    Handle* Receive() {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = nullptr) {
        if (handle_) (void)Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using ScopedRegKey = ScopedOwner<HKEY, &RegCloseKey>;
using ScopedServiceHandle = ScopedOwner<SC_HANDLE, &CloseServiceHandle>;
using ScopedLibrary = ScopedOwner<HMODULE, &FreeLibrary>;
using ScopedMemoryDc = ScopedOwner<HDC, &DeleteDC>;
// Memory the system hands out with LocalAlloc (security descriptors, SID texts).
using ScopedLocalMemory = ScopedOwner<HLOCAL, &LocalFree>;
// The shell's item-id lists come from the COM task allocator.
using ScopedItemIdList = ScopedOwner<LPITEMIDLIST, &sys::CoTaskMemFree>;
template <typename GdiObject>
using ScopedGdiObject = ScopedOwner<GdiObject, &DeleteObject>;

// A kernel handle. Null and INVALID_HANDLE_VALUE both mean "nothing held":
// the API families disagree on which one they return for failure.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Attach(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (Valid()) (void)CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// A window's device context, given back to the window.
class ScopedWindowDc {
public:
    ScopedWindowDc() = default;
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc() { Reset(); }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const { return dc_; }
    // Gives the DC back, and takes `window`'s where one is named.
    void Reset(HWND window = nullptr) {
        if (dc_) (void)ReleaseDC(window_, dc_);
        window_ = window;
        dc_ = window ? GetDC(window) : nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC for its lifetime and puts the previous one
// back. A null DC or object selects nothing, and Ok() says so.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (Ok()) (void)SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    bool Ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

template <typename Interface>
class ScopedComPtr {
public:
    ScopedComPtr() = default;
    ~ScopedComPtr() { Release(); }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    ScopedComPtr(ScopedComPtr&& other) : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ScopedComPtr& operator=(ScopedComPtr&& other) {
        if (this != &other) {
            Release();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }
    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the out-parameter of CoCreateInstance, QueryInterface and the like.
    void** ReceiveVoid() {
        Release();
        return reinterpret_cast<void**>(&pointer_);
    }
    void Release() {
        if (pointer_) (void)pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};

// COM on this thread for the lifetime of the object. A thread that already
// lives in another kind of apartment refuses it; only a successful
// initialisation is balanced, so the caller's own apartment is never torn
// down.
class ScopedComInit {
public:
    explicit ScopedComInit(DWORD model = COINIT_APARTMENTTHREADED) : status_(sys::CoInitializeEx(nullptr, model)) {}
    ~ScopedComInit() {
        if (SUCCEEDED(status_)) sys::CoUninitialize();
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;
    bool Ok() const { return SUCCEEDED(status_); }

private:
    HRESULT status_;
};
