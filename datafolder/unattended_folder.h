#pragma once

enum class UnattendedFolder {
    kChosen,   // dataFolder is set, exists and is the current directory
    kRefused,  // the folder dialog would have refused it
    kFailed,   // it passed the checks but cannot be entered
};

// The data folder of a run that asks nobody: `commandLineFolder` (/D=) when
// it is not empty, else the folder recorded in the ini file, else the
// default proposal. It is checked as a folder typed into the folder dialog
// is, made when missing (one level) and entered; an existing folder is used
// without the dialog's question, since the caller or the earlier installation
// named it. Says in the run log why a folder is refused. `created` tells
// whether this call made the folder, so a run that fails later can take it
// away again. The ini entry is left to the end of the installation.
UnattendedFolder chooseDataFolderUnattended(const char* commandLineFolder, bool* created);
