// The pure rules of extraction: which names go below the system folder, which
// paths may be passed over when in use, how a system path is joined and how
// progress is counted. No Windows calls, so the host tests run them too.
#pragma once

#include <cstddef>
#include <cstdint>

// Length of the marker "SYSTEM/" or "SYSTEM\" that sends a name below the
// Windows system folder.
constexpr size_t kSystemFolderMarkerLength = 7;

// True when `name` begins with "SYSTEM/" or "SYSTEM\" exactly (upper case).
bool HasSystemFolderMarker(const char* name);
// True when `path` contains "DLL" or "dll": a library that a running program
// holds open may be left as it is.
bool IsLibraryPath(const char* path);
// Writes the system folder, a backslash unless it already ends in a
// separator, and the marked name without its marker into `out`. False, with
// `out` emptied, when the result would not fit `outBytes`.
bool JoinSystemPath(char* out, size_t outBytes, const char* systemFolder, const char* markedName);
// Whole percentage of `done` out of `total`, remainder dropped; 100 when
// there is nothing to count.
int ProgressPercent(int64_t done, int64_t total);
// True for the system errors that the run-time library reports as "access
// denied" (EACCES) when it cannot open a file: a file in use, a read-only
// file, a folder standing where the file belongs. Only these let an in-use
// library be passed over.
bool IsAccessRefusal(unsigned long systemError);
// The name under which a file about to be replaced is kept until the
// installation ends: the first `folderLength` bytes of `path` (its folder
// with the separator) followed by "~" and `bits` as 16 hex digits and
// ".kept". False, with `out` emptied, when it does not fit `outBytes`.
bool FormatKeptPath(char* out, size_t outBytes, const char* path, size_t folderLength, uint64_t bits);
// Seconds since 1970-01-01 UTC as the system's file time: 100-nanosecond
// steps since 1601-01-01 UTC.
uint64_t FileTimeFromUnixSeconds(int64_t seconds);
