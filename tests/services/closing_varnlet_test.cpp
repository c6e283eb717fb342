// Closing running copies of Varnlet, which has no service: windows whose
// titles begin with "Varnlet" are asked to close, nothing else is touched.
#include <gtest/gtest.h>

#include "tests/services/running_copies_harness.h"

using running_copies_test::kStillRunning;
using running_copies_test::WindowCase;

TEST(ClosingRunningCopies, VarnletWindowsGetCloseRequestsAndNoWindowGetsQuit) {
    const WindowCase cases[] = {
        {"Varnlet - report", false, "WM_CLOSE 0 0\n", 1},
        {"Varnlet", false, "WM_CLOSE 0 0\n", 1},
        // Any program's window whose title begins with the name, such as a
        // folder window of a folder called Varnlet.
        {"Varnlet Files", false, "WM_CLOSE 0 0\n", 1},
        // A copy that will not close (it asks to save) is left as it is.
        {"Varnlet - unsaved", true, "WM_CLOSE 0 0\n", kStillRunning},
        {"My Varnlet", false, "", kStillRunning},
        {"varnlet", false, "", kStillRunning},
        {"VARNLET", false, "", kStillRunning},
        // With no service name there is no service window, not even one
        // titled with the bare suffix.
        {" Win9x Service", false, "", kStillRunning},
    };
    running_copies_test::CheckClosingRequests(cases, sizeof cases / sizeof cases[0]);
}
