#include "tests/setup/sequence_fakes.h"

#include <direct.h>

#include <cstdio>
#include <cstring>

#include "common/globals.h"
#include "datafolder/data_folder.h"
#include "datafolder/unattended_folder.h"
#include "payload/extract.h"
#include "payload/payload_seal.h"
#include "services/running_copies.h"
#include "services/service_removal.h"
#include "shell/shortcut.h"
#include "shell/uninstall_registration.h"
#include "ui/background_window.h"
#include "ui/busy_animation.h"
#include "ui/licence_dialog.h"
#include "ui/progress_dialog.h"

namespace fakes {
namespace {

Script script;
std::vector<std::string> calls;
HWND background = nullptr;
HWND progress = nullptr;
std::string extractionFolder;

void Record(const std::string& call) { calls.push_back(call); }

std::string Text(const char* text) { return text ? "\"" + std::string(text) + "\"" : "null"; }

std::string WindowName(HWND window) {
    if (!window) return "null";
    if (window == background) return "background";
    if (window == progress) return "progress";
    return "other";
}

HWND MakeWindow(const char* title) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "sequence-fake";
        registered = RegisterClassA(&windowClass) != 0;
    }
    return CreateWindowExA(0, "sequence-fake", title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

void Reset() {
    script = Script();
    calls.clear();
    extractionFolder.clear();
    if (background && IsWindow(background)) DestroyWindow(background);
    if (progress && IsWindow(progress)) DestroyWindow(progress);
    background = progress = nullptr;
    backgroundHwnd = nullptr;
}

Script& CurrentScript() { return script; }
const std::vector<std::string>& Calls() { return calls; }

std::string DescribeCalls() {
    std::string out = "calls:\n";
    for (const std::string& call : calls) out += "  " + call + "\n";
    return out;
}

bool WasCalled(const std::string& prefix) {
    for (const std::string& call : calls)
        if (call.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

const std::string& ExtractionFolder() { return extractionFolder; }

HWND BackgroundWindow() { return background; }
HWND ProgressWindow() { return progress; }

}  // namespace fakes

using fakes::Record;

bool CreateBackgroundWindow(HINSTANCE) {
    Record("CreateBackgroundWindow");
    if (!fakes::script.classRegistered) return false;
    fakes::background = fakes::MakeWindow("fake background");
    backgroundHwnd = fakes::background;
    return true;
}

void DestroyBackgroundWindow() {
    Record("DestroyBackgroundWindow");
    DestroyWindow(backgroundHwnd);
}

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR RunLicenceDialog(HINSTANCE, HWND owner) {
    Record("RunLicenceDialog(owner=" + fakes::WindowName(owner) + ")");
    return fakes::script.licenceResult;
}

int chooseDataFolder(HINSTANCE, HWND owner, int alwaysAsk) {
    std::string folder;
    if (!fakes::script.folders.empty()) {
        folder = fakes::script.folders.front();
        fakes::script.folders.pop_front();
    }
    int result = folder.empty() ? 0 : 1;
    Record("chooseDataFolder(owner=" + fakes::WindowName(owner) + ", alwaysAsk=" + std::to_string(alwaysAsk) +
           ") -> " + std::to_string(result));
    if (result == 0) return 0;
    std::snprintf(dataFolder, sizeof dataFolder, "%s", folder.c_str());
    if (folder.size() < MAX_PATH) (void)CreateDirectoryA(dataFolder, nullptr);
    return 1;
}

// The sequence tests run interactively; an unattended choice is a fault.
UnattendedFolder chooseDataFolderUnattended(const char* commandLineFolder, bool* created) {
    *created = false;
    Record(std::string("chooseDataFolderUnattended(") + commandLineFolder + ") -> failed");
    return UnattendedFolder::kFailed;
}

void closeRunningCopies(HINSTANCE, HWND owner) { Record("closeRunningCopies(owner=" + fakes::WindowName(owner) + ")"); }

int removeOldService() {
    Record("removeOldService -> " + std::to_string(fakes::script.serviceRemovalResult));
    return fakes::script.serviceRemovalResult;
}

void BusyWait(int milliseconds) { Record("BusyWait(" + std::to_string(milliseconds) + ")"); }

HWND CreateProgressDialog(HINSTANCE, HWND owner) {
    fakes::progress = fakes::MakeWindow("fake progress");
    Record("CreateProgressDialog(owner=" + fakes::WindowName(owner) + ")");
    return fakes::progress;
}

int ProgressCallback(HWND, const char*, int) { return 1; }

bool PayloadIsIntact() { return fakes::script.payloadIntact; }

int ExtractPayload(HWND window, ProgressCallbackFunc callback) {
    char current[MAX_PATH];
    fakes::extractionFolder = _getcwd(current, sizeof current) ? current : "<unknown>";
    Record("ExtractPayload(" + fakes::WindowName(window) + ", " +
           (callback == ProgressCallback ? "ProgressCallback" : callback ? "other" : "null") + ") -> " +
           std::to_string(fakes::script.extractResult));
    return fakes::script.extractResult;
}

// Nothing is kept aside by the fake extraction; the extraction's own tests
// check that kept copies go once an installation succeeds.
void DiscardKeptFiles() {}

int RemovePayload(HWND window, ProgressCallbackFunc callback) {
    Record("RemovePayload(" + fakes::WindowName(window) + ", " + (callback ? "callback" : "null") + ")");
    return 4;
}

int CreateShortcut(const char* folderName, const char* linkName, const char* targetPath, const char* workingFolder,
                   const char* arguments) {
    Record("CreateShortcut(" + fakes::Text(folderName) + ", " + fakes::Text(linkName) + ", " +
           fakes::Text(targetPath) + ", " + fakes::Text(workingFolder) + ", " + fakes::Text(arguments) + ")");
    return 0;
}

void RegisterUninstallAndStartup(const char* uninstallerPath, const char* mainExecutablePath) {
    Record("RegisterUninstallAndStartup(" + fakes::Text(uninstallerPath) + ", " + fakes::Text(mainExecutablePath) +
           ")");
}
