// Stopping and deleting a previously installed copy of the product's NT
// service before its files are replaced.
#include "services/service_removal.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/scoped.h"
#include "product/product_data.h"
#include "ui/busy_animation.h"

namespace {

// The progress texts go to standard output only; flushing each one lets a
// watcher of a redirected stream follow the dots as they come.
void Report(const char* text) {
    (void)std::fputs(text, stdout);
    (void)std::fflush(stdout);
}

// `format` holds one "%s", which stands for the service name. Written in
// pieces, so a name of any length comes out whole and no formatter is needed.
void ReportWithName(const char* format, const char* serviceName) {
    const char* placeholder = std::strstr(format, "%s");
    if (!placeholder) {
        Report(format);
        return;
    }
    (void)std::fwrite(format, 1, static_cast<size_t>(placeholder - format), stdout);
    (void)std::fputs(serviceName, stdout);
    Report(placeholder + 2);
}

// Sends the stop request and, if the service accepts it, waits while it
// reports stop-pending, for at most `stopPendingLimitMs`. A refused request
// (the service is not running, or takes no stop) writes nothing.
void StopService(SC_HANDLE service, const char* serviceName, int stopPendingLimitMs) {
    SERVICE_STATUS status = {};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return;

    ReportWithName("Stopping %s.", serviceName);
    BusyWait(kStopPollIntervalMs);
    int waitedMs = kStopPollIntervalMs;
    while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOP_PENDING &&
           waitedMs < stopPendingLimitMs) {
        Report(".");
        BusyWait(kStopPollIntervalMs);
        waitedMs += kStopPollIntervalMs;
    }
    // A failed query leaves the record as the last call filled it; only a
    // service seen stopped counts as stopped.
    bool stopped = status.dwCurrentState == SERVICE_STOPPED;
    ReportWithName(stopped ? "\n%s stopped.\n" : "\n%s failed to stop.\n", serviceName);
}

}  // namespace

int removeOldService() { return removeOldServiceWithin(kStopPendingLimitMs); }

int removeOldServiceWithin(int stopPendingLimitMs) {
    const char* serviceName = ProductConfig.serviceName;
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        Report("OpenSCManager failed\n");
        return -1;
    }
    // Declared after the manager, so it is closed first.
    ScopedServiceHandle service(OpenServiceA(manager.Get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        // Absent, or not ours to open: there is nothing to remove.
        Report("OpenService failed\n");
        return 0;
    }
    StopService(service.Get(), serviceName, stopPendingLimitMs);
    // A service that did not stop is still marked for deletion; the system
    // removes it once it ends.
    if (!DeleteService(service.Get())) {
        Report("DeleteService failed\n");
        return -1;
    }
    ReportWithName("%s removed.\n", serviceName);
    return 0;
}
