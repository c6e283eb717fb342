// Removing the old NT service through Wine's real service control manager,
// with a real service that stops at once, slowly, not at all or starts again.
// The texts written to standard output are captured and compared exactly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "common/globals.h"
#include "product/product_data.h"
#include "services/service_removal.h"
#include "tests/services/support/service_control.h"
#include "tests/support/test_files.h"

namespace {

using testing_support::ProgramFolder;

constexpr int kStartTimeoutMs = 20000;
constexpr int kGoneTimeoutMs = 20000;

// `text` with every "{S}" replaced by the service name.
std::string WithName(const char* text) {
    std::string result = text;
    for (size_t at = result.find("{S}"); at != std::string::npos; at = result.find("{S}", at))
        result.replace(at, 3, ProductConfig.serviceName);
    return result;
}

// Runs removeOldServiceWithin with the C run-time's standard output (file 1)
// sent to a file, and returns what was written, read back in text mode as the
// program wrote it.
std::string CaptureRemoval(int stopPendingLimitMs, int& result) {
    // The busy animation between the polls draws on the installer's window;
    // a hidden one here keeps it off the screen that other tests share.
    if (!backgroundHwnd)
        backgroundHwnd =
            CreateWindowA("STATIC", "Install", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, backgroundHwnd);
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    EXPECT_TRUE(length > 0 && length < sizeof temp);
    std::string path = std::string(temp) + "service-removal-output.txt";
    int capture = _open(path.c_str(), _O_CREAT | _O_TRUNC | _O_RDWR | _O_TEXT, _S_IREAD | _S_IWRITE);
    EXPECT_GE(capture, 0);
    (void)std::fflush(stdout);
    int saved = _dup(1);
    EXPECT_EQ(0, _dup2(capture, 1));
    result = removeOldServiceWithin(stopPendingLimitMs);
    (void)std::fflush(stdout);
    EXPECT_EQ(0, _dup2(saved, 1));
    (void)_close(saved);
    (void)_close(capture);

    std::string text;
    FILE* file = std::fopen(path.c_str(), "r");
    EXPECT_NE(nullptr, file);
    if (file) {
        int c;
        while ((c = std::fgetc(file)) != EOF) text += static_cast<char>(c);
        (void)std::fclose(file);
    }
    (void)DeleteFileA(path.c_str());
    return text;
}

enum class Before { kAbsent, kRegistered, kRunning };
enum class After { kGone, kMarkedAndStillRunning };

struct RemovalCase {
    const char* what;
    Before before;
    const char* serviceOption;  // the test service's behaviour, "" for a plain one
    int stopPendingLimitMs;
    const char* expectedOutput;  // "{S}" stands for the service name
    int expectedResult;
    After after;
    DWORD stateAfter;  // for the cases left running
};

void PrepareService(const RemovalCase& c) {
    const char* name = ProductConfig.serviceName;
    if (c.before == Before::kAbsent) return;
    std::string command = "\"" + ProgramFolder() + "\\vrlsvc.exe\" -run-service";
    if (c.serviceOption[0] != '\0') command += std::string(" ") + c.serviceOption;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::CreateTestService(name, command.c_str()));
    if (c.before == Before::kRegistered) return;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::StartServiceAndWait(name, kStartTimeoutMs));
}

}  // namespace

TEST(ServiceRemoval, StopsAndDeletesTheOldServiceWritingItsProgress) {
    const RemovalCase cases[] = {
        {"no such service", Before::kAbsent, "", kStopPendingLimitMs, "OpenService failed\n", 0, After::kGone, 0},
        {"installed but stopped: the stop request is refused", Before::kRegistered, "", kStopPendingLimitMs,
         "{S} removed.\n", 0, After::kGone, 0},
        {"running, stops at once", Before::kRunning, "", kStopPendingLimitMs,
         "Stopping {S}.\n{S} stopped.\n{S} removed.\n", 0, After::kGone, 0},
        // Polled after 1 s and 2 s while still stopping, seen stopped after 3 s.
        {"running, needs 2.5 s to stop", Before::kRunning, "-stop-delay=2500", kStopPendingLimitMs,
         "Stopping {S}...\n{S} stopped.\n{S} removed.\n", 0, After::kGone, 0},
        // Stopping after 1 s, running again after 2 s.
        {"running, starts again instead of stopping", Before::kRunning, "-restart-on-stop", kStopPendingLimitMs,
         "Stopping {S}..\n{S} failed to stop.\n{S} removed.\n", 0, After::kMarkedAndStillRunning, SERVICE_RUNNING},
        // Waits while stopping until 3 s have passed since the request.
        {"running, stuck stopping", Before::kRunning, "-stuck-on-stop", 3000,
         "Stopping {S}...\n{S} failed to stop.\n{S} removed.\n", 0, After::kMarkedAndStillRunning,
         SERVICE_STOP_PENDING},
        {"running, takes no stop request", Before::kRunning, "-refuse-stop", kStopPendingLimitMs, "{S} removed.\n",
         0, After::kMarkedAndStillRunning, SERVICE_RUNNING},
    };
    const char* name = ProductConfig.serviceName;
    for (const RemovalCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testing_support::RemoveTestService(name)) << "a service " << name << " was left from before";
        PrepareService(c);
        if (testing::Test::HasFatalFailure()) break;

        int result = 99;
        std::string output = CaptureRemoval(c.stopPendingLimitMs, result);
        EXPECT_EQ(WithName(c.expectedOutput), output);
        EXPECT_EQ(c.expectedResult, result);

        if (c.after == After::kGone) {
            EXPECT_TRUE(testing_support::WaitForServiceGone(name, kGoneTimeoutMs)) << "the service is still there";
        } else {
            EXPECT_EQ(c.stateAfter, testing_support::ServiceState(name));
            // Marked for deletion: once its process ends it disappears with no
            // further deletion.
            EXPECT_TRUE(testing_support::EndServiceProcess(name));
            EXPECT_TRUE(testing_support::WaitForServiceGone(name, kGoneTimeoutMs))
                << "the service was not marked for deletion";
        }
    }
    EXPECT_TRUE(testing_support::RemoveTestService(name));
}

TEST(ServiceRemoval, AServiceAlreadyMarkedForDeletionCannotBeDeletedAgain) {
    const char* name = ProductConfig.serviceName;
    ASSERT_TRUE(testing_support::RemoveTestService(name)) << "a service " << name << " was left from before";
    std::string command = "\"" + ProgramFolder() + "\\vrlsvc.exe\" -run-service -refuse-stop";
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::CreateTestService(name, command.c_str()));
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), testing_support::StartServiceAndWait(name, kStartTimeoutMs));

    int result = 99;
    EXPECT_EQ(WithName("{S} removed.\n"), CaptureRemoval(kStopPendingLimitMs, result));
    EXPECT_EQ(0, result);
    // Still running, so still there, and the second deletion fails.
    EXPECT_EQ(WithName("DeleteService failed\n"), CaptureRemoval(kStopPendingLimitMs, result));
    EXPECT_EQ(-1, result);

    EXPECT_TRUE(testing_support::RemoveTestService(name));
}
