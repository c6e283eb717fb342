// Which files of the table this process's extraction created or began to
// write. Removal after a failed installation deletes only those, so files of
// the same names that were already in the folder and that the extraction
// never reached survive.
#pragma once

#include <cstdint>

// Forgets the previous extraction's record and starts an empty one for
// `count` files. False when its memory cannot be had.
bool StartWrittenFilesRecord(int32_t count);
void MarkFileWritten(int32_t index);
void ForgetWrittenFile(int32_t index);
bool WasFileWritten(int32_t index);
