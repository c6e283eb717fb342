// Libraries of system names planted beside the program, where the loader
// looks first by default: SystemLibrary takes the system's own even before
// the search is restricted, and on systems without SetDefaultDllDirectories
// the preloading makes later loads by bare name (as the system's libraries
// do them) find the system's copy. This program lies in a folder of its own,
// so the planted libraries reach no other test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

bool InSystemFolder(const char* fileName) {
    return GetFileAttributesA((SystemFolder() + "\\" + fileName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(DllPreload, WithoutDefaultDirectoriesLoadsByNameFindTheSystemsCopy) {
    // Every library that the system's own libraries load later by bare name
    // (the shell, COM, themes, access checks...), each planted beside the
    // program. One this system lacks cannot be preloaded, and one loaded
    // already proves nothing: both are passed over, but never the first three.
    const char* const kLoadedByName[] = {
        "oleacc.dll",  "dwmapi.dll",  "uxtheme.dll", "userenv.dll", "setupapi.dll", "apphelp.dll",  "propsys.dll",
        "cryptbase.dll", "clbcatq.dll", "version.dll", "cryptsp.dll", "profapi.dll",  "ntmarta.dll",
    };
    std::vector<const char*> planted;
    std::vector<std::unique_ptr<PlantedLibrary>> copies;
    for (const char* name : kLoadedByName) {
        bool always = planted.size() < 3;
        if (!always && (!InSystemFolder(name) || GetModuleHandleA(name))) continue;
        ASSERT_EQ(nullptr, GetModuleHandleA(name)) << name << " loaded before the test";
        copies.push_back(std::unique_ptr<PlantedLibrary>(new PlantedLibrary(name)));
        ASSERT_TRUE(copies.back()->Planted()) << name;
        planted.push_back(name);
    }

    RestrictDllSearchWithoutDefaultDirectories();
    for (const char* name : planted) {
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
