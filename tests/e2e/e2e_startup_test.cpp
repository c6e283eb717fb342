// A product that offers itself for the startup folder: Yes creates the
// startup link (minimised, with the startup arguments) and starts the product
// at once with those arguments; No does neither. The product's program here
// is the child recorder, so each start shows in the log exactly as made.
#include <shlobj.h>

#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

constexpr char kStoredTime[] = "2005-01-02T03:04:05Z";
constexpr char kArguments[] = "-tray -quiet";
// The startup question of the product description, shown unchanged.
constexpr char kStartupQuestion[] =
    "This application is much more useful if it can run at scheduled times. In order to do this, it must be "
    "installed in your startup folder. Do you want Dawnsheet to be installed in your startup folder?";

class Startup : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        ASSERT_TRUE(CreateFolders(kScratchRoot));
    }

    std::string DataFolder() const { return JoinPath(kScratchRoot, kProduct); }
    std::string MainProgram() const { return JoinPath(DataFolder(), "vmain.exe"); }
    std::string StartupLink() const { return JoinPath(ShellFolder(CSIDL_STARTUP), std::string(kProduct) + ".lnk"); }

    void WalkToTheStartupQuestion(int answer) {
        ASSERT_TRUE(StartAndChooseFolder(BuiltProgram(E2E_STARTUP_SETUP), kScratchRoot, kProduct)) << user().Failure();
        ASSERT_TRUE(ExpectOlderVersionWarning()) << user().Failure();
        ASSERT_TRUE(ExpectBox(kStartupTitle, kStartupQuestion, false, {IDYES, IDNO}, answer, kAfterWaitMs))
            << user().Failure();
    }

    void ExpectInstalled() {
        ExpectPayloadInstalled(DataFolder(), RecorderPayload({"vmain.exe", "rtuninst.exe"}, kStoredTime), {},
                               LinkTargets("vmain.exe"));
        ExpectRegistered(DataFolder(), "vmain.exe");
    }
};

TEST_F(Startup, YesAddsTheStartupLinkAndStartsTheProductWithItsArguments) {
    ASSERT_NO_FATAL_FAILURE(WalkToTheStartupQuestion(IDYES));
    // The immediate start comes before the final question.
    std::vector<ChildRun> runs;
    ASSERT_TRUE(WaitForChildRuns(ChildLog(), 1, kNextWindowMs, &runs)) << "the product was not started at once";
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDYES))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    EXPECT_TRUE(WaitForChildRuns(ChildLog(), 2, kNextWindowMs, &runs)) << "Yes did not start the product";
    ASSERT_EQ(2u, runs.size());

    EXPECT_EQ(MainProgram(), runs[0].program);
    // No line feed after the arguments: the run-time library would hand it to
    // the program as part of its last argument.
    EXPECT_EQ(Quoted("\"" + MainProgram() + "\" " + kArguments), Quoted(runs[0].commandLine))
        << "the immediate start";
    EXPECT_EQ(DataFolder(), runs[0].folder);
    EXPECT_EQ(MainProgram(), runs[1].program);
    EXPECT_EQ(Quoted("\"" + MainProgram() + "\""), Quoted(runs[1].commandLine)) << "the start on Yes";

    LinkSeen link = ReadLink(StartupLink());
    ASSERT_TRUE(link.present) << StartupLink() << " is missing";
    EXPECT_EQ("", link.error);
    EXPECT_EQ(MainProgram(), link.target);
    EXPECT_EQ(kArguments, link.arguments);
    EXPECT_EQ(DataFolder(), link.workingFolder);
    EXPECT_EQ(kProduct, link.description);
    EXPECT_EQ(MainProgram(), link.iconPath);
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_TRUE(link.showCommand == SW_SHOWMINIMIZED || link.showCommand == SW_SHOWMINNOACTIVE)
        << "the link starts the product with show command " << link.showCommand << ", not minimised";
    ExpectInstalled();
}

TEST_F(Startup, NoNeitherAddsTheLinkNorStartsTheProduct) {
    ASSERT_NO_FATAL_FAILURE(WalkToTheStartupQuestion(IDNO));
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDNO))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    // WinExec returns once the program is created, so a start would be logged
    // or under way by now; none of vmain.exe runs either.
    ExpectNotRunning("vmain.exe");
    EXPECT_TRUE(ReadChildRuns(ChildLog()).empty()) << "a program was started";
    EXPECT_FALSE(PathExists(StartupLink())) << StartupLink() << " was created";
    ExpectInstalled();
}

}  // namespace
}  // namespace e2e
