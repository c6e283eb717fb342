// The installation sequence with a product that warns about older versions,
// runs a companion installer and replaces an NT service, and needs 3 MB: the
// free-space check on the small drive T:, the service messages, and the child
// programs started and waited for. Its subsystems are recording fakes.
#include <gtest/gtest.h>

#include <direct.h>

#include <algorithm>
#include <string>
#include <vector>

#include "product/product_data.h"
#include "tests/payload/payload_test_support.h"
#include "tests/setup/sequence_fakes.h"
#include "tests/setup/sequence_test_support.h"

using namespace sequence_test;

namespace {

const char kIni[] = "varnlet-sequence.ini";
const char kCloseCopiesText[] =
    "Do you already have an older version of Varnlet?\r\n\r\nIf you do, MAKE SURE IT IS NOT RUNNING RIGHT NOW. If "
    "it is running, shut it down BEFORE clicking the OK button.\r\n\r\nIf you have not installed Varnlet before, "
    "just click the OK button.";
const char kOldServiceText[] =
    "There will be a brief pause while any previously installed copies of our NT service are shut down. This "
    "pause will begin when you click OK.";
const char kServiceNotRemovedText[] =
    "The NT service could not be uninstalled. This may occur if the program is in the middle of a "
    "time-consuming operation and is not able to respond to shutdown requests at this time. Wait a considerable "
    "time and try the install again. If the problem persists, call technical support.";
const char kInstallingServiceText[] =
    "There will be a brief pause while the new NT service is started up. This pause will begin when you click "
    "OK.";
const char kServiceFailedText[] =
    "The installation of the service did not succeed. The software can still be run manually.";

std::string NoSpaceText(const std::string& root, int freeMegabytes) {
    return "Not enough free disk space is available on the drive you have specified. 3 megabytes of free space "
           "are required for the proper operation of the program. On drive " +
           root + " only " + std::to_string(freeMegabytes) +
           " megabytes of free space are available.\r\n\r\nYou will be given another opportunity to choose a "
           "location for the software. You may wish to cancel the installation process, or use your Windows "
           "desktop to delete files, making more room for the program.";
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// The child log's path, for the probe that notes how many programs had
// finished when each message box came.
std::string childLogPath;
std::string CountChildStarts() { return std::to_string(ReadChildLog(childLogPath).size()); }

bool SmallDrive(std::string& why, int& freeMegabytes) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA("T:\\", &available, &total, &free)) {
        why = "drive T: is absent";
        return false;
    }
    if (total.QuadPart > 4u * 1024 * 1024) {
        why = "drive T: is not the small tmpfs";
        return false;
    }
    freeMegabytes = static_cast<int>(free.QuadPart >> 20);
    return true;
}

class ServiceSequence : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.path().empty());
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        ASSERT_TRUE(GetVersionExA(&version));
        ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), version.dwPlatformId) << "the service steps need NT";
        fakes::Reset();
        dir_ = scratch_.File("VarnletSequence");
        childLogPath = scratch_.File("children.log");
        UseChildLog(childLogPath);
        _putenv("VARNLET_E2E_FAIL_ARG=");
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
        for (const char* program : {"vrl32.exe", "nsvcrun.exe", "vsvc.exe"})
            ASSERT_TRUE(CopyFileA(payload_test::WindowsPathOf(RECORDER_EXE).c_str(),
                                  (dir_ + "\\" + program).c_str(), FALSE));
    }
    void TearDown() override {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        payload_test::RemoveTree(std::string(windows) + "\\" + kIni);
        _putenv("VARNLET_E2E_FAIL_ARG=");
        fakes::Reset();
    }

    payload_test::ScratchFolder scratch_;
    std::string dir_;
};

TEST_F(ServiceSequence, TooLittleSpaceShowsTheNumbersAndTheFolderChoiceComesBack) {
    std::string why;
    int freeMegabytes = 0;
    if (!SmallDrive(why, freeMegabytes)) GTEST_SKIP() << why;
    std::string small = "T:\\varnlet-sequence-" + std::to_string(GetCurrentProcessId());
    fakes::CurrentScript().folders = {small, dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}}, CountChildStarts);
    payload_test::RemoveTree(small);

    EXPECT_EQ(0, outcome.status);
    ASSERT_GE(outcome.boxes.size(), 1u) << outcome.description;
    EXPECT_EQ("Not Enough Disk Space", outcome.boxes[0].title);
    EXPECT_EQ(NoSpaceText("T:\\", freeMegabytes), outcome.boxes[0].text);
    EXPECT_TRUE(outcome.boxes[0].warningIcon);
    EXPECT_EQ(2, std::count(fakes::Calls().begin(), fakes::Calls().end(),
                            "chooseDataFolder(owner=background, alwaysAsk=1) -> 1"))
        << outcome.description;
}

TEST_F(ServiceSequence, AFolderWithoutDriveLetterIsCheckedOnTheCurrentDrive) {
    std::string why;
    int freeMegabytes = 0;
    if (!SmallDrive(why, freeMegabytes)) GTEST_SKIP() << why;
    std::string relative = "\\varnlet-sequence-" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(0, _chdir("T:\\"));
    fakes::CurrentScript().folders = {relative, dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}});
    payload_test::RemoveTree("T:" + relative);

    ASSERT_GE(outcome.boxes.size(), 1u) << outcome.description;
    EXPECT_EQ("Not Enough Disk Space", outcome.boxes[0].title);
    EXPECT_EQ(NoSpaceText("T:/", freeMegabytes), outcome.boxes[0].text);
}

