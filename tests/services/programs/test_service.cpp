// A small real Windows service, carried by the test products that have an NT
// service, and its own installer.
//
// usage:
//   vrlsvc.exe -install-service
//       Registers the service TEST_SERVICE_NAME to run this program, starts it
//       and waits until it runs. Exit status 0 on success, 1 otherwise. The
//       behaviour options in the environment variable
//       VARNLET_TEST_SERVICE_OPTIONS are added to the service's command line,
//       which is how a test makes the installed service misbehave.
//   vrlsvc.exe -run-service [option]
//       The command line the service manager starts. Options:
//         -stop-delay=MS     stays stop-pending for MS milliseconds, then stops
//         -refuse-stop       does not accept the stop request at all
//         -restart-on-stop   goes stop-pending, then running again after 1.5 s
//         -stuck-on-stop     stays stop-pending until its process is ended
//         -fail-start        stops at once with a service-specific error
//       Without an option it stops as soon as it is asked to.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/services/support/service_control.h"

namespace {

enum class Behaviour { kPrompt, kStopDelay, kRefuseStop, kRestartOnStop, kStuckOnStop, kFailStart };

constexpr int kRestartAfterMs = 1500;
constexpr int kInstallTimeoutMs = 30000;
constexpr size_t kCommandBytes = 2048;

Behaviour behaviour = Behaviour::kPrompt;
int stopDelayMs = 0;
SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopRequested = nullptr;
DWORD checkPoint = 0;

void Report(DWORD state, DWORD win32ExitCode = NO_ERROR, DWORD specificExitCode = 0) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        (state == SERVICE_RUNNING && behaviour != Behaviour::kRefuseStop) ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = specificExitCode;
    bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++checkPoint : 0;
    status.dwWaitHint = pending ? 5000 : 0;
    (void)SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        // Reported here, before the handler returns, so the caller of
        // ControlService already sees the service stopping.
        Report(SERVICE_STOP_PENDING);
        (void)SetEvent(stopRequested);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, char** argv) {
    statusHandle = RegisterServiceCtrlHandlerExA(argc > 0 ? argv[0] : "", ControlHandler, nullptr);
    if (!statusHandle) return;
    if (behaviour == Behaviour::kFailStart) {
        Report(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, 1);
        return;
    }
    Report(SERVICE_RUNNING);
    for (;;) {
        (void)WaitForSingleObject(stopRequested, INFINITE);
        switch (behaviour) {
        case Behaviour::kRestartOnStop:
            Sleep(kRestartAfterMs);
            Report(SERVICE_RUNNING);
            continue;
        case Behaviour::kStuckOnStop:
            // Never reports again; the test ends this process.
            Sleep(INFINITE);
            return;
        case Behaviour::kStopDelay:
            Sleep(stopDelayMs);
            break;
        default:
            break;
        }
        Report(SERVICE_STOPPED);
        return;
    }
}

bool ParseBehaviour(const char* option) {
    if (option == nullptr) return true;
    if (std::strncmp(option, "-stop-delay=", 12) == 0) {
        char* end = nullptr;
        long delay = std::strtol(option + 12, &end, 10);
        if (end == option + 12 || *end != '\0' || delay < 0 || delay > 600000) return false;
        behaviour = Behaviour::kStopDelay;
        stopDelayMs = static_cast<int>(delay);
        return true;
    }
    struct Named {
        const char* option;
        Behaviour behaviour;
    };
    static const Named kNamed[] = {{"-refuse-stop", Behaviour::kRefuseStop},
                                   {"-restart-on-stop", Behaviour::kRestartOnStop},
                                   {"-stuck-on-stop", Behaviour::kStuckOnStop},
                                   {"-fail-start", Behaviour::kFailStart}};
    for (const Named& named : kNamed) {
        if (std::strcmp(option, named.option) == 0) {
            behaviour = named.behaviour;
            return true;
        }
    }
    return false;
}

int RunService() {
    stopRequested = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!stopRequested) return 1;
    char name[] = "";  // ignored for a service of its own process
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    BOOL dispatched = StartServiceCtrlDispatcherA(table);
    (void)CloseHandle(stopRequested);
    return dispatched ? 0 : 1;
}

int InstallService() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        (void)std::fprintf(stderr, "vrlsvc: cannot read the program's own path\n");
        return 1;
    }
    const char* options = std::getenv("VARNLET_TEST_SERVICE_OPTIONS");
    char command[kCommandBytes];
    int written = std::snprintf(command, sizeof command, "\"%s\" -run-service%s%s", path, options ? " " : "",
                                options ? options : "");
    if (written < 0 || static_cast<size_t>(written) >= sizeof command) {
        (void)std::fprintf(stderr, "vrlsvc: the service command line is too long\n");
        return 1;
    }
    DWORD error = testing_support::CreateTestService(TEST_SERVICE_NAME, command);
    if (error != ERROR_SUCCESS) {
        (void)std::fprintf(stderr, "vrlsvc: cannot register %s (error %lu)\n", TEST_SERVICE_NAME, error);
        return 1;
    }
    error = testing_support::StartServiceAndWait(TEST_SERVICE_NAME, kInstallTimeoutMs);
    if (error != ERROR_SUCCESS) {
        (void)std::fprintf(stderr, "vrlsvc: %s did not start (error %lu)\n", TEST_SERVICE_NAME, error);
        return 1;
    }
    (void)std::printf("%s installed and running\n", TEST_SERVICE_NAME);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-install-service") == 0) return InstallService();
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "-run-service") == 0) {
        if (!ParseBehaviour(argc == 3 ? argv[2] : nullptr)) {
            (void)std::fprintf(stderr, "vrlsvc: unknown option %s\n", argv[2]);
            return 64;
        }
        return RunService();
    }
    (void)std::fprintf(stderr, "usage: vrlsvc.exe -install-service | -run-service [option]\n");
    return 64;
}
