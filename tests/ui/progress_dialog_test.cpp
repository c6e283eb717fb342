// The modeless progress dialog over the background window, updated through
// the callback exactly as the extraction calls it: no message loop between.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/globals.h"
#include "resources/resource_ids.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"
#include "tests/ui/ui_test_support.h"
#include "ui/progress_dialog.h"

using testing_support::DialogItemText;

namespace {

class ProgressDialog : public ui_test::BackgroundWindowTest {
protected:
    void SetUp() override {
        ui_test::BackgroundWindowTest::SetUp();
        dialog_ = CreateProgressDialog(GetModuleHandleA(nullptr), backgroundHwnd);
        ASSERT_NE(nullptr, dialog_);
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        ui_test::BackgroundWindowTest::TearDown();
    }
    HWND dialog_ = nullptr;
};

}  // namespace

TEST_F(ProgressDialog, ShowsItselfOwnedByTheBackgroundWithTheResourceTexts) {
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(backgroundHwnd, GetWindow(dialog_, GW_OWNER));
    EXPECT_EQ("Setup Progress", testing_support::WindowText(dialog_));
    EXPECT_EQ("The application is now being installed.", DialogItemText(dialog_, 0xFFFF));
    EXPECT_EQ("Percent Complete:   0%", DialogItemText(dialog_, IDC_PROGRESS_PERCENT));
    EXPECT_EQ("", DialogItemText(dialog_, IDC_PROGRESS_ITEM));
}

TEST_F(ProgressDialog, EachUpdateSetsThePercentLineThenTheItemLine) {
    struct Update {
        const char* text;
        int percent;
        const char* percentLine;
    } updates[] = {
        {"vrl32.exe", 0, "Percent Complete: 0%"},
        {"manual.htm", 42, "Percent Complete: 42%"},
        {"SYSTEM\\helper.dll", 99, "Percent Complete: 99%"},
        {"", 100, "Percent Complete: 100%"},
        {"Done", 100, "Percent Complete: 100%"},
        {"negative", -7, "Percent Complete: -7%"},
        {"beyond", 250, "Percent Complete: 250%"},
        {"lowest", INT_MIN, "Percent Complete: -2147483648%"},
    };
    for (const Update& update : updates) {
        SCOPED_TRACE(std::string("\"") + update.text + "\" " + std::to_string(update.percent));
        EXPECT_NE(0, ProgressCallback(dialog_, update.text, update.percent));
        EXPECT_EQ(update.percentLine, DialogItemText(dialog_, IDC_PROGRESS_PERCENT));
        EXPECT_EQ(update.text, DialogItemText(dialog_, IDC_PROGRESS_ITEM));
    }
}

// No message loop runs during the extraction: what the dialog shows right
// after an update must already be the finished picture, the one its controls
// paint when the whole dialog is repainted.
TEST_F(ProgressDialog, UpdatesAreOnScreenWithoutAMessageLoop) {
    struct Update {
        const char* text;
        int percent;
        bool itemLineDisabled;
    } updates[] = {
        {"manual.htm", 42, false},
        // Wider than the line: it wraps, and the line shows what fits.
        {"SYSTEM\\a folder of the product with a long name\\and a file in it.dll", 43, false},
        // Shorter after longer: nothing of the earlier name stays.
        {"x.jpg", 43, false},
        {"tab\tand & prefix.txt", 57, false},
        // A disabled control draws its text grey.
        {"greyed.txt", 58, true},
    };
    ui_test::Picture before;
    for (const Update& update : updates) {
        SCOPED_TRACE(update.text);
        (void)EnableWindow(GetDlgItem(dialog_, IDC_PROGRESS_ITEM), !update.itemLineDisabled);
        (void)ProgressCallback(dialog_, update.text, update.percent);
        ui_test::Picture withoutLoop = ui_test::CaptureClient(dialog_);
        EXPECT_EQ(update.text, DialogItemText(dialog_, IDC_PROGRESS_ITEM));
        EXPECT_NE("", ui_test::FirstDifference(before, withoutLoop)) << "the new texts are drawn at once";
        ui_test::PumpMessages();
        RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        before = ui_test::CaptureClient(dialog_);
        ASSERT_FALSE(before.Empty());
        EXPECT_EQ("", ui_test::FirstDifference(before, withoutLoop));
        if (&update == &updates[0]) (void)testing_support::SaveScreenshot("progress_dialog.bmp");
    }
}

TEST_F(ProgressDialog, TheCloseBoxOnlyHidesItAndUpdatesGoOn) {
    // Closing through the system menu arrives as the cancel command.
    SendMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    ui_test::PumpMessages();
    ASSERT_TRUE(IsWindow(dialog_)) << "the dialog is hidden, not destroyed";
    EXPECT_FALSE(IsWindowVisible(dialog_));

    EXPECT_NE(0, ProgressCallback(dialog_, "varnlet.jpg", 71));
    EXPECT_EQ("Percent Complete: 71%", DialogItemText(dialog_, IDC_PROGRESS_PERCENT));
    EXPECT_EQ("varnlet.jpg", DialogItemText(dialog_, IDC_PROGRESS_ITEM));
    EXPECT_FALSE(IsWindowVisible(dialog_));
}

TEST_F(ProgressDialog, ANullHandleTakesUpdatesSilently) {
    (void)ProgressCallback(dialog_, "kept.txt", 12);
    EXPECT_EQ(0, ProgressCallback(nullptr, "lost.txt", 34));
    EXPECT_EQ(0, ProgressCallback(nullptr, "", 100));
    EXPECT_EQ("Percent Complete: 12%", DialogItemText(dialog_, IDC_PROGRESS_PERCENT));
    EXPECT_EQ("kept.txt", DialogItemText(dialog_, IDC_PROGRESS_ITEM));
}
