// Where the installer and the product's programs take their libraries from.
// Every program calls RestrictDllSearchToSystemFolder first thing: its static
// imports are the system's own set (kernel32, user32, gdi32, advapi32,
// msvcrt), which the loader maps before any of our code runs, and every other
// library is loaded later, by its full path in the system folder.
#pragma once

#include <windows.h>

// Makes every later library load look in the system folder only, never in
// the folder the program was started from or the current folder, where a
// downloaded or planted DLL of a known name could be waiting. Does what the
// running system offers: SetDefaultDllDirectories (Windows 8 and later, 7 and
// Vista with their 2011 update), otherwise
// RestrictDllSearchWithoutDefaultDirectories.
void RestrictDllSearchToSystemFolder();

// For systems without SetDefaultDllDirectories, where the program's own
// folder stays first in the search: takes the current folder out of it
// (SetDllDirectory("")) and loads by full path, from the system folder, the
// libraries that the system's own libraries load later by bare name, so that
// those later loads find them already loaded. Our own loads go through
// SystemLibrary. Separate so the tests can take this way on a system that
// has the better one.
void RestrictDllSearchWithoutDefaultDirectories();

// The system library `fileName` (a literal such as "shell32.dll"), loaded
// from the system folder by its full path, with its own imports taken from
// there too; or, when the program's manifest asks for another version of it
// (the common controls 6), that version from the side-by-side store. It
// stays loaded for the rest of the process: objects and memory it hands out
// live on. Null when it cannot be loaded.
HMODULE SystemLibrary(const char* fileName);

// A function of a system library; null when the library or the function is
// not there, in which case the caller's step fails as the call would have.
FARPROC SystemFunction(const char* fileName, const char* functionName);
