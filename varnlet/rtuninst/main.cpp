// Varnlet uninstaller: placeholder until the uninstaller proper lands.
#include <windows.h>

#include "product/payload_names.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char text[256];
    wsprintfA(text, "Uninstall %s (%d files).", payloadProductName, static_cast<int>(payloadNameCount));
    MessageBoxA(nullptr, text, "Uninstall", MB_OK);
    return 0;
}
