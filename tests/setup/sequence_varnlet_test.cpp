// The installation sequence with this build's configuration, its other
// subsystems replaced by recording fakes: which steps run in which order with
// which arguments, and the message boxes a user sees and answers. Writes the
// product's ini file in the Windows directory, so it runs alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/product_data.h"
#include "tests/payload/payload_test_support.h"
#include "tests/setup/sequence_fakes.h"
#include "tests/setup/sequence_test_support.h"

using namespace sequence_test;

namespace {

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

class VarnletSequence : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.path().empty());
        fakes::Reset();
        dir_ = scratch_.File("Varnlet");
        log_ = scratch_.File("children.log");
        UseChildLog(log_);
        ClearIni();
    }
    void TearDown() override {
        ClearIni();
        fakes::Reset();
    }
    static void ClearIni() { (void)WritePrivateProfileStringA("Options", "dataDir", nullptr, "varnlet2.ini"); }
    static std::string IniDataDir() {
        char value[1024];
        GetPrivateProfileStringA("Options", "dataDir", "<absent>", value, sizeof value, "varnlet2.ini");
        return value;
    }

    // The calls of a successful run up to the success question.
    std::vector<std::string> SuccessfulCalls() const {
        return {"CreateBackgroundWindow",
                "RunLicenceDialog(owner=background)",
                "chooseDataFolder(owner=background, alwaysAsk=1) -> 1",
                "closeRunningCopies(owner=background)",
                "CreateProgressDialog(owner=background)",
                "ExtractPayload(progress, ProgressCallback) -> 4",
                "CreateShortcut(\"Varnlet\", \"Varnlet\", " + Quote(dir_ + "\\vrl32.exe") + ", " + Quote(dir_) +
                    ", null)",
                "CreateShortcut(\"Varnlet\", \"Uninstall\", " + Quote(dir_ + "\\rtuninst.exe") + ", " +
                    Quote(dir_) + ", null)",
                "RegisterUninstallAndStartup(" + Quote(dir_ + "\\rtuninst.exe") + ", " +
                    Quote(dir_ + "\\vrl32.exe") + ")",
                "DestroyBackgroundWindow"};
    }

    void ExpectSuccessQuestion(const RunOutcome& outcome) {
        ASSERT_EQ(1u, outcome.boxes.size()) << outcome.description;
        const BoxSeen& box = outcome.boxes[0];
        EXPECT_EQ("Installation Successful", box.title);
        EXPECT_EQ("Varnlet has been successfully installed on your system. Would you like to start Varnlet now?",
                  box.text);
        EXPECT_FALSE(box.anyIcon);
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box.buttons);
        EXPECT_EQ(fakes::BackgroundWindow(), box.owner);
    }

    // The run's one box: a warning with OK alone, over the background window.
    static void ExpectOnlyWarning(const RunOutcome& outcome, const char* title, const std::string& text) {
        ASSERT_EQ(1u, outcome.boxes.size()) << outcome.description;
        EXPECT_EQ(title, outcome.boxes[0].title);
        EXPECT_EQ(text, outcome.boxes[0].text);
        EXPECT_TRUE(outcome.boxes[0].warningIcon);
        EXPECT_EQ(std::vector<int>{IDOK}, outcome.boxes[0].buttons);
        EXPECT_EQ(fakes::BackgroundWindow(), outcome.boxes[0].owner);
    }

    payload_test::ScratchFolder scratch_;
    std::string dir_, log_;
};

TEST_F(VarnletSequence, AnUnregisteredWindowClassEndsTheRunSilently) {
    fakes::CurrentScript().classRegistered = false;
    RunOutcome outcome = RunSequence({});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ(std::vector<std::string>{"CreateBackgroundWindow"}, fakes::Calls()) << outcome.description;
    EXPECT_TRUE(outcome.boxes.empty()) << outcome.description;

    // Even this short run has taken the current folder out of the library
    // search before anything else (dll_search_test shows the library is
    // found there otherwise).
    ASSERT_TRUE(CopyFileA(payload_test::WindowsPathOf(DLL_PROBE).c_str(),
                          scratch_.File("varnlet-planted.dll").c_str(), FALSE));
    HMODULE planted = LoadLibraryA("varnlet-planted.dll");
    EXPECT_EQ(nullptr, planted) << "a library in the current folder was loaded";
    if (planted) FreeLibrary(planted);
}

