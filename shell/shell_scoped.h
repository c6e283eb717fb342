// Owners for what the shell integration borrows from the system: COM
// interfaces, the COM apartment, registry keys and the shell's item
// identifier lists. Each gives its object back when it goes out of scope,
// so failure paths release exactly what success paths do.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_) (void)pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* operator->() const { return pointer_; }
    // Out-parameter of CoCreateInstance and QueryInterface; the object must
    // still be empty.
    void** Out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// CoInitialize for one call. A thread that already lives in another kind of
// apartment refuses it; only a successful initialisation is balanced, so the
// caller's own apartment is never torn down.
class ComApartment {
public:
    ComApartment() : status_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(status_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT status_;
};

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) (void)RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY get() const { return key_; }
    HKEY* Out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

class ItemIdList {
public:
    ItemIdList() = default;
    ~ItemIdList() { CoTaskMemFree(list_); }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    LPCITEMIDLIST get() const { return list_; }
    LPITEMIDLIST* Out() { return &list_; }

private:
    LPITEMIDLIST list_ = nullptr;
};
