// Stand-ins for the subsystems that the installation sequence drives, so that
// the sequence can run inside a test program: each records how it was called
// and answers as the test scripted. Message boxes, the ini file, child
// programs and the free-space query stay the platform's own.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace fakes {

struct Script {
    bool classRegistered = true;
    INT_PTR licenceResult = 1;
    // One entry per data-folder choice: the folder chosen, or "" when the user
    // gives up. The fake makes the folder but leaves entering it to the
    // sequence.
    std::deque<std::string> folders;
    int serviceRemovalResult = 0;
    int extractResult = 4;
    // What the check of the embedded data finds (not recorded as a call).
    bool payloadIntact = true;
};

// Resets the script and the call log; the next run starts from scratch.
void Reset();
Script& CurrentScript();
// Every call in order, e.g. "chooseDataFolder(alwaysAsk=1) -> 1".
const std::vector<std::string>& Calls();
std::string DescribeCalls();
bool WasCalled(const std::string& prefix);

// The current folder when the extraction ran ("" before it ran).
const std::string& ExtractionFolder();

// The windows the fakes made: the background window and the progress dialog.
HWND BackgroundWindow();
HWND ProgressWindow();

}  // namespace fakes
