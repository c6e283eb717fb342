// Varnlet's data folder: the folder its installer recorded as "dataDir" in
// section "Options" of its ini file in the Windows directory. Its pictures
// and help page are read from there.
#pragma once

#include <cstddef>

namespace varnlet {

// Fills folder with the recorded data folder. On failure returns false and
// fills message with a sentence for the user that says what is wrong.
bool ReadDataFolder(char* folder, size_t folderSize, char* message, size_t messageSize);

}  // namespace varnlet
