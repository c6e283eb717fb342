// Links to folders that the programs under test see as reparse points, as a
// non-administrator could plant them. Wine 8 makes none itself
// (CreateSymbolicLink reports success and makes nothing,
// FSCTL_SET_REPARSE_POINT is refused) but shows a Unix symbolic link to a
// folder as one, so the host's ln and rm are run as Unix programs, which
// Wine starts like any other.
#pragma once

#include <string>

namespace testing_support {

// Makes `link` a link to the folder `target`. False when the link is not
// there, seen as a reparse point, within a few seconds.
bool PlantFolderLink(const std::string& link, const std::string& target);
// Removes such a link, never what it points at (Windows calls cannot).
// True when nothing is left at `link`.
bool RemoveFolderLink(const std::string& link);
// Whether PlantFolderLink works here at all.
bool FolderLinksAvailable();

}  // namespace testing_support
