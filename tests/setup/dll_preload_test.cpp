// Libraries of system names planted beside the program, where the loader
// looks first by default: SystemLibrary takes the system's own even before
// the search is restricted, and on systems without SetDefaultDllDirectories
// the preloading makes later loads by bare name (as the system's libraries
// do them) find the system's copy. This program lies in a folder of its own,
// so the planted libraries reach no other test.
#include <gtest/gtest.h>

#include <string>

#include "common/dll_search.h"
#include "tests/payload/payload_test_support.h"
#include "tests/support/test_files.h"

namespace {

using testing_support::ProgramFolder;

std::string SystemFolder() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder) : std::string();
}

std::string FileOfModule(HMODULE module) {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path) : std::string();
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// A copy of the probe library under `fileName` beside this program, deleted
// again when the object goes.
class PlantedLibrary {
public:
    explicit PlantedLibrary(const char* fileName) : path_(ProgramFolder() + "\\" + fileName) {
        planted_ = CopyFileA(payload_test::WindowsPathOf(DLL_PROBE).c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~PlantedLibrary() { (void)DeleteFileA(path_.c_str()); }
    bool Planted() const { return planted_; }

private:
    std::string path_;
    bool planted_ = false;
};

TEST(DllPreload, SystemLibraryTakesTheSystemsCopyWithoutAnyRestriction) {
    ASSERT_EQ(nullptr, GetModuleHandleA("shfolder.dll")) << "loaded before the test";
    PlantedLibrary planted("shfolder.dll");
    ASSERT_TRUE(planted.Planted());
    HMODULE module = SystemLibrary("shfolder.dll");
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(nullptr, reinterpret_cast<void*>(GetProcAddress(module, "VarnletProbe"))) << FileOfModule(module);
    EXPECT_EQ(0, lstrcmpiA(SystemFolder().c_str(), FolderOf(FileOfModule(module)).c_str())) << FileOfModule(module);
}

TEST(DllPreload, WithoutDefaultDirectoriesLoadsByNameFindTheSystemsCopy) {
    // Loaded by bare name afterwards, as the shell and COM load them.
    const char* const kPlanted[] = {"oleacc.dll", "dwmapi.dll", "uxtheme.dll"};
    for (const char* name : kPlanted) ASSERT_EQ(nullptr, GetModuleHandleA(name)) << name << " loaded before the test";
    PlantedLibrary oleacc(kPlanted[0]), dwmapi(kPlanted[1]), uxtheme(kPlanted[2]);
    ASSERT_TRUE(oleacc.Planted() && dwmapi.Planted() && uxtheme.Planted());

    RestrictDllSearchWithoutDefaultDirectories();
    for (const char* name : kPlanted) {
        HMODULE module = LoadLibraryA(name);
        ASSERT_NE(nullptr, module) << name;
        EXPECT_EQ(nullptr, reinterpret_cast<void*>(GetProcAddress(module, "VarnletProbe")))
            << name << " came from beside the program: " << FileOfModule(module);
        EXPECT_EQ(0, lstrcmpiA(SystemFolder().c_str(), FolderOf(FileOfModule(module)).c_str()))
            << FileOfModule(module);
        FreeLibrary(module);
    }
    // The search still reaches beside the program for names nobody preloads:
    // what the preloading is there for.
    PlantedLibrary unknown("varnlet-planted-preload.dll");
    ASSERT_TRUE(unknown.Planted());
    HMODULE module = LoadLibraryA("varnlet-planted-preload.dll");
    EXPECT_NE(nullptr, module) << "this system restricts the search after all; the test proves nothing here";
    if (module) FreeLibrary(module);
}

}  // namespace
