// A whole installation of a product with an NT service and a companion, on
// Wine's NT platform, driven like a user: the old service is stopped and
// deleted after "Uninstalling Old Service (If Present)" and the pause, and
// after the files are written the companion installer and the real service
// installer run and are waited for; "Service Installation Failed" comes only
// when the service installer fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"
#include "tests/e2e/driver/user_driver.h"
#include "tests/services/support/service_control.h"
#include "tests/support/screenshot.h"

namespace {

using e2e::FormatText;
using e2e::JoinPath;
using e2e::Quoted;

// The names of tests/services/variants/service_setup.json.
constexpr char kProduct[] = "VarnletSvcTest";
constexpr char kIniFile[] = "vrlsvctest.ini";
constexpr char kService[] = "VarnletE2EService";
constexpr e2e::ProductNames kNames = {kProduct, kProduct, kIniFile, ""};
// The parent of the data folder; the dialog makes only the last level.
constexpr char kParent[] = "C:\\vrlsvc-e2e";
// The closing of running copies waits 10 s; the removal of a running service
// waits at least 1 s after the stop request, and the pause after the removal
// lasts 6 s.
constexpr int kClosingWaitMs = 10000;
constexpr DWORD kLeastStopWaitMs = 1000;
constexpr DWORD kPauseAfterRemovalMs = 6000;
constexpr int kServiceStartMs = 20000;

std::string DataFolder() { return JoinPath(kParent, kProduct); }

std::string IniValue(const std::string& file, const char* section, const char* key) {
    char value[1024];
    DWORD length = GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
    return std::string(value, length);
}

class ServiceSetup : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string output = JoinPath(testing_support::TestOutputFolder(), test->name());
        ASSERT_TRUE(e2e::RemoveTree(output));
        ASSERT_TRUE(e2e::CreateFolders(output));
        user_.reset(new e2e::UserDriver(output, stdout));
        RemoveTraces();
        ASSERT_TRUE(e2e::CreateFolders(kParent));
    }

    void TearDown() override {
        user_.reset();  // ends an installer that a failed test left running
        RemoveTraces();
    }

    static void RemoveTraces() {
        EXPECT_TRUE(testing_support::RemoveTestService(kService)) << "the service " << kService << " stays";
        // A service that gave up at its start has reported itself stopped
        // while its process may still be ending and holding its program file.
        std::string left;
        DWORD start = GetTickCount();
        while (!(left = e2e::RemoveProductTraces(kNames, {kParent})).empty() && GetTickCount() - start < 10000)
            Sleep(100);
        EXPECT_EQ("", left);
    }

    // An old copy of the service, running from the build folder: it takes
    // 1.5 s to stop when asked.
    void StartOldService() {
        std::string command = "\"" + e2e::WindowsPathOf(VRLSVC_EXE) + "\" -run-service -stop-delay=1500";
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::CreateTestService(kService, command.c_str()));
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::StartServiceAndWait(kService, kServiceStartMs));
        oldServiceProcess_ = OpenProcess(SYNCHRONIZE, FALSE, testing_support::ServiceProcessId(kService));
        ASSERT_NE(nullptr, oldServiceProcess_);
    }

    bool ExpectBox(const char* title, const std::string& text, bool warningIcon, int timeoutMs) {
        e2e::MessageBoxSeen seen;
        if (!user_->WaitForMessageBox(title, timeoutMs, &seen)) return false;
        EXPECT_EQ(Quoted(text), Quoted(seen.text)) << "text of " << Quoted(title);
        EXPECT_EQ(warningIcon, seen.hasIcon) << "icon of " << Quoted(title);
        EXPECT_EQ(std::vector<int>{IDOK}, seen.buttons) << "buttons of " << Quoted(title);
        return user_->Answer(seen, IDOK);
    }

    // Everything up to the old service's removal and the pause after it, which
    // must last at least `leastMs`; returns when "Installing Service" has been
    // answered.
    void WalkToTheServiceInstallation(const std::vector<std::string>& environment, DWORD leastMs) {
        ASSERT_TRUE(user_->Start(e2e::WindowsPathOf(SERVICE_SETUP_EXE), "", "C:\\", environment))
            << user_->Failure();
        ASSERT_TRUE(e2e::AnswerLicence(*user_, true, nullptr)) << user_->Failure();
        std::string parent, application;
        HWND dialog = e2e::WaitForFolderDialog(*user_, &parent, &application);
        ASSERT_TRUE(dialog) << user_->Failure();
        ASSERT_TRUE(e2e::ChooseFolder(*user_, dialog, kParent, kProduct)) << user_->Failure();
        ASSERT_TRUE(ExpectBox(e2e::kClosingTitle, FormatText(e2e::kClosingFormat, kProduct), true, e2e::kNextWindowMs))
            << user_->Failure();
        ASSERT_TRUE(ExpectBox(e2e::kOldServiceTitle, e2e::kOldServiceText, true, kClosingWaitMs + e2e::kAfterWaitMs))
            << user_->Failure();
        DWORD answered = GetTickCount();

        // Nothing of the product is written before the old service is gone.
        e2e::MessageBoxSeen installing;
        ASSERT_TRUE(user_->WaitForMessageBox(e2e::kInstallingServiceTitle, e2e::kAfterWaitMs, &installing))
            << user_->Failure();
        DWORD tookMs = GetTickCount() - answered;
        EXPECT_GE(tookMs, leastMs) << "the removal's wait and the 6 s pause were cut short";
        EXPECT_EQ(Quoted(e2e::kInstallingServiceText), Quoted(installing.text));
        EXPECT_FALSE(installing.hasIcon) << "\"Installing Service\" is a plain box";
        EXPECT_EQ(std::vector<int>{IDOK}, installing.buttons);
        if (oldServiceProcess_) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(oldServiceProcess_, 0)) << "the old service still runs";
            (void)CloseHandle(oldServiceProcess_);
            oldServiceProcess_ = nullptr;
        }
        // The companion installer ran and ended before this box.
        std::string record = JoinPath(DataFolder(), "nsvcrun.ini");
        EXPECT_EQ("0", IniValue(record, "Companion", "sid")) << record;
        EXPECT_EQ(JoinPath(DataFolder(), "nsvcrun.exe"), IniValue(record, "Companion", "program")) << record;
        EXPECT_FALSE(testing_support::ServiceExists(kService)) << "the old service was not deleted";

        ASSERT_TRUE(user_->Answer(installing, IDOK)) << user_->Failure();
    }

    // The success question, answered No; the installer ends with status 0.
    void DeclineToStartAndEnd() {
        e2e::MessageBoxSeen success;
        ASSERT_TRUE(user_->WaitForMessageBox(e2e::kSuccessTitle, e2e::kNextWindowMs, &success)) << user_->Failure();
        EXPECT_EQ(Quoted(FormatText(e2e::kSuccessFormat, kProduct, kProduct)), Quoted(success.text));
        ASSERT_TRUE(user_->Answer(success, IDNO)) << user_->Failure();
        DWORD status = 0xFFFFFFFF;
        ASSERT_TRUE(user_->WaitForExit(e2e::kNextWindowMs, &status)) << user_->Failure();
        EXPECT_EQ(0u, status);
    }

    std::unique_ptr<e2e::UserDriver> user_;
    HANDLE oldServiceProcess_ = nullptr;
};

