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

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

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

// Each update sets the percentage line, then the item line. No message loop
// runs during the extraction: what the dialog shows right after an update
// must already be the finished picture, the one the static controls paint
// themselves (in a second dialog from the same template, beside it), and a
// repaint must show it again.
TEST_F(ProgressDialog, EachUpdateIsOnScreenWithoutAMessageLoop) {
    HWND reference = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), backgroundHwnd,
                                        PlainDialogProc, 0);
    ASSERT_NE(nullptr, reference);
    RECT placed;
    ASSERT_TRUE(GetWindowRect(dialog_, &placed));
    (void)SetWindowPos(reference, nullptr, placed.right + 20, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    const std::string longName = "SYSTEM\\" + std::string(1100, 'n') + ".dll";
    struct Update {
        const char* text;
        int percent;
        const char* percentLine;
        bool itemLineDisabled;
    } updates[] = {
        {"vrl32.exe", 0, "Percent Complete: 0%", false},
        {"manual.htm", 42, "Percent Complete: 42%", false},
        // Wider than the line: it wraps, and the line shows what fits.
        {"SYSTEM\\a folder of the product with a long name\\and a file in it.dll", 43, "Percent Complete: 43%", false},
        // Shorter after longer: nothing of the earlier name stays.
        {"x.jpg", 43, "Percent Complete: 43%", false},
        {"tab\tand.txt", 57, "Percent Complete: 57%", false},
        {"Fish & Chips.txt", 57, "Percent Complete: 57%", false},
        // A disabled control draws its text grey.
        {"greyed.txt", 58, "Percent Complete: 58%", true},
        {"enabled again.txt", 99, "Percent Complete: 99%", false},
        // Longer than the line keeps for itself: the control holds it.
        {longName.c_str(), 99, "Percent Complete: 99%", false},
        {"", 100, "Percent Complete: 100%", false},
        {"Done", 100, "Percent Complete: 100%", false},
        {"negative", -7, "Percent Complete: -7%", false},
        {"beyond", 250, "Percent Complete: 250%", false},
        {"lowest", INT_MIN, "Percent Complete: -2147483648%", false},
    };
    ui_test::Picture before;
    for (const Update& update : updates) {
        SCOPED_TRACE(std::string(update.text).substr(0, 40) + " " + std::to_string(update.percent));
        // Enabling or disabling the line repaints it as the control would.
        for (HWND dialog : {dialog_, reference})
            (void)EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_ITEM), !update.itemLineDisabled);
        ui_test::PumpMessages();
        EXPECT_EQ("", ui_test::FirstDifference(ui_test::RepaintAndCapture(reference), ui_test::RepaintAndCapture(dialog_)))
            << "before the update";

        EXPECT_NE(0, ProgressCallback(dialog_, update.text, update.percent));
        const ui_test::Picture shown = ui_test::CaptureClient(dialog_);
        EXPECT_EQ(update.percentLine, DialogItemText(dialog_, IDC_PROGRESS_PERCENT));
        EXPECT_EQ(update.text, DialogItemText(dialog_, IDC_PROGRESS_ITEM));
        EXPECT_NE("", ui_test::FirstDifference(before, shown)) << "the new texts are drawn at once";

        (void)SetDlgItemTextA(reference, IDC_PROGRESS_ITEM, update.text);
        (void)SetDlgItemTextA(reference, IDC_PROGRESS_PERCENT, update.percentLine);
        const ui_test::Picture painted = ui_test::RepaintAndCapture(reference);
        ASSERT_FALSE(painted.Empty());
        EXPECT_EQ("", ui_test::FirstDifference(painted, shown)) << "as the controls paint themselves";

        ui_test::PumpMessages();
        before = ui_test::RepaintAndCapture(dialog_);
        EXPECT_EQ("", ui_test::FirstDifference(painted, before)) << "repainted";
        if (&update == &updates[1]) (void)testing_support::SaveScreenshot("progress_dialog.bmp");
    }
    (void)DestroyWindow(reference);
}

// Under Wine storing a window's text costs a round trip to the server, so
// during a burst of updates the line answers WM_GETTEXT itself and stores
// its text as the window text proper (what another process's GetWindowText
// reads) at most every 50 ms: then at once when an accessibility client asks
// for the control, and otherwise as soon as a message loop runs (which also
// has it give back its display context until the next update).
TEST_F(ProgressDialog, TheWindowTextCatchesUpWithTheLine) {
    HWND item = GetDlgItem(dialog_, IDC_PROGRESS_ITEM);
    auto windowText = [item] {
        wchar_t text[64] = {};
        (void)InternalGetWindowText(item, text, 64);
        return std::wstring(text);
    };
    struct Case {
        const char* name;
        void (*catchUp)(HWND item);
    } cases[] = {
        {"a message loop runs", [](HWND) {
             for (int i = 0; i < 10; ++i) {
                 Sleep(20);
                 ui_test::PumpMessages();
             }
         }},
        {"an accessibility client asks", [](HWND item) { (void)SendMessageA(item, WM_GETOBJECT, 0, OBJID_CLIENT); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        (void)ProgressCallback(dialog_, "first.txt", 10);
        (void)ProgressCallback(dialog_, "second.txt", 10);
        (void)ProgressCallback(dialog_, "third.txt", 10);
        EXPECT_EQ("third.txt", DialogItemText(dialog_, IDC_PROGRESS_ITEM));
        c.catchUp(item);
        EXPECT_EQ(L"third.txt", windowText());
        // Where the line gave back its display context, it takes it anew.
        (void)ProgressCallback(dialog_, "fourth.txt", 10);
        EXPECT_EQ("", ui_test::DifferenceFromRepaint(dialog_));
    }
}

// A dialog destroyed in the middle of a burst of updates gives back its
// lines' display contexts: a new dialog's updates are on screen at once.
TEST_F(ProgressDialog, ANewDialogAfterOneDestroyedMidwayShowsEachUpdateAtOnce) {
    (void)ProgressCallback(dialog_, "within a burst.txt", 10);
    (void)DestroyWindow(dialog_);
    dialog_ = CreateProgressDialog(GetModuleHandleA(nullptr), backgroundHwnd);
    ASSERT_NE(nullptr, dialog_);
    EXPECT_NE(0, ProgressCallback(dialog_, "next.txt", 11));
    EXPECT_EQ("", ui_test::DifferenceFromRepaint(dialog_));
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
