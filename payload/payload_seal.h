// The check of the embedded data against the seal the generator made (see
// product/product_data.h). PayloadMatchesSeal makes no Windows calls, so the
// host tests run it against generated tables too; where the blob's bytes are
// read from is the caller's choice.
#pragma once

#include <cstdint>

#include "common/blob_sum.h"

// Adds the `bytes` bytes of the blob at `blob` to `sum`; false when they
// cannot all be read.
using BlobReader = bool (*)(const unsigned char* blob, uint32_t bytes, BlobSum& sum);

// Reads the blob where it lies in memory.
bool AddBlobFromMemory(const unsigned char* blob, uint32_t bytes, BlobSum& sum);

// True when the table and every chunk byte are as the generator wrote them:
// one sequential pass over the blob (through `addBlob`), the names and the
// table's numbers, and a check that every pointer of the table lies where the
// layout puts it.
bool PayloadMatchesSeal(BlobReader addBlob);

// The installer's check, with the blob read from the installer's own file
// (payload/image_blob_reader.cpp).
bool PayloadIsIntact();
