// Reading the installer's blob from its own file for the check of its data
// (see payload_seal.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/blob_sum.h"

// Adds the `bytes` bytes that `file` holds from its current position to `sum`,
// in pieces of 256 KB, each compared at its start with the loaded image's
// bytes at `blob`: false when the file ends early, a read fails or a piece is
// not the loaded image's there (another file put in place under the same name).
bool AddBlobFromFile(HANDLE file, const unsigned char* blob, uint32_t bytes, BlobSum& sum);
