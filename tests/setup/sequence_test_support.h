// Running the installation sequence inside a test program with the fakes of
// sequence_fakes.h, and reading what the programs it started wrote into the
// child log (the child recorder of tests/e2e stands in for them).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/setup/message_box_answerer.h"

namespace sequence_test {

struct RunOutcome {
    int status = -1;
    std::vector<BoxSeen> boxes;
    std::string description;  // the calls and boxes, for failure messages
};

// Runs RunInstallation once, answering its message boxes as `answers` say.
RunOutcome RunSequence(const std::map<std::string, int>& answers, BoxProbe probe = nullptr);

// The texts of the sequence's messages, as a user reads them.
extern const char kNotInstalledText[];
extern const char kCreateFailedText[];
extern const char kWriteFailedText[];
extern const char kNoMemoryText[];
extern const char kDamagedText[];

struct ChildStart {
    std::string program;
    std::string commandLine;
    std::string folder;
};
// The child log at `path` (set as VARNLET_E2E_CHILD_LOG for this process and
// its children by UseChildLog).
void UseChildLog(const std::string& path);
std::vector<ChildStart> ReadChildLog(const std::string& path);
// Waits until the log has `count` lines; false on timeout.
bool WaitForChildLog(const std::string& path, size_t count, int timeoutMs);
// True when a process with this executable name is running.
bool ProcessRunning(const char* exeName);

}  // namespace sequence_test
