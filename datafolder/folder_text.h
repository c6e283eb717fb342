// Text work of the data-folder choice and the folder dialog: proposals,
// the dialog's split and composition, and folder comparisons. No Windows
// calls, so everything here is tested on the host as well as under Wine.
// Every function that writes takes the output buffer's size and returns
// false, leaving "" in the buffer, when the result would not fit.
#pragma once

#include <cstddef>

// The dialog's fields and the work buffers behind them hold MAX_PATH (260)
// bytes; a folder path must fit them to work with the system's path calls.
constexpr size_t kFieldBytes = 260;
constexpr size_t kMaxFolderPathLength = kFieldBytes - 1;

// Copies `text` into `out`.
bool copyText(char* out, size_t outSize, const char* text);

// "<programFiles>\<folderName>", without a doubled separator when the shell's
// folder ends in one (C:\ gives C:\Varnlet).
bool formatProgramFilesProposal(const char* programFiles, const char* folderName, char* out, size_t outSize);

// The proposal in the user's home folder. A null homeDrive counts as "C:", a
// null homePath as "". A homePath that carries its own drive ("D:\Users\kim")
// is used alone; otherwise it is appended to homeDrive. HOMEDRIVE C: with
// HOMEPATH \Users\kim gives C:\Users\kim\Varnlet; HOMEPATH \ gives C:\Varnlet.
bool formatHomeProposal(const char* homeDrive, const char* homePath, const char* folderName, char* out,
                        size_t outSize);

// The dialog's initial split at the last '\' (else the last '/'): what stands
// before it is the parent folder, what follows it the application folder;
// without a separator the whole text is the parent. Each part is cut to what
// its buffer holds; false tells that a part was cut.
bool splitFolderText(const char* path, char* parent, size_t parentSize, char* application, size_t applicationSize);

// The dialog's composition: the parent with every '/' made '\', one '\' (not
// doubled when the parent already ends in one), then the application folder
// as typed. An empty parent gives "\<application>".
bool composeFolderPath(const char* parent, const char* application, char* out, size_t outSize);

// Whether `path` ends in `folderName`, ignoring letter case. The match need
// not start at a separator: D:\Tools\MyVARNLET ends in Varnlet.
bool endsWithFolderName(const char* path, const char* folderName);

// Whether two folder paths name the same folder as far as text can tell:
// letter case ignored, and one trailing separator on either side ignored.
bool isSameFolder(const char* a, const char* b);

// Whether `path` is `folder` or lies inside it, compared as isSameFolder
// does. Both must be absolute and normalised for the answer to mean much.
bool isFolderOrInside(const char* path, const char* folder);

// Whether a component of `path` other than "." and ".." ends in a blank or a
// dot, which Windows drops: "C:\Varnlet " would be written as C:\Varnlet.
// The first such component goes into `component`, cut to what it holds.
bool findBadComponentEnding(const char* path, char* component, size_t componentSize);
