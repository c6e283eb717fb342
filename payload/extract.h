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

// Writes every file of the PayloadTable relative to the current folder.
int ExtractPayload(HWND window, ProgressCallbackFunc callback);
// Deletes the files that this process's extraction created or began to write.
// 4 when every file was handled, 0 at the first file that cannot be deleted.
int RemovePayload(HWND window, ProgressCallbackFunc callback);
// Creates every missing folder on the path (not the last component).
// 1 when all exist or were made, 0 otherwise.
int CreatePathFolders(const char* path);
