#pragma once

// Path helpers of the data-folder choice; no Windows calls, so they run on the
// host as well as under Wine.

// Removes one trailing `ch` from a non-empty path.
void stripTrailingChar(char* path, char ch);
// Collapses every run of '/' and '\\' into one '\\', in place. A leading pair
// of separators (a UNC path) stays a pair.
void normalizeSeparators(char* path);
// Changes into `path`; with `create`, makes it (one level) and tries again.
// 0 on success, -1 otherwise.
int enterFolder(const char* path, int create);