TEST_F(ServiceSequence, WarnsRemovesTheOldServiceRunsBothInstallersAndWaitsForThem) {
    fakes::CurrentScript().folders = {dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}}, CountChildStarts);
    EXPECT_EQ(0, outcome.status);

    ASSERT_EQ(4u, outcome.boxes.size()) << outcome.description;
    EXPECT_EQ("Close Running Copies First!", outcome.boxes[0].title);
    EXPECT_EQ(kCloseCopiesText, outcome.boxes[0].text);
    EXPECT_TRUE(outcome.boxes[0].warningIcon);
    EXPECT_EQ(std::vector<int>{IDOK}, outcome.boxes[0].buttons);
    EXPECT_EQ("Uninstalling Old Service (If Present)", outcome.boxes[1].title);
    EXPECT_EQ(kOldServiceText, outcome.boxes[1].text);
    EXPECT_TRUE(outcome.boxes[1].warningIcon);
    // The new-service notice is a plain box; the companion has ended by then.
    EXPECT_EQ("Installing Service", outcome.boxes[2].title);
    EXPECT_EQ(kInstallingServiceText, outcome.boxes[2].text);
    EXPECT_FALSE(outcome.boxes[2].anyIcon);
    EXPECT_EQ(std::vector<int>{IDOK}, outcome.boxes[2].buttons);
    EXPECT_EQ("1", outcome.boxes[2].note) << "programs that had ended when the notice came";
    EXPECT_EQ("Installation Successful", outcome.boxes[3].title);
    EXPECT_EQ("2", outcome.boxes[3].note) << "programs that had ended when the question came";
    for (const BoxSeen& box : outcome.boxes) EXPECT_EQ(fakes::BackgroundWindow(), box.owner) << box.title;

    const std::vector<std::string>& calls = fakes::Calls();
    EXPECT_FALSE(fakes::WasCalled("closeRunningCopies")) << outcome.description;
    auto removal = std::find(calls.begin(), calls.end(), "removeOldService -> 0");
    ASSERT_NE(calls.end(), removal) << outcome.description;
    ASSERT_NE(calls.end(), removal + 1);
    EXPECT_EQ("BusyWait(6000)", *(removal + 1));
    EXPECT_EQ("CreateProgressDialog(owner=background)", *(removal + 2));

    std::vector<ChildStart> starts = ReadChildLog(childLogPath);
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ(dir_ + "\\nsvcrun.exe", starts[0].program);
    EXPECT_EQ(Quote(dir_ + "\\nsvcrun.exe") + " -install -sid=0", starts[0].commandLine);
    EXPECT_EQ(dir_, starts[0].folder);
    EXPECT_EQ(dir_ + "\\vsvc.exe", starts[1].program);
    EXPECT_EQ(Quote(dir_ + "\\vsvc.exe") + " -install-service", starts[1].commandLine);

    char value[1024];
    GetPrivateProfileStringA("Options", "dataDir", "<absent>", value, sizeof value, kIni);
    EXPECT_EQ(dir_, std::string(value));
}

TEST_F(ServiceSequence, AFailingServiceInstallerIsReportedAndTheRunGoesOn) {
    _putenv("VARNLET_E2E_FAIL_ARG=-install-service");
    fakes::CurrentScript().folders = {dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}});
    ASSERT_EQ(5u, outcome.boxes.size()) << outcome.description;
    EXPECT_EQ("Installing Service", outcome.boxes[2].title);
    EXPECT_EQ("Service Installation Failed", outcome.boxes[3].title);
    EXPECT_EQ(kServiceFailedText, outcome.boxes[3].text);
    EXPECT_TRUE(outcome.boxes[3].warningIcon);
    EXPECT_EQ("Installation Successful", outcome.boxes[4].title);
}

TEST_F(ServiceSequence, AnOldServiceThatCannotBeRemovedEndsTheRunBeforeExtraction) {
    fakes::CurrentScript().folders = {dir_};
    fakes::CurrentScript().serviceRemovalResult = -1;
    RunOutcome outcome = RunSequence({});
    EXPECT_EQ(0, outcome.status);
    ASSERT_EQ(3u, outcome.boxes.size()) << outcome.description;
    EXPECT_EQ("Close Running Copies First!", outcome.boxes[0].title);
    EXPECT_EQ("Uninstalling Old Service (If Present)", outcome.boxes[1].title);
    EXPECT_EQ("NT Service Not Uninstalled", outcome.boxes[2].title);
    EXPECT_EQ(kServiceNotRemovedText, outcome.boxes[2].text);
    EXPECT_TRUE(outcome.boxes[2].warningIcon);
    EXPECT_EQ("removeOldService -> -1", fakes::Calls().back()) << outcome.description;
    EXPECT_TRUE(ReadChildLog(childLogPath).empty());
}

}  // namespace
