// Removing an installed Varnlet: what the installer put in place, and
// nothing of the user's.
#pragma once

namespace varnlet {

// The whole run: find what is installed, ask, close running copies, remove,
// report. Returns the exit status (exit_status.h).
int RunUninstall();

}  // namespace varnlet
