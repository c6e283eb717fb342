// The checks a chosen data folder must pass, in one place for every way of
// choosing it (the folder dialog, a folder named on the command line). They
// show nothing: the verdict says what is wrong and the caller tells the user
// in its own way (folder_verdict_text.h has the words).
#pragma once

#include <cstddef>

#include "product/product_data.h"

enum class FolderVerdict {
    kCreated,          // did not exist and was made (only when asked to create)
    kMissing,          // does not exist (not asked to create)
    kProductFolder,    // exists, and its name ends in the product's folder name
    kOtherFolder,      // exists, not recognisably the product's: ask before using it
    kNotCreated,       // does not exist and could not be made
    kFile,             // names a file
    kTooLong,          // longer than the system's path calls take
    kWindowsDirectory, // the Windows directory or a folder inside it
    kBadEnding,        // a component ends in a blank or a dot
    kUnusableCharacters, // characters the ANSI code page cannot hold
};

// How many distinct unusable characters a verdict names (more are not listed).
constexpr size_t kMaxUnusableCharacters = 8;

struct FolderCheck {
    FolderVerdict verdict = FolderVerdict::kNotCreated;
    // The folder made absolute and normalised (".", ".." and doubled
    // separators resolved, no trailing separator except at a drive's root);
    // empty when the text did not get that far.
    char folder[kPathBufferBytes] = {};
    // kBadEnding: the component that ends in a blank or a dot.
    char component[kPathBufferBytes] = {};
    // kUnusableCharacters: each character once, a surrogate pair as two units.
    wchar_t unusable[2 * kMaxUnusableCharacters + 1] = {};
};

// Checks a chosen folder typed as Unicode text: first that the ANSI code
// page holds every character (no best-fit replacements), then as
// CheckChosenFolder does.
void CheckChosenFolderW(const wchar_t* typed, bool create, FolderCheck* check);

// Checks a chosen folder in the ANSI code page: no component may end in a
// blank or a dot; the folder is made absolute and normalised; it must fit
// the path calls, must not be or lie in the Windows directory, and must be a
// folder. A missing folder is made (one level) only when `create` is set.
void CheckChosenFolder(const char* typed, bool create, FolderCheck* check);

// Whether `folder`, made absolute and normalised, is the Windows directory or
// lies inside it (letter case and a trailing separator do not matter).
bool IsInWindowsDirectory(const char* folder);
