#include "common/run_log.h"

#include <cstdarg>

#include "common/bounded_format.h"
#include "common/scoped.h"

namespace {

constexpr size_t kLineBytes = 4096;
const char kLineTooLong[] = "(a line too long for the log was left out)";

ScopedHandle logFile;

void WriteText(const char* text, DWORD length) {
    DWORD written = 0;
    (void)WriteFile(logFile.Get(), text, length, &written, nullptr);
}

}  // namespace

bool OpenRunLog(const char* path) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end,
    // so nothing already in the file can be overwritten, and a second run
    // started meanwhile (which ends at once) can add its lines too.
    logFile.Attach(CreateFileA(path, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return logFile.Valid();
}

bool RunLogOpen() { return logFile.Valid(); }

void LogLine(const char* format, ...) {
    if (!logFile.Valid()) return;
    char line[kLineBytes];
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatBoundedV(line, sizeof line - 2, format, arguments);
    va_end(arguments);
    if (!fits) (void)FormatBounded(line, sizeof line, "%s", kLineTooLong);
    DWORD length = 0;
    for (; line[length] != '\0'; ++length) {
        if (line[length] == '\r' || line[length] == '\n') line[length] = ' ';
    }
    line[length++] = '\r';
    line[length++] = '\n';
    WriteText(line, length);
}

void CloseRunLog() { logFile.Close(); }
