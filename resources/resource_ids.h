// Resource and control ids shared by the resource script and the code.
#pragma once

#define IDD_PROGRESS 109
#define IDI_INSTALLER 110
#define IDD_LICENCE 111
#define IDD_FOLDER 24000

// Progress dialog
#define IDC_PROGRESS_PERCENT 1002
#define IDC_PROGRESS_ITEM 1100
// Licence dialog
#define IDC_LICENCE_TEXT 1101
// Folder dialog
#define IDC_FOLDER_PARENT 24001
#define IDC_FOLDER_APPLICATION 24002
#define IDC_FOLDER_BROWSE 24003
