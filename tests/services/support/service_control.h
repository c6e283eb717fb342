// Small service-manager helpers for the service tests and the test service's
// own installer: register, start and wait for a service, and clean up after
// one that will not stop. Each opens and closes its own handles.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Registers a demand-start service of its own process running `commandLine`.
// ERROR_SUCCESS or the error of the failed call.
DWORD CreateTestService(const char* name, const char* commandLine);
// Starts the service and waits until it reports running. ERROR_SUCCESS, the
// error of the failed call, ERROR_SERVICE_NOT_ACTIVE when it stopped instead
// or ERROR_TIMEOUT.
DWORD StartServiceAndWait(const char* name, int timeoutMs);
// The service's current state (SERVICE_RUNNING, ...), 0 when it cannot be
// opened or queried.
DWORD ServiceState(const char* name);
// The command line the service manager starts the service with ("" when it
// cannot be read).
std::string ServiceCommandLine(const char* name);
// The id of the service's process, 0 when it has none.
DWORD ServiceProcessId(const char* name);
// True when the service is registered, whatever its state.
bool ServiceExists(const char* name);
// Waits until the service manager no longer knows the service. False on timeout.
bool WaitForServiceGone(const char* name, int timeoutMs);
// Ends the process of a service that will not stop by itself (the test
// service's own, started through the service manager). True when it had one
// and it ended.
bool EndServiceProcess(const char* name);
// Removes whatever is left of a test service: marks it for deletion, ends its
// process if it still runs, and waits until it is gone. False if it stays.
bool RemoveTestService(const char* name);

}  // namespace testing_support
