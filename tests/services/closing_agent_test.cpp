// Closing running copies of a product whose service is "VrlAgent": its
// stand-alone Win9x form, the window titled exactly "VrlAgent Win9x
// Service", is told to quit.
#include <gtest/gtest.h>

#include "tests/services/running_copies_harness.h"

using running_copies_test::kStillRunning;
using running_copies_test::WindowCase;

TEST(ClosingRunningCopies, TheServiceWindowGetsQuitAndOnlyItsExactTitleCounts) {
    const WindowCase cases[] = {
        {"VrlAgent Win9x Service", false, "WM_QUIT 0 0\n", 2},
        // Held open against WM_CLOSE: a quit request must come alone.
        {"VrlAgent Win9x Service", true, "WM_QUIT 0 0\n", 2},
        {"VrlAgent Win9x Service 2", false, "", kStillRunning},
        {"VrlAgent Win9x", false, "", kStillRunning},
        {"vrlagent win9x service", false, "", kStillRunning},
        {"Varnlet", false, "WM_CLOSE 0 0\n", 1},
    };
    running_copies_test::CheckClosingRequests(cases, sizeof cases / sizeof cases[0]);
}
