// Another product, made with the one command (scripts/make-installer.sh) from
// its description alone: "Acmé Café" (tests/e2e/products/acme/), with a
// version, a publisher, an icon of its own and texts in code page 1252.
//
// Its installer's version resource, manifest and icon are Acmé Café's, read
// from the file with the system's own calls (as the file properties and the
// elevation prompt read them), and nothing in it says Varnlet. A real
// installation shows the name correctly in the caption, the licence and the
// messages, and registers "DisplayVersion" and "Publisher". The uninstaller
// the build made for it carries the same identity and removes Acmé Café's
// files, links, key and ini entry.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <set>

#include <gtest/gtest.h>

#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"
#include "tests/e2e/driver/user_driver.h"
#include "tests/support/scheduled_deletions.h"
#include "tests/support/screenshot.h"
#include "varnlet/rtuninst/exit_status.h"

namespace e2e {
namespace {

// The product's texts as the description writes them, and as the installer's
// narrow strings hold them in code page 1252.
const wchar_t kNameW[] = L"Acm\u00e9 Caf\u00e9";
const char kName[] = "Acm\xe9 Caf\xe9";
const wchar_t kPublisherW[] = L"Acm\u00e9 \"Fine\" Things & Co";
const wchar_t kVersionW[] = L"2.5.0.17";
const char kIniFile[] = "acmecafe.ini";
const char kParent[] = "C:\\e2e\\acme";
const ProductNames kNames = {kName, kName, kIniFile, ""};

std::wstring Wide(const std::string& text, UINT codePage) {
    int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], length);
    return out;
}

std::string Utf8(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}

std::string FileBytes(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
}

// What Windows shows in a program's file properties.
struct VersionSeen {
    bool present = false;
    DWORD fileVersionMs = 0, fileVersionLs = 0;
    std::wstring Value(const wchar_t* name) const {
        void* text = nullptr;
        UINT length = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &text, &length) || !text) return L"(none)";
        return static_cast<const wchar_t*>(text);
    }
    std::vector<char> block;
};

VersionSeen ReadVersion(const std::wstring& path) {
    VersionSeen seen;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return seen;
    seen.block.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, seen.block.data())) return seen;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(seen.block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        seen.fileVersionMs = fixed->dwFileVersionMS;
        seen.fileVersionLs = fixed->dwFileVersionLS;
    }
    seen.present = true;
    return seen;
}

// One resource of a program file, read without running it.
std::string ResourceOf(const std::wstring& path, WORD id, const wchar_t* type) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "";
    std::string bytes;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data) bytes.assign(static_cast<const char*>(data), SizeofResource(module, found));
    FreeLibrary(module);
    return bytes;
}

uint32_t Little(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The program's icon `groupId` holds exactly the images of the .ico file.
void ExpectIconOf(const std::wstring& program, WORD groupId, const std::string& ico) {
    std::string group = ResourceOf(program, groupId, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u) << "no icon " << groupId;
    ASSERT_GE(ico.size(), 6u);
    uint32_t count = Little(group, 4, 2);
    ASSERT_EQ(Little(ico, 4, 2), count) << "images in the icon";
    ASSERT_EQ(6u + 14 * count, group.size());
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = 6 + 14 * i, fileEntry = 6 + 16 * i;
        std::string image = ResourceOf(program, static_cast<WORD>(Little(group, entry + 12, 2)), MAKEINTRESOURCEW(3));
        uint32_t size = Little(ico, fileEntry + 8, 4), offset = Little(ico, fileEntry + 12, 4);
        ASSERT_LE(static_cast<size_t>(offset) + size, ico.size());
        EXPECT_TRUE(image == ico.substr(offset, size)) << "image " << i << " differs from the product's icon";
    }
}

