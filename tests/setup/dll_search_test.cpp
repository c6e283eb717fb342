// After the installer restricts the library search, a library of a made-up
// name in the current folder or beside the program is no longer found, while
// system libraries and the shell link object still work.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "common/dll_search.h"
#include "tests/payload/payload_test_support.h"
#include "tests/support/test_files.h"

namespace {

using testing_support::ProgramFolder;

bool Loads(const char* name) {
    HMODULE library = LoadLibraryA(name);
    if (library) FreeLibrary(library);
    return library != nullptr;
}

TEST(DllSearch, PlantedLibrariesAreFoundBeforeAndNotAfterTheRestriction) {
    payload_test::ScratchFolder folder;  // the current folder
    ASSERT_FALSE(folder.path().empty());
    std::string probe = payload_test::WindowsPathOf(DLL_PROBE);
    std::string besideProgram = ProgramFolder() + "\\varnlet-planted-beside.dll";
    ASSERT_TRUE(CopyFileA(probe.c_str(), folder.File("varnlet-planted-here.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(probe.c_str(), besideProgram.c_str(), FALSE));

    // The search as it is at start-up would take both.
    EXPECT_TRUE(Loads("varnlet-planted-here.dll"));
    EXPECT_TRUE(Loads("varnlet-planted-beside.dll"));

    RestrictDllSearchToSystemFolder();
    EXPECT_FALSE(Loads("varnlet-planted-here.dll"));
    EXPECT_FALSE(Loads("varnlet-planted-beside.dll"));
    // What the installer itself loads at run time is in the system folder.
    HMODULE shfolder = LoadLibraryA("shfolder.dll");
    ASSERT_NE(nullptr, shfolder);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(shfolder, "SHGetFolderPathA")));
    FreeLibrary(shfolder);
    DeleteFileA(besideProgram.c_str());
}

TEST(DllSearch, TheShellLinkObjectStillSavesAndReadsALink) {
    RestrictDllSearchToSystemFolder();
    payload_test::ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    ASSERT_EQ(S_OK, result) << std::hex << result;
    std::string target = folder.File("target.exe");
    ASSERT_TRUE(payload_test::WriteText(target, "MZ"));
    EXPECT_EQ(S_OK, link->SetPath(target.c_str()));
    IPersistFile* file = nullptr;
    ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    std::string linkPath = folder.File("probe.lnk");
    wchar_t wideLinkPath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wideLinkPath, MAX_PATH);
    EXPECT_EQ(S_OK, file->Save(wideLinkPath, TRUE));
    file->Release();
    link->Release();
    EXPECT_TRUE(payload_test::PathExists(linkPath));

    IShellLinkA* loaded = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&loaded)));
    IPersistFile* loadedFile = nullptr;
    ASSERT_EQ(S_OK, loaded->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&loadedFile)));
    EXPECT_EQ(S_OK, loadedFile->Load(wideLinkPath, STGM_READ));
    char path[MAX_PATH] = "";
    EXPECT_EQ(S_OK, loaded->GetPath(path, sizeof path, nullptr, 0));
    EXPECT_STREQ(target.c_str(), path);
    loadedFile->Release();
    loaded->Release();
    CoUninitialize();
}

}  // namespace
