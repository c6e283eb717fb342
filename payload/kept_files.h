// A file that the extraction replaces is first moved aside in its own folder
// (a rename: no copy, no extra space) under a name that nobody can guess, and
// so nobody can have planted first: "~" and 64 random bits. The clean-up of a
// failed installation moves it back; a successful one deletes it
// (DiscardKeptFiles in extract.h).
#pragma once

#include <cstddef>
#include <cstdint>

// The kept name of the file at `path` for `bits`. False when it does not fit.
bool KeptPathOf(const char* path, uint64_t bits, char* out, size_t outBytes);
// Renames the file at `path` to a fresh kept name, never over anything that
// is there; `bits` receives the name's random part. False when it cannot.
bool KeepExistingFile(const char* path, uint64_t* bits);
// Deletes what stands at `path` (the new file, if any) and renames the kept
// copy back to `path`, bytes and times as they were. False when it cannot.
bool RestoreKeptFile(const char* path, uint64_t bits);
