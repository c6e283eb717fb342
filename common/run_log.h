// The plain-text log a run writes when it is asked to (/LOG=file): one line
// per thing done, so whoever deploys the product can see afterwards what a
// run without windows did. An existing file is never overwritten: each run
// appends. Without an open log every line is dropped.
#pragma once

#include "common/bounded_format.h"

// Opens `path` for appending, creating it when missing. False when it cannot
// be opened (the caller decides what that means for the run).
bool OpenRunLog(const char* path);
bool RunLogOpen();
// One line, printf-style (bounded; a line that does not fit is replaced by a
// note saying so). Line breaks inside the text become blanks.
void LogLine(const char* format, ...) __attribute__((format(BOUNDED_FORMAT_ARCHETYPE, 1, 2)));
void CloseRunLog();
