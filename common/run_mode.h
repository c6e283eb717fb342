// How a run of the installer or the uninstaller meets its user. A product
// made for unattended deployment can be started with /S (nothing shown) or
// /PASSIVE (the title window and the progress shown, nothing asked); every
// other run, and every run of a product without that option, is interactive.
// The decisions that depend on it live here, so the subsystems ask one
// place instead of each testing switches of their own.
#pragma once

#include <windows.h>

enum class RunMode {
    kInteractive,  // every window and every message
    kPassive,      // title window and progress dialog; no message, no question
    kSilent,       // no window at all
};

// Owner: the entry point of the program (setup/main.cpp, rtuninst's main),
// set once before anything is shown.
extern RunMode runMode;

// Whether the title window, the progress dialog and the busy animation are shown.
inline bool ShowsProgress() { return runMode != RunMode::kSilent; }
// Whether the user is asked and told anything (licence, folder, messages).
inline bool AsksUser() { return runMode == RunMode::kInteractive; }

// Every message box of a run goes through here. Interactive runs show it. An
// unattended run shows nothing, records the message in the run log, and
// answers as the user who changes least would: No to a question, Cancel to
// a choice, OK to a notice.
int ShowMessageBox(HWND owner, const char* text, const char* title, UINT style);

// The answer an unattended run gives to a box of `style`.
int UnattendedAnswer(UINT style);
