// The folder the uninstaller's temporary copy runs from. It is made fresh
// under an unpredictable name, so nothing can have been placed in it
// beforehand (a library beside a program is the first the loader looks at).
// An elevated uninstaller makes it under the system's temporary folder, with
// an access list that lets only administrators and the system write: in the
// user's temporary folder, any program of the user could plant a library that
// would then run with administrator rights.
#pragma once

#include <cstddef>

namespace varnlet {

// Creates the folder (never one that exists already) and writes its path to
// `out`. `stem` starts its name. False when none could be made.
bool CreatePrivateFolder(const char* stem, char* out, size_t outSize);

}  // namespace varnlet
