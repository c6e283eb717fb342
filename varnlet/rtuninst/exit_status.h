// The uninstaller's exit statuses.
#pragma once

namespace varnlet {

constexpr int kExitRemoved = 0;          // everything was removed
constexpr int kExitDeclined = 1;         // the user answered No; nothing changed
constexpr int kExitNothingToRemove = 2;  // nothing of the product was found
constexpr int kExitSomethingLeft = 3;    // some items could not be removed (listed to the user)
constexpr int kExitBadCommandLine = 4;   // unknown arguments, or it could not find itself
constexpr int kExitAnotherRunning = 0;   // another uninstaller of the product runs; nothing changed
// The same, for a product made for unattended deployment: the number
// deployment tools know for "another installation is running".
constexpr int kExitAnotherRunningUnattended = 1618;

}  // namespace varnlet
