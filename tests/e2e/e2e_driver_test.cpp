// The user driver and its helpers checked against the system's own windows:
// a message box is read completely and answered with the button asked for,
// typing and waiting fail with a description of the screen, and the helpers'
// conversions hold.
#include <gtest/gtest.h>

#include "tests/e2e/children/child_log_format.h"
#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/user_driver.h"
#include "tests/support/screenshot.h"

namespace e2e {
namespace {

constexpr int kBoxMs = 30000;

std::string BoxProgram() { return WindowsPathOf(MESSAGE_BOX_PROGRAM_EXE); }

struct BoxCase {
    const char* title;
    const char* text;  // passed on the command line: no double quotes
    UINT style;
    bool hasIcon;
    std::vector<int> buttons;
    int answer;
};

TEST(UserDriver, ReadsAndAnswersMessageBoxes) {
    const BoxCase cases[] = {
        {"Plain Box", "Just a sentence.", MB_OK, false, {IDOK}, IDOK},
        {"Warning Box", "Careful.", MB_OK | MB_ICONWARNING, true, {IDOK}, IDOK},
        {"Question Box", "Yes or no?", MB_YESNO, false, {IDYES, IDNO}, IDNO},
        {"Question Box", "Yes or no?", MB_YESNO, false, {IDYES, IDNO}, IDYES},
    };
    std::string folder = JoinPath(testing_support::TestOutputFolder(), "boxes");
    for (const BoxCase& box : cases) {
        SCOPED_TRACE(std::string(box.title) + " answered " + ButtonName(box.answer));
        UserDriver user(folder, stdout);
        std::string arguments = "\"" + std::string(box.title) + "\" \"" + box.text + "\" " + std::to_string(box.style);
        ASSERT_TRUE(user.Start(BoxProgram(), arguments, "", {})) << user.Failure();
        MessageBoxSeen seen;
        ASSERT_TRUE(user.WaitForMessageBox(box.title, kBoxMs, &seen)) << user.Failure();
        EXPECT_EQ(box.title, seen.title);
        EXPECT_EQ(box.text, seen.text);
        EXPECT_EQ(box.hasIcon, seen.hasIcon);
        EXPECT_EQ(box.buttons, seen.buttons);
        ASSERT_TRUE(user.Answer(seen, box.answer)) << user.Failure();
        DWORD status = 0;
        ASSERT_TRUE(user.WaitForExit(kBoxMs, &status)) << user.Failure();
        EXPECT_EQ(static_cast<DWORD>(box.answer), status) << "the box was answered with another button";
    }
}

TEST(UserDriver, RefusesAButtonTheBoxDoesNotHaveAndDescribesTheScreenWhenAWindowDoesNotCome) {
    UserDriver user(JoinPath(testing_support::TestOutputFolder(), "failures"), nullptr);
    ASSERT_TRUE(user.Start(BoxProgram(), "\"Only OK\" \"One button.\" 0", "", {})) << user.Failure();
    MessageBoxSeen seen;
    ASSERT_TRUE(user.WaitForMessageBox("Only OK", kBoxMs, &seen)) << user.Failure();
    EXPECT_FALSE(user.Answer(seen, IDYES));
    EXPECT_NE(std::string::npos, user.Failure().find("has no Yes button")) << user.Failure();

    EXPECT_FALSE(user.WaitForWindow("A Window That Never Comes", 300));
    EXPECT_NE(std::string::npos, user.Failure().find("did not come within 300 ms")) << user.Failure();
    // The description lists what was on screen instead, and the screenshot.
    EXPECT_NE(std::string::npos, user.Failure().find("\"Only OK\"")) << user.Failure();
    EXPECT_NE(std::string::npos, user.Failure().find("screenshot: ")) << user.Failure();
    EXPECT_FALSE(user.Type(seen.window, 4711, "text"));

    ASSERT_TRUE(user.Answer(seen, IDOK)) << user.Failure();
    DWORD status = 0;
    ASSERT_TRUE(user.WaitForExit(kBoxMs, &status)) << user.Failure();
    EXPECT_EQ(static_cast<DWORD>(IDOK), status);
    // Once the program has ended, waiting fails at once rather than at the timeout.
    DWORD start = GetTickCount();
    EXPECT_FALSE(user.WaitForWindow("Only OK", kBoxMs));
    EXPECT_LT(GetTickCount() - start, static_cast<DWORD>(kBoxMs));
    EXPECT_NE(std::string::npos, user.Failure().find("ended (exit status 1)")) << user.Failure();
}

TEST(UserDriver, NumbersEachStepAndItsScreenshot) {
    std::string folder = JoinPath(testing_support::TestOutputFolder(), "steps");
    ASSERT_TRUE(RemoveTree(folder));
    UserDriver user(folder, nullptr);
    user.Step("first, without a screenshot", false);
    std::string shot = user.Step("Second: with one!", true);
    EXPECT_EQ("02-second-with-one.bmp", shot);
    ASSERT_EQ(2u, user.Steps().size());
    EXPECT_EQ("[01] first, without a screenshot", user.Steps()[0]);
    EXPECT_EQ("[02] Second: with one!  (02-second-with-one.bmp)", user.Steps()[1]);
    EXPECT_EQ(std::vector<std::string>{"02-second-with-one.bmp"}, FolderEntries(folder));
}

TEST(Traces, ConvertsTimesAndQuotesTexts) {
    const struct {
        const char* iso;
        long long seconds;
    } times[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2004-09-09T14:15:38Z", 1094739338},
        {"2000-02-29T12:00:00Z", 951825600},
        {"2038-01-19T03:14:07Z", 2147483647},
        {"2004-09-09T14:15:38", -1},
        {"2004-13-01T00:00:00Z", -1},
    };
    for (const auto& time : times) EXPECT_EQ(time.seconds, UnixTimeFromIso(time.iso)) << time.iso;
    EXPECT_EQ("\"a\\r\\r\\n\\\"b\\\"\\\\\\t\\x01\"", Quoted("a\r\r\n\"b\"\\\t\x01"));
    for (const char* field : {"", "plain", "C:\\Program Files\\x.exe", "tab\there", "line\r\nend\n", "\\n"})
        EXPECT_EQ(field, UnescapeLogField(EscapeLogField(field)));
    EXPECT_EQ(std::string::npos, EscapeLogField("a\tb\nc").find_first_of("\t\n"));
}

TEST(Traces, WritesReadsAndRemovesFilesWithTheirTimes) {
    std::string folder = JoinPath(testing_support::TestOutputFolder(), "files");
    ASSERT_TRUE(RemoveTree(folder));
    std::string file = JoinPath(JoinPath(folder, "a\\b"), "c.bin");
    ASSERT_TRUE(CreateFolders(JoinPath(folder, "a\\b")));
    ASSERT_TRUE(WriteWholeFile(file, std::string("x\0y", 3)));
    ASSERT_TRUE(SetFileTimes(file, 1000000000, 1094739338));
    long long accessed = 0, modified = 0;
    ASSERT_TRUE(FileTimes(file, &accessed, &modified));
    EXPECT_EQ(1000000000, accessed);
    EXPECT_EQ(1094739338, modified);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(file, &bytes));
    EXPECT_EQ(std::string("x\0y", 3), bytes);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveTree(folder));
    EXPECT_FALSE(PathExists(folder));
}

}  // namespace
}  // namespace e2e
