// printf-style formatting into a fixed buffer that reports a result which
// would not fit instead of cutting it. It goes to the C run-time library's
// own formatter: the installer needs nothing beyond %s, %d, %c and %.*s, and
// that formatter costs the installer no size.
#pragma once

#include <cstdarg>
#include <cstddef>

#ifdef _WIN32
#define BOUNDED_FORMAT_ARCHETYPE ms_printf
#else
#define BOUNDED_FORMAT_ARCHETYPE printf
#endif

// True when the whole text and its terminator fit `bytes`; otherwise `out`
// holds the empty string.
bool FormatBounded(char* out, size_t bytes, const char* format, ...)
    __attribute__((format(BOUNDED_FORMAT_ARCHETYPE, 3, 4)));
bool FormatBoundedV(char* out, size_t bytes, const char* format, va_list arguments);
