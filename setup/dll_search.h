#pragma once

// Makes every later library load look in the system folder only, never in
// the folder the installer was started from or the current folder, where a
// downloaded DLL of a known name could be waiting. Does what the running
// system offers: nothing on systems that know neither way.
void RestrictDllSearchToSystemFolder();
