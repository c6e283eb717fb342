// One Varnlet at a time: a second start hands over to the running copy.
#pragma once

#include "common/scoped.h"

namespace varnlet {

// Takes the program's named mutex into `mutex`. False when another copy
// already holds it; the caller then calls BringRunningCopyToFront and ends.
bool ClaimSingleInstance(ScopedHandle* mutex);

// Restores and raises the running copy's main window. It may still be
// starting, so its window is waited for a few seconds. False if none came.
bool BringRunningCopyToFront();

}  // namespace varnlet
