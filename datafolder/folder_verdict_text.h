// The words for each verdict of the folder check: what the folder dialog
// shows, and what any other way of choosing the folder reports.
#pragma once

#include <cstddef>

#include "datafolder/folder_check.h"

// The title of the message for `verdict`.
const char* FolderVerdictTitle(FolderVerdict verdict);

// The message for a verdict in the ANSI code page, with the product's folder
// name as the example where one is given. kOtherFolder gives the question
// that lets the user accept an existing folder; kUnusableCharacters, whose
// characters the code page cannot hold, gives a text without them (the
// dialog shows FormatUnusableCharacters instead).
bool FormatFolderVerdict(const FolderCheck& check, char* out, size_t outSize);

// The message for kUnusableCharacters as Unicode text, naming the characters.
bool FormatUnusableCharacters(const FolderCheck& check, wchar_t* out, size_t outSize);
