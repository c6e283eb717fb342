// The file paths of a shortcut: the Programs sub-folder and the ".lnk" file.
// No Windows calls, so the limits can be checked on the host too.
#pragma once

#include <cstddef>

// Shortcut paths are formed in buffers of this size...
constexpr size_t kShortcutPathBytes = 272;
// ...but the shell receives the link path as at most 260 wide characters with
// the terminator, so a longer link path is refused instead of cut short.
constexpr size_t kMaxLinkPathChars = 259;

// "base\folderName". False when it would not fit `size`, or when the
// folder name is empty (the link would land in the Programs folder itself).
bool FormatShortcutFolderPath(char* buffer, size_t size, const char* base, const char* folderName);
// "base\folderName\linkName.lnk", or "base\linkName.lnk" when folderName is
// null. False when it would not fit `size` or exceeds kMaxLinkPathChars.
bool FormatLinkPath(char* buffer, size_t size, const char* base, const char* folderName, const char* linkName);
