// printf-style formatting into a fixed buffer that refuses, rather than cuts
// short, a result that would not fit.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "setup/bounded_format.h"

// False (and an empty buffer) when the formatted text would not fit `size`
// bytes with its terminator.
__attribute__((format(BOUNDED_FORMAT_ARCHETYPE, 3, 4))) inline bool FormatShellText(char* buffer, size_t size,
                                                                                   const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatBoundedV(buffer, size, format, arguments);
    va_end(arguments);
    return fits;
}
