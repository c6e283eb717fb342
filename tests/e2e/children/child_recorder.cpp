// Stands in for every program an installer starts (the product's main
// program, the companion installer, the service executable): it appends one
// line describing how it was started to the child log and ends at once.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/children/child_log_format.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char program[MAX_PATH];
    DWORD programLength = GetModuleFileNameA(nullptr, program, sizeof program);
    if (programLength == 0 || programLength >= sizeof program) return 70;
    char folder[MAX_PATH];
    DWORD folderLength = GetCurrentDirectoryA(sizeof folder, folder);
    if (folderLength == 0 || folderLength >= sizeof folder) return 71;
    const char* commandLine = GetCommandLineA();

    std::string line = e2e::EscapeLogField(program) + "\t" + e2e::EscapeLogField(commandLine) + "\t" +
                       e2e::EscapeLogField(folder) + "\n";
    const char* logPath = std::getenv(e2e::kChildLogVariable);
    if (!logPath || !*logPath) return 72;
    // Appending through the share modes lets several recorded programs and the
    // reading test use the log at once; one write keeps the line whole.
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 73;
    DWORD written = 0;
    BOOL wrote = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    if (!wrote || written != line.size()) return 74;

    const char* failOn = std::getenv(e2e::kChildFailVariable);
    if (failOn && *failOn && std::strstr(commandLine, failOn)) return e2e::kChildFailureStatus;
    return 0;
}
