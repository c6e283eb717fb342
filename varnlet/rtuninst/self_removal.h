// Removing the uninstaller's own file. A running program cannot delete its
// own file (its image is mapped), so the uninstaller copies itself into a
// new private folder (private_folder.h) and starts the copy with "/finish":
// the copy waits until the uninstaller has ended, deletes its file and then
// its folder if that is empty, and has its own file and then its folder
// deleted at the next restart (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT),
// which is the documented way to delete a file that is in use. Should the copy not start, the
// uninstaller's file and folder are themselves scheduled that way, so
// nothing stays behind for good either way.
#pragma once

#include "varnlet/rtuninst/uninstall_logic.h"

namespace varnlet {

// Starts the copy. False (with nothing left behind in the temporary folder)
// when it could not be made or started.
bool StartFinisher(const char* uninstallerPath);

// The fallback: deletion of the uninstaller (and of its folder, when nothing
// else is in it) at the next restart. Needs administrator rights on Windows
// NT. False when it could not be scheduled.
bool ScheduleRemovalAtRestart(const char* uninstallerPath, const char* folder);

// The copy's job. Returns the process exit status.
int RunFinisher(const UninstallArguments& arguments);

}  // namespace varnlet