// Neither "varnlet" nor its UTF-16 form, in any case, anywhere in the file.
void ExpectNoVarnlet(const std::string& path) {
    std::string bytes = FileBytes(path);
    std::transform(bytes.begin(), bytes.end(), bytes.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    EXPECT_EQ(std::string::npos, bytes.find("varnlet")) << path;
    EXPECT_EQ(std::string::npos, bytes.find(std::string("v\0a\0r\0n\0l\0e\0t\0", 14))) << path;
}

// The identity of the installer (role "Setup") or its uninstaller ("Uninstall").
void ExpectIdentity(const std::string& program, const char* role, const wchar_t* fileName, WORD iconId) {
    SCOPED_TRACE(program);
    std::wstring path = Wide(program, CP_ACP);
    VersionSeen version = ReadVersion(path);
    ASSERT_TRUE(version.present) << "no version resource";
    EXPECT_EQ(std::wstring(kNameW) + L" " + Wide(role, CP_ACP), version.Value(L"FileDescription"));
    EXPECT_EQ(kNameW, version.Value(L"ProductName"));
    EXPECT_EQ(kPublisherW, version.Value(L"CompanyName"));
    EXPECT_EQ(L"\u00a9 2026 Acm\u00e9", version.Value(L"LegalCopyright"));
    EXPECT_EQ(kVersionW, version.Value(L"FileVersion"));
    EXPECT_EQ(kVersionW, version.Value(L"ProductVersion"));
    EXPECT_EQ(fileName, version.Value(L"OriginalFilename"));
    EXPECT_EQ(static_cast<DWORD>(2 << 16 | 5), version.fileVersionMs);
    EXPECT_EQ(static_cast<DWORD>(0 << 16 | 17), version.fileVersionLs);

    std::string manifest = ResourceOf(path, 1, MAKEINTRESOURCEW(24));  // RT_MANIFEST
    EXPECT_NE(std::string::npos, manifest.find(std::string("name=\"Acme.Cafe.") + role + "\" version=\"2.5.0.17\""))
        << manifest;
    EXPECT_NE(std::string::npos, manifest.find("<description>" + Utf8(kNameW) + " " + role + "</description>"))
        << manifest;
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware")) << manifest;

    ExpectIconOf(path, iconId, FileBytes(WindowsPathOf(ACME_ICON)));
    ExpectNoVarnlet(program);
}

std::wstring RegistryText(HKEY key, const wchar_t* name) {
    wchar_t text[512] = L"";
    DWORD type = 0, size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return L"(none)";
    return type == REG_SZ ? std::wstring(text) : L"(not REG_SZ)";
}

std::set<std::wstring> FolderNamesW(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool ExistsW(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ProgramsFolder() {
    wchar_t folder[MAX_PATH] = L"";
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, folder)) ? folder : L"";
}

class OtherProduct : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1252u, GetACP()) << "the product declares code page 1252; the prefix must use it";
        output_ = JoinPath(testing_support::TestOutputFolder(), "acme");
        ASSERT_TRUE(RemoveTree(output_) && CreateFolders(output_)) << output_;
        ASSERT_EQ("", RemoveProductTraces(kNames, {kParent}));
    }
    void TearDown() override {
        user_.reset();
        EXPECT_EQ("", RemoveProductTraces(kNames, {kParent}));
        // The uninstaller's temporary copy, should Wine have left it for the restart.
        (void)testing_support::TakeScheduledDeletions(
            [](const std::string& path) { return path.find("rtuninst-") != std::string::npos; }, kNextWindowMs);
    }

    UserDriver& User() {
        if (!user_) user_.reset(new UserDriver(output_, stdout));
        return *user_;
    }
    // A message box of the running program, its text compared, answered.
    void ExpectBox(const char* title, const std::string& text, int answer, int timeoutMs = kNextWindowMs) {
        MessageBoxSeen seen;
        ASSERT_TRUE(User().WaitForMessageBox(title, timeoutMs, &seen)) << User().Failure();
        EXPECT_EQ(Quoted(text), Quoted(seen.text)) << "message box " << Quoted(title);
        ASSERT_TRUE(User().Answer(seen, answer)) << User().Failure();
        // The next box may have the same title: this one must be gone first.
        ASSERT_TRUE(User().WaitForWindowGone(seen.window, title, kNextWindowMs)) << User().Failure();
    }

    std::string output_;
    std::unique_ptr<UserDriver> user_;
};

TEST_F(OtherProduct, InstallerCarriesTheProductsIdentityAndNoTraceOfVarnlet) {
    ExpectIdentity(WindowsPathOf(ACME_SETUP_EXE), "Setup", L"AcmeSetup.exe", 110);
}

