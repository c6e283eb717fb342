// Path and text helpers shared by Varnlet and its uninstaller. Pure string
// work, free of Windows calls, so the host tests exercise them directly.
// Every function that writes a buffer takes its size and refuses (returns
// false, leaving an empty string) rather than cutting a result short.
#pragma once

#include <cstddef>

// Paths and texts of the product's programs live in buffers of this size, as
// the installer's do.
constexpr size_t kPathBytes = 1024;

bool IsSeparator(char c);

// folder + "\" + name, with every "/" in name turned into "\" and no doubled
// separator where folder already ends in one. Both parts must be non-empty.
bool JoinPath(char* out, size_t outSize, const char* folder, const char* name);

// The folder part of a path: everything before its last separator, the
// separator dropped ("C:\Varnlet\rtuninst.exe" gives "C:\Varnlet").
// False when the path has no separator or the folder part is empty.
bool FolderOfPath(char* out, size_t outSize, const char* path);

// The part after the last separator (the whole path if it has none).
const char* FileNameOfPath(const char* path);

// Whether two paths name the same folder (or file) as far as text can tell: letters
// compared without case, "/" and "\" alike, runs of separators counted as
// one, trailing separators ignored. Empty paths never match.
bool SameFolder(const char* a, const char* b);

// Copies text into out, refusing text that would not fit.
bool CopyText(char* out, size_t outSize, const char* text);
