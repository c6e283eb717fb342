// The steps a person takes through an installer, built on UserDriver: each
// waits for its window, reads what it shows and answers it. Shared by the
// end-to-end tests and the demo program.
#pragma once

#include <string>

#include "tests/e2e/driver/user_driver.h"

namespace e2e {

// A window that follows a click at once.
constexpr int kNextWindowMs = 30000;
// A window that follows the running-copies wait (10 s), the old-service wait
// (6 s) or the extraction.
constexpr int kAfterWaitMs = 90000;

// Waits for the licence agreement, reads its text into `licence` (may be
// null) and clicks "I Accept" or "I Do NOT Accept".
bool AnswerLicence(UserDriver& user, bool accept, std::string* licence);

// Waits for the folder dialog and reads the proposal from its two fields.
HWND WaitForFolderDialog(UserDriver& user, std::string* parent, std::string* application);

// Types `parent` and `application` into the folder dialog and clicks OK.
bool ChooseFolder(UserDriver& user, HWND dialog, const std::string& parent, const std::string& application);

// Waits for the message box `title`, reads it into `seen` and clicks `answer`.
bool AnswerMessageBox(UserDriver& user, const char* title, int answer, int timeoutMs, MessageBoxSeen* seen);

}  // namespace e2e
