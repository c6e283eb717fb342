// A Japanese system (code page 932): the user installs into a folder named
// "ソ", whose second byte 0x5C is the byte of "\". The installation creates
// exactly that folder, puts every file in it and registers it, instead of
// cutting the name at that byte. The test runs with a Japanese locale
// (e2e_double_byte_folder_test in CMakeLists.txt).
#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

// "ソ" in code page 932.
constexpr char kSo[] = "\x83\x5C";

class DoubleByteFolder : public Scenario {};

TEST_F(DoubleByteFolder, FolderWhoseSecondByteIsABackslashIsCreatedAndUsedAsNamed) {
    ASSERT_EQ(932u, GetACP()) << "this test needs a Japanese system locale (LANG=ja_JP.UTF-8)";
    ASSERT_TRUE(CreateFolders(kScratchRoot));
    const std::string folder = std::string(kScratchRoot) + "\\" + kSo;

    ASSERT_TRUE(StartInstaller(BuiltProgram(E2E_VARNLET_WARN_SETUP))) << user().Failure();
    ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();
    std::string parent, application;
    HWND dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    ASSERT_TRUE(user().Type(dialog, kParentFolderId, kScratchRoot)) << user().Failure();
    // Put in whole: typed a byte at a time, the lead byte alone is no character.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(GetDlgItem(dialog, kApplicationFolderId), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(L"\u30BD"), SMTO_ABORTIFHUNG, kNextWindowMs, &ignored));
    EXPECT_EQ(kSo, user().Field(dialog, kApplicationFolderId));
    ASSERT_TRUE(user().Click(dialog, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectOlderVersionWarning()) << user().Failure();
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDNO,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    // The scratch folder holds the one folder "ソ", and nothing cut from it
    // ("\x83" alone, or the files beside it).
    ExpectFolderHolds(kScratchRoot, {kSo});
    ExpectPayloadInstalled(folder, VarnletPayload(), {}, LinkTargets("vrl32.exe"));
    ExpectRegistered(folder, "vrl32.exe");
}

}  // namespace
}  // namespace e2e
