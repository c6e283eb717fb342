#include "setup/run_outcome.h"

#include <windows.h>

#include "common/bounded_format.h"
#include "common/run_log.h"
#include "common/run_mode.h"
#include "setup/exit_codes.h"

namespace {

const char kUsageTitleFormat[] = "%s Setup";
constexpr size_t kUsageBytes = 2 * kPathBufferBytes;

const char* OutcomeText(int code) {
    switch (code) {
    case kExitInstalled: return "installed";
    case kExitNoSpace: return "not enough free disk space";
    case kExitCancelled: return "cancelled";
    case kExitFailed: return "failed";
    case kExitAnotherRunning: return "another installation or removal of the product is running";
    case kExitUnsupportedPlatform: return "this Windows is not supported";
    case kExitBadCommandLine: return "bad command line";
    default: return "ended";
    }
}

const char* ModeText() {
    switch (runMode) {
    case RunMode::kSilent: return "silent (/S)";
    case RunMode::kPassive: return "passive (/PASSIVE)";
    default: return "interactive";
    }
}

// Whether this process runs with an administrator's full token. Windows
// before Vista has no such query; there every administrator runs elevated.
const char* ElevationText() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "unknown";
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    (void)CloseHandle(token);
    if (!known) return "unknown";
    return elevation.TokenIsElevated ? "yes" : "no";
}

// A 32-bit installer on 64-bit Windows runs under WOW64. The function is
// looked up because early Windows lacks it.
const char* ArchitectureText() {
#ifdef _WIN64
    return "64-bit Windows";
#else
    using IsWow64ProcessFunc = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64ProcessFunc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) return "64-bit Windows (installer under WOW64)";
    return "32-bit Windows";
#endif
}

void LogHeader(const char* commandTail) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    (void)GetVersionExA(&version);
    LogLine("==== %s Setup %s, run started %04u-%02u-%02u %02u:%02u:%02u UTC", ProductConfig.productName,
            ProductConfig.displayVersion[0] ? ProductConfig.displayVersion : "(no version)", now.wYear, now.wMonth,
            now.wDay, now.wHour, now.wMinute, now.wSecond);
    LogLine("Command line: %s", commandTail);
    LogLine("Windows %lu.%lu build %lu, %s; elevated: %s", version.dwMajorVersion, version.dwMinorVersion,
            version.dwBuildNumber & 0xFFFF, ArchitectureText(), ElevationText());
    LogLine("Mode: %s", ModeText());
}

void ShowUsage(const char* problem) {
    char title[kPathBufferBytes];
    char text[kUsageBytes];
    if (!FormatBounded(title, sizeof title, kUsageTitleFormat, ProductConfig.productName)) title[0] = '\0';
    if (!FormatBounded(text, sizeof text, "%s\r\n\r\n%s", problem, kInstallerUsage))
        (void)FormatBounded(text, sizeof text, "%s", kInstallerUsage);
    (void)ShowMessageBox(nullptr, text, title, MB_OK | MB_ICONWARNING);
}

}  // namespace

int PrepareRun(const char* commandTail, InstallerArguments* arguments) {
    *arguments = InstallerArguments();
    runMode = RunMode::kInteractive;
    if (!ProductConfig.unattended) return kExitInstalled;

    const char* tail = commandTail ? commandTail : "";
    char problem[kPathBufferBytes];
    bool valid = ParseInstallerArguments(tail, arguments, problem, sizeof problem);
    // A caller who asked for no window gets none, even for a line that is
    // otherwise wrong.
    if (arguments->silent || AsksForNoWindow(tail)) runMode = RunMode::kSilent;
    else if (arguments->passive) runMode = RunMode::kPassive;
    // A line refused after its /LOG= is still logged there.
    bool logOpened = arguments->logPath[0] != '\0' && OpenRunLog(arguments->logPath);
    if (logOpened) LogHeader(tail);
    if (!valid) {
        LogLine("Command line refused: %s", problem);
        ShowUsage(problem);
        return kExitBadCommandLine;
    }
    if (arguments->logPath[0] != '\0' && !logOpened) {
        char text[kUsageBytes];
        if (!FormatBounded(text, sizeof text, "The log file %s cannot be opened.", arguments->logPath))
            (void)FormatBounded(text, sizeof text, "%s", "The log file cannot be opened.");
        ShowUsage(text);
        return kExitBadCommandLine;
    }
    return kExitInstalled;
}

int EndRun(int code) {
    int status = ExitStatusFor(ProductConfig, code);
    LogLine("Result: %s (exit code %d)", OutcomeText(code), status);
    CloseRunLog();
    return status;
}
