// Where a file of the payload table goes on disk, and the path text that
// extraction, its clean-up and the kept copies share.
#pragma once

#include <cstddef>

// The folder that names beginning with "SYSTEM/" or "SYSTEM\" go below.
// False when it cannot be had or does not fit `outBytes`.
bool PayloadSystemFolder(char* out, size_t outBytes);
// The path of the file stored as `name`: below the system folder for a marked
// name, else the name itself (relative to the current folder, which is the
// data folder). False when it cannot be formed within `outBytes`.
bool ResolvePayloadPath(const char* name, char* out, size_t outBytes);
// Bytes of `path` up to and including its last separator (0 when it has
// none), stepping by character so that the second byte of a double-byte
// character is never taken for a separator.
size_t FolderPartLength(const char* path);
