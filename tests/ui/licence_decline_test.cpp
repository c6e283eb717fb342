// Declining the licence in the built installer: each way of saying no leads
// to the "Application Not Installed" warning, then the process ends with 0
// and nothing of the product has been written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/support/window_driver.h"

namespace {

constexpr int kWaitMs = 20000;
constexpr char kLicenceTitle[] = "END USER LICENSE AGREEMENT";
constexpr char kNotInstalledTitle[] = "Application Not Installed";
constexpr char kNotInstalledText[] =
    "The application will not be installed at this time. If you decide to install the application later, "
    "just launch this program again to complete the installation process.";

constexpr int kMessageBoxIconId = 0x0440;

enum class Decline { kEscape, kCloseBox, kButton };

std::string WindowsFolder(const char* below) {
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder) + below : std::string();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool UninstallKeyExists() {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnlet",
                                0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Whatever an installation of Varnlet would leave, as found now.
struct ProductTraces {
    bool iniFile;
    bool uninstallKey;
    bool defaultDataFolder;
    std::string Describe() const {
        return std::string("ini file ") + (iniFile ? "yes" : "no") + ", uninstall key " +
               (uninstallKey ? "yes" : "no") + ", C:\\Program Files\\Varnlet " + (defaultDataFolder ? "yes" : "no");
    }
    bool operator==(const ProductTraces& other) const {
        return iniFile == other.iniFile && uninstallKey == other.uninstallKey &&
               defaultDataFolder == other.defaultDataFolder;
    }
};

ProductTraces FindTraces() {
    return ProductTraces{Exists(WindowsFolder("\\varnlet2.ini")), UninstallKeyExists(),
                         Exists("C:\\Program Files\\Varnlet")};
}

HWND FocusOf(HWND window) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

}  // namespace

TEST(LicenceDeclined, EveryWayOfDecliningEndsWithTheWarningAndExitCode0) {
    struct Case {
        const char* name;
        Decline decline;
    } cases[] = {
        {"Escape", Decline::kEscape},
        {"the close box", Decline::kCloseBox},
        {"\"I Do NOT Accept\"", Decline::kButton},
    };
    std::string installer = std::string("Z:") + VARNLET_SETUP_EXE;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductTraces before = FindTraces();

        std::string commandLine = "\"" + installer + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << installer;
        CloseHandle(process.hThread);

        HWND licence = testing_support::WaitForWindow(process.dwProcessId, kLicenceTitle, "#32770", kWaitMs);
        std::string onScreen = testing_support::DescribeWindows(process.dwProcessId);
        HWND box = nullptr;
        if (licence) {
            switch (c.decline) {
            case Decline::kEscape: {
                HWND focus = FocusOf(licence);
                PostMessageA(focus ? focus : GetDlgItem(licence, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
                break;
            }
            case Decline::kCloseBox:
                PostMessageA(licence, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case Decline::kButton:
                PostMessageA(GetDlgItem(licence, IDCANCEL), BM_CLICK, 0, 0);
                break;
            }
            box = testing_support::WaitForWindow(process.dwProcessId, kNotInstalledTitle, "#32770", kWaitMs);
            onScreen = testing_support::DescribeWindows(process.dwProcessId);
        }
        std::string boxText = box ? testing_support::MessageBoxText(box) : "";
        // The message box's icon control is hidden when no icon was asked for.
        bool boxHasIcon = box && IsWindowVisible(GetDlgItem(box, kMessageBoxIconId));
        if (box) testing_support::PressButton(box, IDOK);
        bool ended = WaitForSingleObject(process.hProcess, kWaitMs) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(process.hProcess, 99);
        DWORD exitCode = 99;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);

        ASSERT_NE(nullptr, licence) << onScreen;
        ASSERT_NE(nullptr, box) << onScreen;
        EXPECT_EQ(kNotInstalledText, boxText);
        EXPECT_TRUE(boxHasIcon);
        EXPECT_TRUE(ended);
        EXPECT_EQ(0u, exitCode);
        ProductTraces after = FindTraces();
        EXPECT_TRUE(before == after) << "before: " << before.Describe() << "\nafter:  " << after.Describe();
    }
}