TEST_F(ServiceSetup, ReplacesTheRunningOldServiceWithTheNewOne) {
    StartOldService();
    ASSERT_NO_FATAL_FAILURE(WalkToTheServiceInstallation({}, kLeastStopWaitMs + kPauseAfterRemovalMs));

    // The next box is the success question, not "Service Installation
    // Failed": the service installer ended with status 0 before it.
    int which = -1;
    HWND next = user_->WaitForAnyWindow({e2e::kServiceFailedTitle, e2e::kSuccessTitle}, e2e::kNextWindowMs, &which);
    ASSERT_TRUE(next) << user_->Failure();
    EXPECT_EQ(1, which) << "\"Service Installation Failed\" came although the service installer succeeded";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), testing_support::ServiceState(kService));
    EXPECT_EQ("\"" + JoinPath(DataFolder(), "vrlsvc.exe") + "\" -run-service",
              testing_support::ServiceCommandLine(kService))
        << "the new service must run the installed program";
    if (which == 0) {
        e2e::MessageBoxSeen failed;
        ASSERT_TRUE(user_->WaitForMessageBox(e2e::kServiceFailedTitle, 0, &failed)) << user_->Failure();
        ASSERT_TRUE(user_->Answer(failed, IDOK)) << user_->Failure();
    }
    DeclineToStartAndEnd();
}

TEST_F(ServiceSetup, AFailingServiceInstallerBringsTheWarningAndTheRunGoesOn) {
    // No old service this time, so the removal finds nothing to stop; the
    // installed service gives up as soon as it starts.
    ASSERT_NO_FATAL_FAILURE(
        WalkToTheServiceInstallation({"VARNLET_TEST_SERVICE_OPTIONS=-fail-start"}, kPauseAfterRemovalMs));
    ASSERT_TRUE(
        ExpectBox(e2e::kServiceFailedTitle, e2e::kServiceFailedText, true, kServiceStartMs + e2e::kNextWindowMs))
        << user_->Failure();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), testing_support::ServiceState(kService));
    DeclineToStartAndEnd();
}

}  // namespace
