// The system's list of files to delete at the next restart
// (PendingFileRenameOperations). The uninstaller puts its temporary copy
// and the copy's folder there; the tests take such entries off the list
// again and delete them at once, so the prefix does not collect them from
// run to run.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct TakenDeletions {
    std::vector<std::string> paths;  // the entries taken off the list
    std::string problems;            // what could not be cleaned; "" when all went
};

// Takes off the restart list every deletion (an entry without a target)
// whose path `matches`, and removes those files or folders now, waiting up
// to `waitMs` for a process that still holds one of them.
TakenDeletions TakeScheduledDeletions(const std::function<bool(const std::string& path)>& matches, int waitMs);

// The same for the uninstaller's temporary copies: each is a file in a
// folder named "rtuninst-<16 hex digits>", and both are on the list, the file
// first. Taking them also waits for the copy's process to let go.
TakenDeletions TakeScheduledUninstallerCopies(int waitMs);

}  // namespace testing_support
