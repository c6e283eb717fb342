#include "common/bounded_format.h"

#include <cstdio>

bool FormatBoundedV(char* out, size_t bytes, const char* format, va_list arguments) {
    if (bytes == 0) return false;
#ifdef _WIN32
    // The run-time library's formatter answers -1 when the text is too long
    // and leaves the buffer unterminated when it fits exactly.
    int written = _vsnprintf(out, bytes, format, arguments);
#else
    int written = std::vsnprintf(out, bytes, format, arguments);
#endif
    if (written >= 0 && static_cast<size_t>(written) < bytes) return true;
    out[0] = '\0';
    return false;
}

bool FormatBounded(char* out, size_t bytes, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatBoundedV(out, bytes, format, arguments);
    va_end(arguments);
    return fits;
}
