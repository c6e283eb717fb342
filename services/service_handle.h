// Owns one handle of the service control manager (a manager or a service
// handle) and closes it when it goes out of scope, so no path leaks one.
#pragma once

#include <windows.h>

class ScopedServiceHandle {
public:
    explicit ScopedServiceHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedServiceHandle() {
        if (handle_) (void)CloseServiceHandle(handle_);
    }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;

    SC_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};
