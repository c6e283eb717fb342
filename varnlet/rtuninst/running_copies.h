// Closing Varnlet before its files go, as the installer does: a notice, a
// close request to every top-level window whose title begins with the
// product name, and a wait for them to end.
#pragma once

namespace varnlet {

// Does nothing (and shows nothing) when no such window is open. Otherwise
// returns once the windows and their programs have ended, or after at most
// kCloseWaitMs; whatever still runs then keeps its files, which the removal
// reports.
void CloseRunningCopies();

constexpr int kCloseWaitMs = 10000;

}  // namespace varnlet
