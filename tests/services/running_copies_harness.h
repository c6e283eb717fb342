// Runs closeRunningCopies against real windows of other processes and
// reports what each one received. Everything happens on a desktop of the
// test's own, so the close requests reach no window of any other test that
// runs at the same time, and no stray window of theirs disturbs this one.
#pragma once

#include <cstddef>

namespace running_copies_test {

struct WindowCase {
    const char* title;
    // The window records WM_CLOSE but stays open, so a WM_QUIT that follows
    // would be seen as well.
    bool ignoresClose;
    // What the window must have logged: "" for nothing, else lines like
    // "WM_CLOSE 0 0\n".
    const char* expectedLog;
    // product_window's exit status (1 closed, 2 quit), or kStillRunning.
    int expectedExit;
};

constexpr int kStillRunning = -1;

// Starts one product window per case, runs closeRunningCopies with an
// "Install <productName>" window of this process as the owner, answers the
// notice from a second thread and checks the notice, the waiting time, what
// each window logged and whether it ended, and that the owner window got no
// request. Failures are reported through googletest.
void CheckClosingRequests(const WindowCase* cases, size_t count);

}  // namespace running_copies_test
