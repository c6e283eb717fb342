#pragma once

#include "payload/progress_callback.h"

// Results of ExtractPayload.
enum ExtractResult : int {
    kExtractCreateFailed = 1,   // a file, or a folder on its path, could not be created
    kExtractWriteFailed = 2,    // a file could not be written completely
    kExtractNoMemory = 3,       // the work buffer could not be allocated
    kExtractDone = 4,           // all files handled
    kExtractDataDamaged = 5,    // a chunk did not inflate: the installer's data is damaged
};

// Writes every file of the PayloadTable relative to the current folder. A
// file that is there already is kept aside until the installation ends.
int ExtractPayload(HWND window, ProgressCallbackFunc callback);
// After a failed extraction: deletes the files that this process's
// extraction created and puts back every file it replaced. 4 when every file
// was handled, 0 when one could not be deleted or put back.
int RemovePayload(HWND window, ProgressCallbackFunc callback);
// After a successful installation: deletes the kept copies of the files that
// the extraction replaced. One still in use goes when the system next starts.
void DiscardKeptFiles();
// Creates every missing folder on the path (not the last component).
// 1 when all exist or were made, 0 otherwise.
int CreatePathFolders(const char* path);