TEST_F(OtherProduct, InstallsUnderItsNameAndItsOwnUninstallerRemovesIt) {
    const std::string folder = JoinPath(kParent, kName);
    const std::wstring folderW = Wide(folder, CP_ACP);
    ASSERT_TRUE(CreateFolders(kParent));
    ASSERT_TRUE(User().Start(WindowsPathOf(ACME_SETUP_EXE), "", "C:\\", {})) << User().Failure();

    // The caption and the licence as a person sees them.
    HWND background = User().WaitForWindow(FormatText(kBackgroundTitleFormat, kName).c_str(), kNextWindowMs);
    ASSERT_TRUE(background) << User().Failure();
    wchar_t caption[256] = L"";
    GetWindowTextW(background, caption, 256);
    EXPECT_EQ(std::wstring(L"Install ") + kNameW, caption);
    HWND licence = User().WaitForWindow(kLicenceTitle, kNextWindowMs);
    ASSERT_TRUE(licence) << User().Failure();
    std::vector<wchar_t> licenceText(8192);
    GetDlgItemTextW(licence, kLicenceTextId, licenceText.data(), static_cast<int>(licenceText.size()));
    EXPECT_EQ(Wide(FileBytes(WindowsPathOf(ACME_LICENCE)), CP_UTF8), std::wstring(licenceText.data()));
    ASSERT_TRUE(User().Click(licence, kLicenceAcceptId)) << User().Failure();

    std::string parent, application;
    HWND dialog = WaitForFolderDialog(User(), &parent, &application);
    ASSERT_TRUE(dialog) << User().Failure();
    EXPECT_EQ(Quoted(kName), Quoted(application)) << "the proposed application folder";
    ASSERT_TRUE(ChooseFolder(User(), dialog, kParent, kName)) << User().Failure();
    ASSERT_NO_FATAL_FAILURE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kName), IDOK));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kName, kName), IDNO, kAfterWaitMs));
    DWORD status = 1;
    ASSERT_TRUE(User().WaitForExit(kNextWindowMs, &status)) << User().Failure();
    EXPECT_EQ(0u, status);

    // What it left: the files under their names, the links, the uninstall key.
    EXPECT_EQ((std::set<std::wstring>{L"acme.exe", L"docs", L"Lisez-moi caf\u00e9.txt", L"rtuninst.exe"}),
              FolderNamesW(folderW));
    EXPECT_EQ(FileBytes(WindowsPathOf(ACME_LISEZ_MOI)), FileBytes(JoinPath(folder, "docs\\notes.txt")));
    EXPECT_EQ(FileBytes(WindowsPathOf(ACME_LISEZ_MOI)), FileBytes(JoinPath(folder, "Lisez-moi caf\xe9.txt")));
    std::wstring menu = ProgramsFolder() + L"\\" + kNameW;
    EXPECT_TRUE(ExistsW(menu + L"\\" + kNameW + L".lnk")) << Utf8(menu);
    EXPECT_TRUE(ExistsW(menu + L"\\Uninstall.lnk")) << Utf8(menu);
    std::wstring keyPath = std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kNameW;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(kNameW, RegistryText(key, L"DisplayName"));
    EXPECT_EQ(kVersionW, RegistryText(key, L"DisplayVersion"));
    EXPECT_EQ(kPublisherW, RegistryText(key, L"Publisher"));
    std::wstring uninstallString = RegistryText(key, L"UninstallString");
    RegCloseKey(key);
    std::string dataFolder;
    EXPECT_TRUE(ReadIniValue(kIniFile, kIniSection, kIniKey, &dataFolder));
    EXPECT_EQ(folder, dataFolder);

    // The uninstaller the build made for Acmé Café.
    const std::string uninstaller = JoinPath(folder, "rtuninst.exe");
    ASSERT_EQ(L"\"" + Wide(uninstaller, CP_ACP) + L"\"", uninstallString);
    ExpectIdentity(uninstaller, "Uninstall", L"rtuninst.exe", 1);
    ASSERT_TRUE(User().Start(uninstaller, "", "C:\\", {})) << User().Failure();
    const std::string title = std::string("Uninstall ") + kName;
    ASSERT_NO_FATAL_FAILURE(ExpectBox(
        title.c_str(),
        FormatText("Do you want to remove %s from this computer?\r\n\r\nIts files in %s, its Start-menu entries and "
                   "its entry in the list of installed programs will be deleted. Files of your own in that folder "
                   "are kept.",
                   kName, folder.c_str()),
        IDYES));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBox(title.c_str(), FormatText("%s has been removed from this computer.", kName), IDOK, kAfterWaitMs));
    ASSERT_TRUE(User().WaitForExit(kNextWindowMs, &status)) << User().Failure();
    EXPECT_EQ(static_cast<DWORD>(varnlet::kExitRemoved), status);

    // Its temporary copy, running from a private folder of its own, deletes
    // the uninstaller and then the empty folder.
    EXPECT_EQ("", WaitForUninstallerCopies(kNextWindowMs));
    EXPECT_FALSE(ExistsW(folderW)) << folder << " stays, holding " << FolderNamesW(folderW).size() << " entries";
    EXPECT_FALSE(ExistsW(menu)) << "the Start-menu folder stays";
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key))
        << "the uninstall key stays";
    EXPECT_FALSE(ReadIniValue(kIniFile, kIniSection, kIniKey, &dataFolder)) << "the ini entry stays";
}

}  // namespace
}  // namespace e2e