TEST_F(VarnletSequence, GivingUpTheFolderChoiceSaysTheApplicationIsNotInstalled) {
    fakes::CurrentScript().folders = {""};
    RunOutcome outcome = RunSequence({});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ((std::vector<std::string>{"CreateBackgroundWindow", "RunLicenceDialog(owner=background)",
                                        "chooseDataFolder(owner=background, alwaysAsk=1) -> 0"}),
              fakes::Calls())
        << outcome.description;
    ExpectOnlyWarning(outcome, "Application Not Installed", kNotInstalledText);
    EXPECT_EQ("<absent>", IniDataDir());
}

TEST_F(VarnletSequence, DamagedDataIsToldBeforeTheLicenceAndNothingElseHappens) {
    fakes::CurrentScript().folders = {dir_};
    fakes::CurrentScript().payloadIntact = false;
    RunOutcome outcome = RunSequence({});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ(std::vector<std::string>{"CreateBackgroundWindow"}, fakes::Calls()) << outcome.description;
    ExpectOnlyWarning(outcome, "Installer Damaged", kDamagedText);
    EXPECT_EQ("<absent>", IniDataDir());
}

TEST_F(VarnletSequence, EachFailedExtractionShowsItsTextThenRemovesTheWrittenFiles) {
    struct Case {
        int result;
        const char* text;
    };
    // 5: a chunk that does not inflate is damage, not a full disk.
    const Case cases[] = {{1, kCreateFailedText}, {2, kWriteFailedText}, {3, kNoMemoryText}, {5, kDamagedText}};
    for (const Case& c : cases) {
        SCOPED_TRACE("extraction result " + std::to_string(c.result));
        fakes::Reset();
        fakes::CurrentScript().folders = {dir_};
        fakes::CurrentScript().extractResult = c.result;
        RunOutcome outcome = RunSequence({});
        EXPECT_EQ(0, outcome.status);
        ExpectOnlyWarning(outcome, "Varnlet Installation Failed", c.text);
        ASSERT_FALSE(fakes::Calls().empty());
        EXPECT_EQ("RemovePayload(null, null)", fakes::Calls().back()) << outcome.description;
        EXPECT_FALSE(fakes::WasCalled("CreateShortcut")) << outcome.description;
        EXPECT_FALSE(fakes::WasCalled("RegisterUninstallAndStartup")) << outcome.description;
        EXPECT_EQ("<absent>", IniDataDir());
        // The progress dialog and the background stay until the process ends.
        EXPECT_TRUE(IsWindow(fakes::ProgressWindow()));
        EXPECT_TRUE(IsWindow(fakes::BackgroundWindow()));
    }
}

TEST_F(VarnletSequence, ASuccessfulRunAnsweredNoRecordsTheFolderAndStartsNothing) {
    fakes::CurrentScript().folders = {dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ(SuccessfulCalls(), fakes::Calls()) << outcome.description;
    EXPECT_EQ(dir_, fakes::ExtractionFolder()) << "extraction runs in the data folder";
    ExpectSuccessQuestion(outcome);
    EXPECT_FALSE(IsWindow(fakes::ProgressWindow()));
    EXPECT_FALSE(IsWindow(fakes::BackgroundWindow()));
    EXPECT_EQ(dir_, IniDataDir());
    EXPECT_TRUE(ReadChildLog(log_).empty());
    EXPECT_FALSE(ProcessRunning("vrl32.exe"));
}

TEST_F(VarnletSequence, AFolderTooLongForTheProductsPathsIsRefusedAndChosenAgain) {
    // With "\rtuninst.exe" this folder needs 1025 bytes.
    std::string tooLong = "C:\\" + std::string(1009, 'v');
    fakes::CurrentScript().folders = {tooLong, dir_};
    RunOutcome outcome = RunSequence({{"Installation Successful", IDNO}});
    EXPECT_EQ(0, outcome.status);
    ASSERT_EQ(2u, outcome.boxes.size()) << outcome.description;
    EXPECT_EQ("Folder Name Too Long", outcome.boxes[0].title);
    EXPECT_TRUE(outcome.boxes[0].warningIcon);
    EXPECT_EQ("Installation Successful", outcome.boxes[1].title);
    std::vector<std::string> expected = SuccessfulCalls();
    expected.insert(expected.begin() + 2, "chooseDataFolder(owner=background, alwaysAsk=1) -> 1");
    EXPECT_EQ(expected, fakes::Calls()) << outcome.description;
    EXPECT_EQ(dir_, IniDataDir());
}

}  // namespace
