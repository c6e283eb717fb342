// Closing running copies of a product whose service name begins with the
// product name ("Varnlet Agent"): its service window also begins with the
// product name, and the close request, tested first, is all it gets.
#include <gtest/gtest.h>

#include "tests/services/running_copies_harness.h"

using running_copies_test::kStillRunning;
using running_copies_test::WindowCase;

TEST(ClosingRunningCopies, ATitleThatIsBothGetsOnlyTheCloseRequest) {
    const WindowCase cases[] = {
        // Held open, so a quit request sent after the close would show.
        {"Varnlet Agent Win9x Service", true, "WM_CLOSE 0 0\n", kStillRunning},
        {"Varnlet Agent Win9x Service", false, "WM_CLOSE 0 0\n", 1},
        {"Agent Win9x Service", false, "", kStillRunning},
    };
    running_copies_test::CheckClosingRequests(cases, sizeof cases / sizeof cases[0]);
}
