// Shows one message box and ends with its answer as exit status, so the
// driver's reading and answering of message boxes can be checked against
// the system's own message box.
//
// usage: message_box_program.exe TITLE TEXT STYLE   (STYLE in decimal)
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 4) return 64;
    UINT style = static_cast<UINT>(std::strtoul(__argv[3], nullptr, 10));
    return MessageBoxA(nullptr, __argv[2], __argv[1], style);
}
