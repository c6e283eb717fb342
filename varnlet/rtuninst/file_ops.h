// File and folder steps of the uninstaller that report what they could not
// do instead of failing silently.
#pragma once

#include <windows.h>

#include <cstddef>

#include "varnlet/rtuninst/uninstall_logic.h"

namespace varnlet {

// Why an entry reached through a junction or symbolic link stays: an
// elevated run that followed one would delete whatever it points at.
constexpr char kLinkNotFollowed[] = "a junction or symbolic link, which is not followed";

// The system's wording for an error code, without the trailing line break.
void DescribeError(DWORD error, char* out, size_t outSize);

bool PathExists(const char* path);

// Whether the folder holds nothing but, optionally, one file named
// `ignoredName` (null: nothing ignored). A folder that cannot be listed
// counts as not empty.
bool FolderIsEmpty(const char* folder, const char* ignoredName);

// Deletes a file if it is there; a read-only one is made writable first. A
// file that is not there is not an error. Failures go into the report.
void DeleteFileReporting(const char* path, RemovalReport* report);

// Removes a folder if it is there and empty; one with anything in it stays
// without a complaint (what is left in it is the user's). Returns true when
// the folder is gone afterwards. The shell is told of the removal unless
// `notice` says otherwise.
enum class ShellNotice { kSend, kNone };
bool RemoveFolderIfEmpty(const char* folder, RemovalReport* report, ShellNotice notice = ShellNotice::kSend);

}  // namespace varnlet
