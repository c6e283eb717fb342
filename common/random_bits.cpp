#include "common/random_bits.h"

#include <windows.h>

namespace {

typedef BOOLEAN(WINAPI* GenRandomFunc)(PVOID, ULONG);

}  // namespace

unsigned long long RandomBits(int attempt) {
    unsigned long long bits = 0;
    // RtlGenRandom, looked up by name: not every advapi32 exports it.
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    GenRandomFunc generate = reinterpret_cast<GenRandomFunc>(
        reinterpret_cast<void*>(advapi32 ? GetProcAddress(advapi32, "SystemFunction036") : nullptr));
    if (generate && generate(&bits, sizeof bits)) return bits;
    LARGE_INTEGER counter = {};
    (void)QueryPerformanceCounter(&counter);
    return (static_cast<unsigned long long>(counter.QuadPart) << 16) ^ (GetTickCount() * 2654435761ull) ^
           (static_cast<unsigned long long>(GetCurrentProcessId()) << 40) ^ static_cast<unsigned long long>(attempt);
}
