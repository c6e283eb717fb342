// A payload table made by the test itself at run time, so that tests can
// corrupt a chunk and put it right again. Its files, in table order:
//   0 "first.txt"            1 chunk
//   1 "sub/dir/nested.txt"   2 chunks (30000 + 100 bytes)
//   2 "helper.dll"           1 chunk
//   3 "UPPER.DLL"            1 chunk
//   4 "mixed.Dll"            1 chunk
//   5 "empty.txt"            no chunks
//   6 "big.bin"              100 chunks: 3,000,000 bytes that do not compress
//   7 "broken.txt"           2 chunks; tests may spoil the second
//   8 "after.txt"            1 chunk
#pragma once

#include <cstdint>
#include <vector>

namespace handmade {

enum File { kFirst, kNested, kHelperDll, kUpperDll, kMixedDll, kEmpty, kBig, kBroken, kAfter, kFileCount };

// Builds the chunks once; later calls do nothing.
void BuildTable();
// The bytes that file `index` should have on disk.
const std::vector<unsigned char>& Contents(int index);

// How a test spoils the second chunk of "broken.txt".
enum class Damage { kNone, kChecksum, kTruncated };
void DamageBrokenChunk(Damage damage);

}  // namespace handmade
