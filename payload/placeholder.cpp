// Placeholder definitions so the installer links while extraction is written.
#include "payload/extract.h"

int ExtractPayload(HWND, ProgressCallbackFunc) { return kExtractDone; }
int RemovePayload(HWND, ProgressCallbackFunc) { return 4; }
int CreatePathFolders(const char*) { return 1; }
