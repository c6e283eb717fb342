// Which request a top-level window gets when running copies are closed.
// Free of Windows calls, so the rules are tested on the host as well.
#pragma once

#include <cstddef>

enum class WindowRequest { kNone, kClose, kQuit };

// The title of the product's service in its stand-alone Win9x form,
// "<serviceName> Win9x Service". False (and an empty buffer) when there is no
// service name or the title would not fit `size` bytes: a cut title could
// name some other window.
bool FormatPseudoServiceTitle(char* buffer, size_t size, const char* serviceName);

// WM_CLOSE for titles that begin with `productName` (case-sensitive; an empty
// name matches nothing, since it would match every window), otherwise WM_QUIT
// for a title equal to `pseudoServiceTitle` (empty: no such window).
WindowRequest RequestForTitle(const char* title, const char* productName, const char* pseudoServiceTitle);

// The notice shown before running copies are closed. False when it would not
// fit `size` bytes.
bool FormatClosingNotice(char* buffer, size_t size, const char* productName);
