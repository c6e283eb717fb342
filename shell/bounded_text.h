// printf-style formatting into a fixed buffer that refuses, rather than cuts
// short, a result that would not fit.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// False (and an empty buffer) when the formatted text would not fit `size`
// bytes with its terminator.
__attribute__((format(printf, 3, 4))) inline bool FormatShellText(char* buffer, size_t size, const char* format,
                                                                  ...) {
    if (size == 0) return false;
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}
