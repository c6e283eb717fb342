// What this process's extraction did to each file of the table: created it,
// or replaced a file that was there (kept aside under a name of its own, see
// kept_files.h). The clean-up after a failed installation deletes only the
// created files and puts every replaced one back, so files that were already
// in the folder, and those the extraction never reached, survive.
#pragma once

#include <cstdint>

enum class FileFate : unsigned char { kUntouched, kCreated, kReplaced };

// Forgets the previous extraction's record and starts an empty one for
// `count` files. False when its memory cannot be had.
bool StartWrittenFilesRecord(int32_t count);
void RecordCreated(int32_t index);
// The file that was there lives on under the kept name made from `keptBits`.
void RecordReplaced(int32_t index, uint64_t keptBits);
void ForgetWrittenFile(int32_t index);
FileFate FateOf(int32_t index);
uint64_t KeptBitsOf(int32_t index);
