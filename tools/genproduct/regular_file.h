// Reading the files a description names. A path may lead to a named pipe or a
// device: opening that for reading the ordinary way waits for a writer, and
// the generator would hang while the build holds its lock. Every file the
// generator reads is opened here without blocking and accepted only when it
// is a regular file.
#pragma once

#include <sys/types.h>

#include <string>

// "a folder", "a named pipe (FIFO)", "a character device", ... : how a file
// of mode `mode` is named in messages.
const char* FileKindName(mode_t mode);

// Opens `path` for reading. Returns the descriptor (blocking reads), or -1
// with `why` saying what is wrong, the file named as `what` ("source file",
// or "" for none): "cannot read source file \"PATH\" (REASON)" or
// "source file \"PATH\" is a named pipe (FIFO), not a regular file".
int OpenRegularFile(const std::string& path, const char* what, std::string& why);

// The whole regular file at `path` as bytes; false with `why` as above.
bool ReadRegularFile(const std::string& path, const char* what, std::string& out, std::string& why);
