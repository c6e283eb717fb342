// The uninstaller's decisions that need no Windows calls: its command line,
// which payload names it may delete, and the report of what it could not
// remove. Tested on the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/paths.h"

namespace varnlet {

// How the uninstaller was started.
//   (no arguments)                      uninstall, asking first
//   /finish <handle> "<uninstaller>"    the temporary copy's job: wait for the
//                                       process behind <handle> (inherited,
//                                       decimal) to end, then delete
//                                       <uninstaller> and its folder if empty
//   /S                                  (products made for unattended
//                                       deployment) uninstall without any
//                                       window or question; also after the
//                                       /finish arguments, for the copy
struct UninstallArguments {
    bool finish = false;
    bool silent = false;
    uintptr_t waitHandle = 0;
    char uninstallerPath[kPathBytes] = {};
};

// False, with a sentence in error, for anything else.
// `silentAllowed`: whether /S is taken (the product is made for unattended
// deployment); otherwise it is an unknown argument like any other.
bool ParseUninstallArguments(const char* commandTail, UninstallArguments* arguments, char* error, size_t errorSize,
                             bool silentAllowed = false);

// Names that the installer writes below the Windows system folder rather
// than into the data folder ("SYSTEM/" or "SYSTEM\" in front). Such files may
// be shared with other programs, so the uninstaller leaves them alone.
bool IsSystemFolderName(const char* payloadName);

// "<name>.lnk", refused if it would not fit.
bool FormatLinkFileName(char* out, size_t outSize, const char* linkName);

// What could not be removed, collected while uninstalling and shown at the
// end in one message.
class RemovalReport {
public:
    static constexpr int kMaxItems = 32;
    static constexpr size_t kItemBytes = kPathBytes + 128;

    // The item texts are written before they are read; no need to clear them.
    RemovalReport() : count_(0), dropped_(0) {}

    // what: a path or a short description; reason: why it stayed.
    void AddFailure(const char* what, const char* reason);
    // The same, unless that item is listed already.
    void AddFailureOnce(const char* what, const char* reason);
    int FailureCount() const { return count_ + dropped_; }
    const char* Item(int index) const { return items_[index]; }
    int StoredCount() const { return count_; }

    // The message listing every failure, one line each, ending with a line
    // that says how many more there were when the list does not fit. False
    // if not even the opening fits.
    bool Format(char* out, size_t outSize, const char* productName) const;

private:
    char items_[kMaxItems][kItemBytes];
    int count_;
    int dropped_;
};

}  // namespace varnlet
