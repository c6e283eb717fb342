#include "tests/services/support/service_control.h"

#include <vector>

#include "common/scoped.h"

namespace testing_support {

namespace {

constexpr int kPollMs = 50;

// Waits while `keepWaiting` holds, polling; false on timeout.
template <typename Condition>
bool WaitWhile(Condition keepWaiting, int timeoutMs) {
    DWORD start = GetTickCount();
    while (keepWaiting()) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

}  // namespace

DWORD CreateTestService(const char* name, const char* commandLine) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return GetLastError();
    ScopedServiceHandle service(CreateServiceA(manager.Get(), name, name, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               commandLine, nullptr, nullptr, nullptr, nullptr, nullptr));
    return service ? ERROR_SUCCESS : GetLastError();
}

DWORD StartServiceAndWait(const char* name, int timeoutMs) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return GetLastError();
    ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError();
    if (!StartServiceA(service.Get(), 0, nullptr)) return GetLastError();
    SERVICE_STATUS status = {};
    DWORD error = ERROR_SUCCESS;
    bool settled = WaitWhile(
        [&] {
            if (!QueryServiceStatus(service.Get(), &status)) {
                error = GetLastError();
                return false;
            }
            return status.dwCurrentState == SERVICE_START_PENDING;
        },
        timeoutMs);
    if (!settled) return ERROR_TIMEOUT;
    if (error != ERROR_SUCCESS) return error;
    return status.dwCurrentState == SERVICE_RUNNING ? ERROR_SUCCESS : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD ServiceState(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return 0;
    ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.Get(), &status)) return 0;
    return status.dwCurrentState;
}

bool ServiceExists(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

bool WaitForServiceGone(const char* name, int timeoutMs) {
    return WaitWhile([&] { return ServiceExists(name); }, timeoutMs);
}

std::string ServiceCommandLine(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return std::string();
    ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_QUERY_CONFIG));
    if (!service) return std::string();
    DWORD needed = 0;
    (void)QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed > 0 ? needed : 1);
    QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (needed == 0 || !QueryServiceConfigA(service.Get(), config, needed, &needed) || !config->lpBinaryPathName)
        return std::string();
    return config->lpBinaryPathName;
}

DWORD ServiceProcessId(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return 0;
    ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed))
        return 0;
    return status.dwProcessId;
}

bool EndServiceProcess(const char* name) {
    DWORD processId = ServiceProcessId(name);
    if (processId == 0) return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process) return false;
    (void)TerminateProcess(process, 1);
    bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    (void)CloseHandle(process);
    return ended;
}

bool RemoveTestService(const char* name) {
    {
        ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!manager) return false;
        ScopedServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
        if (!service) return true;
        // Fails harmlessly when the service is already marked for deletion.
        (void)DeleteService(service.Get());
    }
    (void)EndServiceProcess(name);
    return WaitForServiceGone(name, 20000);
}

}  // namespace testing_support
