#include "common/window_match.h"
#include "common/bounded_format.h"

#include <cstdio>
#include <cstring>

namespace {

// Formats into `buffer` and reports whether the whole text fitted; a text
// that did not fit leaves the buffer empty rather than cut.
bool FormatWhole(char* buffer, size_t size, const char* format, const char* value) {
    return FormatBounded(buffer, size, format, value);
}

}  // namespace

bool FormatPseudoServiceTitle(char* buffer, size_t size, const char* serviceName) {
    if (serviceName[0] == '\0') {
        if (size > 0) buffer[0] = '\0';
        return false;
    }
    return FormatWhole(buffer, size, "%s Win9x Service", serviceName);
}

WindowRequest RequestForTitle(const char* title, const char* productName, const char* pseudoServiceTitle) {
    size_t prefixLength = std::strlen(productName);
    if (prefixLength > 0 && std::strncmp(title, productName, prefixLength) == 0) return WindowRequest::kClose;
    if (pseudoServiceTitle[0] != '\0' && std::strcmp(title, pseudoServiceTitle) == 0) return WindowRequest::kQuit;
    return WindowRequest::kNone;
}

bool FormatClosingNotice(char* buffer, size_t size, const char* productName) {
    return FormatWhole(buffer, size,
                       "Any copies of %s currently running must now be shut down. This may take a few seconds.",
                       productName);
}
