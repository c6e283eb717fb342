// The proposal must not load a shfolder.dll that lies beside the installer
// (and in the current folder): this program sits next to such a library.
//
// Wine prefers its own builtin shfolder.dll over one beside a program unless
// told otherwise before the program starts, so the test runs itself a second
// time with that override in place for this program's name: in the second
// run a bare-name load really does pick the planted library.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "common/globals.h"
#include "datafolder/proposal.h"
#include "tests/datafolder/folder_test_support.h"

using namespace folder_test;

namespace {

const char kChildVariable[] = "VRL_PLANTED_LIBRARY_RUN";
const char kOverrideKey[] = "Software\\Wine\\AppDefaults\\datafolder_planted_dll_test.exe\\DllOverrides";

bool IsSecondRun() { return GetEnvironmentVariableA(kChildVariable, nullptr, 0) > 0; }

void CheckProposal() {
    // The plant is real: loading by bare name picks it. (Checked first: once
    // a shfolder.dll is loaded, a bare name finds that one.)
    HMODULE naive = LoadLibraryA("shfolder.dll");
    ASSERT_NE(nullptr, naive);
    EXPECT_NE(nullptr, GetProcAddress(naive, "PlantedLibrary")) << "the planted library was not the one found first";
    ASSERT_TRUE(FreeLibrary(naive));
    ASSERT_EQ(nullptr, GetModuleHandleA("shfolder.dll"));

    RemoveIniFile();
    char programFiles[MAX_PATH] = "";
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles));
    dataFolder[0] = '\0';
    proposeDataFolder(nullptr);
    EXPECT_EQ(std::string(programFiles) + "\\Varnlet", dataFolder);
}

DWORD RunSecondTime() {
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return 0xFFFFFFFF;
    std::string commandLine = std::string("\"") + program + "\"";
    if (!SetEnvironmentVariableA(kChildVariable, "1")) return 0xFFFFFFFF;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    (void)SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started) return 0xFFFFFFFF;
    DWORD status = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) (void)GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

}  // namespace

TEST(PlantedLibrary, ProposalUsesTheSystemsShfolder) {
    if (IsSecondRun()) {
        CheckProposal();
        return;
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kOverrideKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             &key, nullptr));
    const char order[] = "native,builtin";
    LONG set = RegSetValueExA(key, "shfolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, set);
    DWORD status = RunSecondTime();
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, kOverrideKey));
    EXPECT_EQ(0u, status) << "the second run failed (its output is above)";
}
