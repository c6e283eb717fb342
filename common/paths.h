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

// Path text is in the system's ANSI code page. In the double-byte code pages
// (932, 936, 949, 950) a lead byte and the byte after it are one character,
// and that second byte may be 0x5C, the value of "\" (the second byte of
// "\x83\x5C" in code page 932): path text is walked by character, never
// byte by byte.
bool IsLeadByte(char c);
// The character after the one at `p` (which must not be the terminator); a
// lead byte with nothing after it counts as one character.
const char* NextChar(const char* p);
// The code page whose lead bytes IsLeadByte knows. Until this is called it
// is the system's ANSI code page on Windows and a single-byte one elsewhere.
// Code pages other than 932, 936, 949 and 950 have no lead bytes.
void UsePathCodePage(unsigned codePage);
// Whether the last character of `path` is a separator.
bool EndsWithSeparator(const char* path);
// The last separator of `path` that is a character of its own, or null.
const char* LastSeparator(const char* path);

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

// Whether the first `count` bytes of a and b are the same text, ASCII letters
// compared without case and double-byte characters byte for byte.
bool EqualIgnoringCase(const char* a, const char* b, size_t count);

// Copies text into out, refusing text that would not fit.
bool CopyText(char* out, size_t outSize, const char* text);
