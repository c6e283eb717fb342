// The folder the uninstaller's temporary copy runs from. It is made fresh
// under an unpredictable name, so nothing can have been placed in it
// beforehand (a library beside a program is the first the loader looks at).
// An elevated uninstaller makes it under the system's temporary folder, with
// an access list that lets only administrators and the system write: in the
// user's temporary folder, any program of the user could plant a library that
// would then run with administrator rights.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/scoped.h"

namespace varnlet {

// Whether this process runs with administrator rights: the token's
// elevation where the system knows it (Windows Vista on), else whether the
// token holds the Administrators or the SYSTEM account (Windows XP).
bool RunsElevated();

// The XP answer on its own: whether `token` (an impersonation token; null:
// the caller's own) holds Administrators or SYSTEM as an enabled group.
bool TokenHoldsAdministratorsOrSystem(HANDLE token);

// The folder's descriptor for an elevated run: owner Administrators, full
// control for SYSTEM and Administrators only, nothing inherited.
bool MakeAdministratorsOnlyDescriptor(ScopedLocalMemory* descriptor);

// Creates the folder (never one that exists already) and writes its path to
// `out`. `stem` starts its name. False when none could be made.
bool CreatePrivateFolder(const char* stem, char* out, size_t outSize);

}  // namespace varnlet
