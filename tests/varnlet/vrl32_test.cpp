// Varnlet's program under Wine: its window, pictures and status line, the
// data folder it reads from the ini file, its manifest, closing, and one
// copy at a time.
#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdlib>
#include <string>

#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"
#include "tests/varnlet/varnlet_fixture.h"
#include "varnlet/vrl32/layout.h"

using namespace varnlet_test;
using testing_support::WaitForWindow;
using testing_support::WindowText;

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kExitTimeoutMs = 20000;
const char kMainClass[] = "VarnletMainWindow";
const char kDataFolder[] = "C:\\VarnletTests\\Program Data";

// The main window with its process, closed at the end of a test if still open.
class Vrl32Test : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kDataFolder);
        ASSERT_TRUE(CreateFolders(kDataFolder));
        for (const char* name : {"vrl32.exe.manifest", "manual.htm", "varnlet.jpg", "sample1.jpg", "sample2.jpg"}) {
            ASSERT_TRUE(CopyFileA(ProductFile(name).c_str(), JoinPath(kDataFolder, name).c_str(), FALSE)) << name;
        }
        ASSERT_TRUE(CopyFileA(Vrl32Exe().c_str(), Exe().c_str(), FALSE));
        WriteDataDir(kDataFolder);
    }

    void TearDown() override {
        EndIfRunning(first_);
        EndIfRunning(second_);
        WriteDataDir(nullptr);
        RemoveTree("C:\\VarnletTests");
    }

    static std::string Exe() { return JoinPath(kDataFolder, "vrl32.exe"); }

    // Starts the program and waits for its main window.
    HWND StartAndWaitForWindow(Process* process) {
        if (!Start(Exe(), "", "", process)) {
            ADD_FAILURE() << "could not start " << Exe() << ": error " << GetLastError();
            return nullptr;
        }
        HWND window = WaitForWindow(process->Id(), "Varnlet", kMainClass, kStartTimeoutMs);
        if (!window) ADD_FAILURE() << "no main window\n" << testing_support::DescribeWindows(0);
        return window;
    }

    static std::string StatusText(HWND window) {
        HWND status = FindWindowExA(window, nullptr, "msctls_statusbar32", nullptr);
        return status ? WindowText(status) : std::string("<no status bar>");
    }

    static void CloseAndExpectCleanExit(HWND window, const Process& process) {
        ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
        EXPECT_EQ(0u, WaitForExit(process, kExitTimeoutMs)) << "exit code after WM_CLOSE";
        EXPECT_FALSE(IsWindow(window));
    }

    Process first_;
    Process second_;
};

int CountMainWindows() {
    int count = 0;
    for (HWND window = FindWindowExA(nullptr, nullptr, kMainClass, nullptr); window;
         window = FindWindowExA(nullptr, window, kMainClass, nullptr)) {
        ++count;
    }
    return count;
}

struct Probe {
    const char* what;
    int picture;  // 0 emblem, 1 and 2 the samples
    int x, y;     // in the picture's own pixels
    COLORREF expected;
};

bool Near(COLORREF a, COLORREF b) {
    const int kTolerance = 40;  // JPEG smears colours a little
    return std::abs(GetRValue(a) - GetRValue(b)) <= kTolerance && std::abs(GetGValue(a) - GetGValue(b)) <= kTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kTolerance;
}

// Waits until the screen shows `expected` at the point (the first paint may
// still be on its way); returns the colour last seen.
COLORREF WaitForColour(POINT point, COLORREF expected, int timeoutMs) {
    DWORD start = GetTickCount();
    HDC screen = GetDC(nullptr);
    COLORREF seen = CLR_INVALID;
    for (;;) {
        seen = GetPixel(screen, point.x, point.y);
        if (Near(seen, expected) || static_cast<int>(GetTickCount() - start) >= timeoutMs) break;
        Sleep(20);
    }
    ReleaseDC(nullptr, screen);
    return seen;
}

std::string Hex(COLORREF colour) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

std::string LoadedModules(DWORD processId) {
    std::string list;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return "<cannot open process>";
    HMODULE modules[512];
    DWORD needed = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &needed)) {
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
            char path[MAX_PATH];
            if (GetModuleFileNameExA(process, modules[i], path, sizeof path)) list += std::string(path) + "\n";
        }
    }
    CloseHandle(process);
    return list;
}

