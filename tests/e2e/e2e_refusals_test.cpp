// A user who walks away: declining the licence, cancelling the folder dialog.
// Either way the installer ends with status 0 and nothing of the product is
// left on the machine.
#include <shlobj.h>

#include "tests/e2e/scenario.h"
#include "tests/support/window_driver.h"

namespace e2e {
namespace {

using Refusals = Scenario;

TEST_F(Refusals, DecliningTheLicenceEndsAtOnce) {
    // Arguments are ignored: the run is the same as without them.
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE), "/S /D=C:\\e2e\\elsewhere")) << user().Failure();

    HWND background = user().WaitForWindow(BackgroundTitle().c_str(), kNextWindowMs);
    ASSERT_TRUE(background) << user().Failure();
    EXPECT_EQ(kBackgroundClass, testing_support::ClassName(background));
    RECT covered = {}, desktop = {};
    GetWindowRect(background, &covered);
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(0, covered.left);
    EXPECT_EQ(0, covered.top);
    EXPECT_EQ(desktop.right, covered.right);
    EXPECT_EQ(desktop.bottom, covered.bottom);

    std::string licence;
    ASSERT_TRUE(AnswerLicence(user(), false, &licence)) << user().Failure();
    EXPECT_EQ(VarnletLicence(), licence) << "the licence box shows the licence unchanged";
    ASSERT_TRUE(ExpectBox(kNotInstalledTitle, kNotInstalledText, true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    ExpectNoTraceOfTheProduct();
    EXPECT_FALSE(PathExists("C:\\e2e\\elsewhere")) << "the arguments were acted on";
}

TEST_F(Refusals, CancellingTheFolderDialogShutsDown) {
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();

    std::string parent, application;
    HWND dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    // Nothing recorded yet, so the proposal is the product's folder under
    // Program Files.
    EXPECT_EQ(ShellFolder(CSIDL_PROGRAM_FILES), parent);
    EXPECT_EQ(kProduct, application);
    ASSERT_TRUE(user().Click(dialog, IDCANCEL)) << user().Failure();

    ASSERT_TRUE(ExpectBox(kShuttingDownTitle, kShuttingDownText, true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kNotInstalledTitle, kNotInstalledText, true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    ExpectNoTraceOfTheProduct();
}

}  // namespace
}  // namespace e2e
