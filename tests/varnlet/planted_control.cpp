// The control for the planted shell32.dll: a program in the user's temporary
// folder that takes shell32 by its bare name, as the loader does for a static
// import and as the uninstaller's copy once did from there. Exit 0 when a
// shell32 loaded.
#include <windows.h>

int main() { return LoadLibraryA("shell32.dll") ? 0 : 1; }