// For the life of the object, ".htm" files open with a command that copies
// the opened file to `copyTo`, so a test sees which page the shell was asked
// to open. What was there before is put back.
class HtmlOpensAsCopy {
public:
    explicit HtmlOpensAsCopy(const std::string& copyTo) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &created_) !=
            ERROR_SUCCESS) {
            return;
        }
        char previous[256];
        DWORD size = sizeof previous;
        hadDefault_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(previous), &size) ==
                      ERROR_SUCCESS;
        if (hadDefault_) previous_ = previous;
        SetDefault(key, kProgId);
        RegCloseKey(key);
        std::string command = "cmd.exe /c copy /y \"%1\" \"" + copyTo + "\"";
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            SetDefault(key, command);
            RegCloseKey(key);
        }
    }
    ~HtmlOpensAsCopy() {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kCommandKey);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "VarnletTest.HelpPage\\shell\\open");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "VarnletTest.HelpPage\\shell");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgId);
        if (created_ == REG_CREATED_NEW_KEY) {
            RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        if (hadDefault_) {
            SetDefault(key, previous_);
        } else {
            RegDeleteValueA(key, nullptr);
        }
        RegCloseKey(key);
    }

private:
    static constexpr const char* kProgId = "VarnletTest.HelpPage";
    static constexpr const char* kCommandKey = "VarnletTest.HelpPage\\shell\\open\\command";
    static void SetDefault(HKEY key, const std::string& value) {
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    DWORD created_ = 0;
    bool hadDefault_ = false;
    std::string previous_;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST_F(Vrl32Test, OpensItsWindowWithThePicturesFromTheDataFolderAndClosesOnWmClose) {
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(std::string("Data folder: ") + kDataFolder, StatusText(window));

    // Find the pictures where the layout puts them and look at known spots.
    // Other tests share the display: keep their windows from covering ours.
    ASSERT_TRUE(SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    RECT statusRect;
    HWND status = FindWindowExA(window, nullptr, "msctls_statusbar32", nullptr);
    ASSERT_TRUE(status && GetWindowRect(status, &statusRect));
    varnlet::PixelSize samples[varnlet::kSampleCount] = {{200, 200}, {200, 200}};
    varnlet::GalleryLayout layout = varnlet::ComputeGalleryLayout(
        client.right, client.bottom - (statusRect.bottom - statusRect.top), {240, 180}, samples);
    const varnlet::PixelRect places[] = {layout.emblem, layout.samples[0], layout.samples[1]};
    const varnlet::PixelSize sizes[] = {{240, 180}, {200, 200}, {200, 200}};
    const Probe probes[] = {
        {"emblem tile", 0, 78, 90, RGB(0x2f, 0x6f, 0x73)},      {"emblem dot", 0, 120, 40, RGB(0xc8, 0x55, 0x3d)},
        {"diamonds right", 1, 34, 20, RGB(0x2f, 0x6f, 0x73)},    {"diamonds edge", 1, 20, 6, RGB(0x2f, 0x6f, 0x73)},
        {"waves trough", 2, 50, 19, RGB(0x1d, 0x35, 0x57)},     {"waves crest", 2, 50, 6, RGB(0xf1, 0xfa, 0xee)},
    };
    for (const Probe& probe : probes) {
        const varnlet::PixelRect& place = places[probe.picture];
        POINT point{place.left + probe.x * place.Width() / sizes[probe.picture].width,
                    place.top + probe.y * place.Height() / sizes[probe.picture].height};
        ASSERT_TRUE(ClientToScreen(window, &point));
        COLORREF seen = WaitForColour(point, probe.expected, 5000);
        EXPECT_TRUE(Near(seen, probe.expected))
            << probe.what << " at " << point.x << "," << point.y << ": expected " << Hex(probe.expected) << ", saw "
            << Hex(seen);
    }
    testing_support::SaveScreenshot("vrl32-window.bmp");
    CloseAndExpectCleanExit(window, first_);
}

// The manifest inside the program, byte for byte the payload's loose one.
std::string EmbeddedManifest(const std::string& exe) {
    HMODULE image = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!image) return "<cannot load>";
    std::string text = "<none>";
    HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    HGLOBAL loaded = found ? LoadResource(image, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes) text.assign(bytes, SizeofResource(image, found));
    FreeLibrary(image);
    return text;
}

// The version 6 controls come from the side-by-side store, not system32.
bool UsesCommonControls6(const std::string& modules) {
    return modules.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0") != std::string::npos;
}

TEST_F(Vrl32Test, UsesTheCommonControls6FromTheManifestInsideItWhateverTheLooseOneSays) {
    EXPECT_EQ(ReadFileText(ProductFile("vrl32.exe.manifest")), EmbeddedManifest(Exe()));
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    std::string modules = Lower(LoadedModules(first_.Id()));
    EXPECT_TRUE(UsesCommonControls6(modules)) << modules;
    CloseAndExpectCleanExit(window, first_);

    // A loose manifest edited by whoever can write the data folder (here: the
    // dependency on the version 6 controls taken out, which made the program
    // fall back to the old ones while it read the loose file) changes
    // nothing, and neither does a missing one.
    const std::string loose = JoinPath(kDataFolder, "vrl32.exe.manifest");
    std::string tampered = ReadFileText(loose);
    size_t from = tampered.find("<dependency>");
    size_t to = tampered.find("</dependency>");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos);
    tampered.erase(from, to + sizeof "</dependency>" - 1 - from);
    for (const char* what : {"tampered", "missing"}) {
        SCOPED_TRACE(what);
        if (std::string(what) == "tampered") {
            ASSERT_TRUE(WriteWholeFile(loose, tampered));
        } else {
            ASSERT_TRUE(DeleteFileA(loose.c_str()));
        }
        Process process;
        window = StartAndWaitForWindow(&process);
        ASSERT_NE(nullptr, window);
        modules = Lower(LoadedModules(process.Id()));
        EXPECT_TRUE(UsesCommonControls6(modules)) << modules;
        CloseAndExpectCleanExit(window, process);
    }
}

