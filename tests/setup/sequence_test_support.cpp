#include "tests/setup/sequence_test_support.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

#include "setup/installation_sequence.h"
#include "tests/e2e/children/child_log_format.h"
#include "tests/payload/payload_test_support.h"
#include "tests/setup/sequence_fakes.h"

namespace sequence_test {

const char kNotInstalledText[] =
    "The application will not be installed at this time. If you decide to install the application later, just "
    "launch this program again to complete the installation process.";
const char kCreateFailedText[] =
    "The application was not able to create one of its component files. The disk is full, or a copy of the "
    "application is already running, or you do not have write access to the directory in which you are "
    "attempting to install the application. Check your available disk space, make sure the application is not "
    "running now, and run the setup program again.";
const char kWriteFailedText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably full. Check your "
    "available disk space, make additional space available, and run the setup program again.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run the setup "
    "program again.";

const char kDamagedText[] = "The installer is damaged. Please download it again.";

RunOutcome RunSequence(const std::map<std::string, int>& answers, BoxProbe probe) {
    RunOutcome outcome;
    MessageBoxAnswerer answerer(answers, probe);
    outcome.status = RunInstallation(GetModuleHandleA(nullptr));
    answerer.Stop();
    outcome.boxes = answerer.Seen();
    outcome.description = fakes::DescribeCalls() + answerer.Describe();
    return outcome;
}

void UseChildLog(const std::string& path) {
    std::string setting = std::string(e2e::kChildLogVariable) + "=" + path;
    // _putenv reaches both the run-time library's copy (which _spawnl hands on)
    // and the process environment (which WinExec hands on).
    static std::string kept;
    kept = setting;
    _putenv(kept.c_str());
}

std::vector<ChildStart> ReadChildLog(const std::string& path) {
    std::vector<ChildStart> starts;
    std::string text = payload_test::ReadText(path);
    if (text == "<missing>") return starts;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) break;
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
        starts.push_back(ChildStart{e2e::UnescapeLogField(line.substr(0, tab1)),
                                    e2e::UnescapeLogField(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                                    e2e::UnescapeLogField(line.substr(tab2 + 1))});
    }
    return starts;
}

bool WaitForChildLog(const std::string& path, size_t count, int timeoutMs) {
    DWORD start = GetTickCount();
    while (ReadChildLog(path).size() < count) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

bool ProcessRunning(const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return found;
}

}  // namespace sequence_test
