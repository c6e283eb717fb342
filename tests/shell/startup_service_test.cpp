// The startup entry of a product that wants one and has a service: the
// service takes its place on the NT family; elsewhere the entry is made
// without asking, with the configured link name and arguments.
#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "product/product_data.h"
#include "shell/uninstall_registration.h"
#include "tests/shell/support/registration_run.h"
#include "tests/shell/support/shell_test_support.h"

namespace {

const std::string kProduct = "Varnlet Startup Service";
const std::string kLinkName = "Varnlet Tray";
constexpr char kProgramName[] = "varnlet probe.exe";
constexpr char kArguments[] = "-tray -quiet";
constexpr int kStartTimeoutMs = 20000;

class StartupServiceTest : public shell_test::ProductVariantTest {
protected:
    StartupServiceTest() : ProductVariantTest(kProduct.c_str(), "Startup Service") {}
    void TearDown() override {
        ProductVariantTest::TearDown();
        (void)DeleteFileA((shell_test::SpecialFolder(CSIDL_STARTUP) + "\\" + kLinkName + ".lnk").c_str());
    }
};

TEST_F(StartupServiceTest, OnTheNtFamilyTheServiceTakesThePlaceOfTheEntry) {
    shell_test::RegistrationRun run = shell_test::RunRegistration(data, shell_test::kWindowsNt, IDYES, kLinkName);
    EXPECT_TRUE(run.questions.empty()) << "asked: " << run.questions.front().text;
    EXPECT_FALSE(run.startupLinkExists) << run.startupLinkPath;
    EXPECT_FALSE(run.started) << "started with " << run.start.commandLine;
    // The product name is never the link's name when one is configured.
    EXPECT_FALSE(shell_test::FileExists(shell_test::SpecialFolder(CSIDL_STARTUP) + "\\" + kProduct + ".lnk"));
}

TEST_F(StartupServiceTest, ElsewhereTheEntryIsMadeWithoutAsking) {
    shell_test::RegistrationRun run = shell_test::RunRegistration(data, shell_test::kWindows9x, IDNO, kLinkName);
    EXPECT_TRUE(run.questions.empty()) << "asked: " << run.questions.front().text;
    ASSERT_TRUE(run.startupLinkExists) << run.startupLinkPath;
    EXPECT_EQ(data.Program(), run.startupLink.target);
    EXPECT_EQ(data.path(), run.startupLink.workingFolder);
    EXPECT_EQ(kLinkName, run.startupLink.description);
    EXPECT_EQ(kArguments, run.startupLink.arguments);
    EXPECT_EQ(SW_SHOWMINNOACTIVE, run.startupLink.showCommand);
    ASSERT_TRUE(run.started) << "the product was not started";
    ASSERT_TRUE(run.start.seen) << "the product left no record";
    EXPECT_EQ("\"" + data.Program() + "\" " + kArguments, run.start.commandLine);
    EXPECT_EQ(SW_SHOW, run.start.showCommand);
}

TEST_F(StartupServiceTest, TheShellStartsTheProductThroughTheStartupLink) {
    // Keep the link this time: the shell itself opens it, as at log-on.
    shell_test::ScopedInstallerState state(data.path(), shell_test::kWindows9x);
    ASSERT_TRUE(state.ok());
    std::vector<shell_test::QuestionBox> questions = shell_test::RunAnsweringQuestions(
        [this] { RegisterUninstallAndStartup(data.Uninstaller().c_str(), data.Program().c_str()); }, IDNO);
    EXPECT_TRUE(questions.empty());
    std::string link = shell_test::SpecialFolder(CSIDL_STARTUP) + "\\" + kLinkName + ".lnk";
    ASSERT_TRUE(shell_test::FileExists(link));
    ASSERT_TRUE(data.WaitForStart(kStartTimeoutMs).seen) << "the immediate start left no record";
    data.ForgetStart();

    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpFile = link.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute)) << "error " << GetLastError();
    if (execute.hProcess) (void)CloseHandle(execute.hProcess);
    shell_test::TestDataFolder::Start start = data.WaitForStart(kStartTimeoutMs);
    ASSERT_TRUE(start.seen) << "opening the link started nothing";
    EXPECT_NE(std::string::npos, start.commandLine.find(kProgramName)) << start.commandLine;
    const std::string tail = std::string(" ") + kArguments;
    bool endsWithArguments = start.commandLine.size() >= tail.size() &&
                             start.commandLine.compare(start.commandLine.size() - tail.size(), tail.size(), tail) == 0;
    EXPECT_TRUE(endsWithArguments) << start.commandLine;
    EXPECT_EQ(0, _stricmp(data.path().c_str(), start.currentFolder.c_str())) << start.currentFolder;
}

}  // namespace
