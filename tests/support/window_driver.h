// Drives real windows the way a person would: find a window by its title,
// read its texts, type into fields and press buttons. Works for windows of
// this process (driven from a second thread while the code under test runs a
// modal loop) and of child processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// The first visible top-level window of process `processId` (0: any process)
// whose title equals `title` (null: any) and class equals `className` (null:
// any), waiting up to `timeoutMs`. Null on timeout.
HWND WaitForWindow(DWORD processId, const char* title, const char* className, int timeoutMs);
// Waits until `window` is no longer a window. False on timeout.
bool WaitForWindowGone(HWND window, int timeoutMs);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::string DialogItemText(HWND dialog, int id);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND messageBox);
// Sets an edit field's text as typing would leave it.
void SetDialogItemText(HWND dialog, int id, const char* text);
// Presses a button: the dialog receives WM_COMMAND (id, BN_CLICKED) from it.
void PressButton(HWND dialog, int id);

// Visible top-level windows of a process, with their titles, for describing
// what was on screen when an expected window did not come.
std::string DescribeWindows(DWORD processId);

}  // namespace testing_support