TEST_F(Vrl32Test, SecondStartBringsTheRunningCopyBackInsteadOfOpeningAnotherWindow) {
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));

    ASSERT_TRUE(Start(Exe(), "", "", &second_));
    EXPECT_EQ(0u, WaitForExit(second_, kStartTimeoutMs)) << "the second start should hand over and end";
    EXPECT_FALSE(IsIconic(window)) << "the running copy should be restored";
    EXPECT_EQ(1, CountMainWindows()) << testing_support::DescribeWindows(0);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(first_, 0)) << "the first copy keeps running";
    CloseAndExpectCleanExit(window, first_);
}

TEST_F(Vrl32Test, APictureThatCannotBeReadIsNamedAndTheWindowStillOpens) {
    ASSERT_TRUE(DeleteFileA(JoinPath(kDataFolder, "sample2.jpg").c_str()));
    ASSERT_TRUE(WriteWholeFile(JoinPath(kDataFolder, "varnlet.jpg"), "not a picture"));
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(std::string("Could not read varnlet.jpg, sample2.jpg from ") + kDataFolder, StatusText(window));
    testing_support::SaveScreenshot("vrl32-missing-pictures.bmp");
    CloseAndExpectCleanExit(window, first_);
}

TEST_F(Vrl32Test, WithoutAUsableDataFolderItSaysWhyAndOpensNoWindow) {
    struct Case {
        const char* what;
        const char* dataDir;  // null: no entry
        const char* expectedText;
    };
    const Case cases[] = {
        {"no entry", nullptr, "The entry \"dataDir\" in section [Options] of varnlet2.ini"},
        {"empty entry", "", "The entry \"dataDir\" in section [Options] of varnlet2.ini"},
        {"folder gone", "C:\\VarnletTests\\Nowhere", "\"C:\\VarnletTests\\Nowhere\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDataDir(c.dataDir);
        Process process;
        ASSERT_TRUE(Start(Exe(), "", "", &process));
        HWND box = WaitForWindow(process.Id(), "Varnlet", "#32770", kStartTimeoutMs);
        ASSERT_NE(nullptr, box) << testing_support::DescribeWindows(0);
        std::string text = testing_support::MessageBoxText(box);
        EXPECT_NE(std::string::npos, text.find(c.expectedText)) << text;
        EXPECT_EQ(0, CountMainWindows());
        testing_support::PressButton(box, IDOK);
        EXPECT_EQ(1u, WaitForExit(process, kExitTimeoutMs));
    }
}

TEST_F(Vrl32Test, F1OpensTheHelpPageFromTheDataFolderWithTheShell) {
    const std::string opened = "C:\\VarnletTests\\help-opened.htm";
    HtmlOpensAsCopy association(opened);
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_F1, 1));
    ASSERT_TRUE(PostMessageA(window, WM_KEYUP, VK_F1, 0xC0000001));
    EXPECT_TRUE(WaitUntilExists(opened, kStartTimeoutMs)) << testing_support::DescribeWindows(0);
    // The copy may still be being written when it first shows up.
    const std::string page = ReadFileText(JoinPath(kDataFolder, "manual.htm"));
    DWORD start = GetTickCount();
    while (ReadFileText(opened) != page && GetTickCount() - start < 5000) Sleep(20);
    EXPECT_EQ(page, ReadFileText(opened));
    CloseAndExpectCleanExit(window, first_);
}

TEST_F(Vrl32Test, AMissingHelpPageIsReportedByName) {
    ASSERT_TRUE(DeleteFileA(JoinPath(kDataFolder, "manual.htm").c_str()));
    HWND window = StartAndWaitForWindow(&first_);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_F1, 1));
    HWND box = WaitForWindow(first_.Id(), "Varnlet", "#32770", kStartTimeoutMs);
    ASSERT_NE(nullptr, box) << testing_support::DescribeWindows(0);
    std::string text = testing_support::MessageBoxText(box);
    EXPECT_EQ(std::string("The help page \"") + kDataFolder + "\\manual.htm\" is missing. Installing Varnlet again "
              "puts it back.", text);
    testing_support::PressButton(box, IDOK);
    ASSERT_TRUE(testing_support::WaitForWindowGone(box, kStartTimeoutMs));
    CloseAndExpectCleanExit(window, first_);
}
