#include "common/random_bits.h"

#include <windows.h>

#include "common/dll_search.h"

namespace {

typedef BOOLEAN(WINAPI* GenRandomFunc)(PVOID, ULONG);

}  // namespace

unsigned long long RandomBits(int attempt) {
    unsigned long long bits = 0;
    // RtlGenRandom, looked up by name: not every advapi32 exports it, and a
    // program need not have loaded advapi32 yet.
    GenRandomFunc generate = reinterpret_cast<GenRandomFunc>(
        reinterpret_cast<void*>(SystemFunction("advapi32.dll", "SystemFunction036")));
    if (generate && generate(&bits, sizeof bits)) return bits;
    LARGE_INTEGER counter = {};
    (void)QueryPerformanceCounter(&counter);
    return (static_cast<unsigned long long>(counter.QuadPart) << 16) ^ (GetTickCount() * 2654435761ull) ^
           (static_cast<unsigned long long>(GetCurrentProcessId()) << 40) ^ static_cast<unsigned long long>(attempt);
}
