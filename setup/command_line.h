// The command line of an installer made for unattended deployment (an
// installer of any other product ignores its command line). No Windows calls.
//
//   /S          no window and no message at all
//   /PASSIVE    the title window and the progress only; nothing is asked
//   /LOG=file   append a log of the run to file ("quotes" allowed around it)
//   /D=folder   the data folder, absolute; always last: the rest of the line,
//               blanks included, no quotes
//
// Switches are matched without regard to letter case, in any order before /D=.
#pragma once

#include <cstddef>

#include "product/product_data.h"

// Value-initialise it (`InstallerArguments arguments{}`): without member
// initialisers the compiler zero-fills it rather than copying a 2 KB template
// of zeros into every installer.
struct InstallerArguments {
    bool silent;
    bool passive;
    char dataFolder[kPathBufferBytes];  // "" when /D= is not given
    char logPath[kPathBufferBytes];     // "" when /LOG= is not given
};

// False, with a sentence for the user in `problem`, for a command line that
// is not made of these switches, repeats one, gives both /S and /PASSIVE, or
// gives an empty, unclosed, too long or (for /D=) relative value.
bool ParseInstallerArguments(const char* commandTail, InstallerArguments* arguments, char* problem,
                             size_t problemBytes);

// Whether any word of `commandTail` before a /D= is /S or /PASSIVE: such a
// caller gets no window, even when the rest of the line is wrong.
bool AsksForNoWindow(const char* commandTail);

// "X:\..." (either separator) or "\\server\share...": a folder that does not
// depend on the current drive or folder.
bool IsAbsoluteFolder(const char* path);

// What the usage message lists.
extern const char kInstallerUsage[];
