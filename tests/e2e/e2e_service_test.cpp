// A product with an NT service and the companion installer: before writing,
// the installer stops the service's stand-alone form and removes the old
// service; afterwards it runs the companion installer and the service
// installer and waits for each. Its programs here are the child recorder, so
// the log shows exactly which program ran with which command line.
#include "tests/e2e/children/child_log_format.h"
#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

constexpr char kServiceName[] = "E2ERecordedService";
constexpr char kStoredTime[] = "2005-01-02T03:04:05Z";

class Service : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        ASSERT_TRUE(DeleteServiceNamed(kServiceName)) << "an old " << kServiceName << " cannot be removed";
        ASSERT_TRUE(CreateFolders(kScratchRoot));
    }
    void TearDown() override {
        EXPECT_TRUE(DeleteServiceNamed(kServiceName));
        Scenario::TearDown();
    }

    std::string DataFolder() const { return JoinPath(kScratchRoot, kProduct); }
    std::string Program(const char* name) const { return JoinPath(DataFolder(), name); }

    // Licence, folder, closing notice and the old-service notice.
    void WalkToTheServiceNotices(const std::vector<std::string>& environment = {}) {
        ASSERT_TRUE(StartAndChooseFolder(BuiltProgram(E2E_SERVICE_SETUP), kScratchRoot, kProduct, environment))
            << user().Failure();
        ASSERT_TRUE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK))
            << user().Failure();
        ASSERT_TRUE(ExpectBox(kOldServiceTitle, kOldServiceText, true, {IDOK}, IDOK, kAfterWaitMs)) << user().Failure();
        // The companion installer has run by the time the service notice comes.
        ASSERT_TRUE(ExpectBox(kInstallingServiceTitle, kInstallingServiceText, false, {IDOK}, IDOK, kAfterWaitMs))
            << user().Failure();
    }

    void ExpectRun(const ChildRun& run, const char* program, const std::string& commandLine) {
        EXPECT_EQ(Program(program), run.program);
        EXPECT_EQ(Quoted(commandLine), Quoted(run.commandLine)) << program << " was started so";
        EXPECT_EQ(DataFolder(), run.folder) << program << " started in";
    }

    void ExpectInstalled() {
        ExpectPayloadInstalled(DataFolder(),
                               RecorderPayload({"vmain.exe", "nsvcrun.exe", "vrlsvc.exe", "rtuninst.exe"}, kStoredTime),
                               {}, {"vmain.exe", "nsvcrun.exe", "vrlsvc.exe", "rtuninst.exe"});
        ExpectRegistered(DataFolder(), "vmain.exe");
    }
};

TEST_F(Service, OldServiceRemovedNewOneInstalledAndTheProductStarted) {
    ASSERT_TRUE(RegisterStoppedService(kServiceName, BuiltProgram(RECORDER_EXE)));
    std::string failure;
    RunningCopy win9xService(std::string(kServiceName) + " Win9x Service", JoinPath(OutputFolder(), "win9x.log"),
                             true);
    ASSERT_TRUE(win9xService.Start(&failure)) << failure;

    ASSERT_NO_FATAL_FAILURE(WalkToTheServiceNotices());
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDYES,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    // The stand-alone form of the service was told to quit, not to close.
    EXPECT_TRUE(win9xService.WaitForExit(kNextWindowMs));
    EXPECT_EQ("WM_QUIT 0 0\n", win9xService.Log());
    EXPECT_EQ(2, win9xService.ExitStatus());
    EXPECT_FALSE(ServiceExists(kServiceName)) << "the old service is still registered";

    std::vector<ChildRun> runs;
    EXPECT_TRUE(WaitForChildRuns(ChildLog(), 3, kNextWindowMs, &runs)) << runs.size() << " programs ran";
    ASSERT_EQ(3u, runs.size());
    ExpectRun(runs[0], "nsvcrun.exe", "\"" + Program("nsvcrun.exe") + "\" -install -sid=0");
    ExpectRun(runs[1], "vrlsvc.exe", "\"" + Program("vrlsvc.exe") + "\" -install-service");
    ExpectRun(runs[2], "vmain.exe", "\"" + Program("vmain.exe") + "\"");
    ExpectInstalled();
}

TEST_F(Service, AFailingServiceInstallerIsReportedAndTheInstallationStands) {
    // No old service this time: its removal finds none and goes on.
    ASSERT_NO_FATAL_FAILURE(WalkToTheServiceNotices({std::string(kChildFailVariable) + "=-install-service"}));
    ASSERT_TRUE(ExpectBox(kServiceFailedTitle, kServiceFailedText, true, {IDOK}, IDOK, kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDNO))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    std::vector<ChildRun> runs = ReadChildRuns(ChildLog());
    ASSERT_EQ(2u, runs.size()) << "programs that ran";
    ExpectRun(runs[0], "nsvcrun.exe", "\"" + Program("nsvcrun.exe") + "\" -install -sid=0");
    ExpectRun(runs[1], "vrlsvc.exe", "\"" + Program("vrlsvc.exe") + "\" -install-service");
    ExpectInstalled();
}

}  // namespace
}  // namespace e2e
