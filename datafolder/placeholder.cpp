// Placeholder definitions so the installer links while the data-folder choice is written.
#include "datafolder/data_folder.h"
#include "datafolder/folder_dialog.h"

int chooseDataFolder(HINSTANCE, HWND, int) { return 0; }
INT_PTR CALLBACK folderDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
