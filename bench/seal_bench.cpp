// Benchmark program for bench/seal.sh, linked with a generated payload table.
// In the current folder it runs, as the installer does, the check of the
// embedded data and then ExtractPayload, or ExtractPayload alone, and writes
// "check-result check-seconds extract-result extract-seconds" to the file
// named by the second argument (times taken inside the process, so Wine's
// start-up is not counted).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "payload/extract.h"
#include "payload/payload_seal.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    bool check = std::strcmp(argv[1], "check-then-extract") == 0;
    if (!check && std::strcmp(argv[1], "extract") != 0) return 64;
    double start = Now();
    int intact = check ? (PayloadIsIntact() ? 1 : 0) : -1;
    double checked = Now();
    int result = ExtractPayload(nullptr, nullptr);
    double extracted = Now();
    FILE* report = std::fopen(argv[2], "w");
    if (report) {
        std::fprintf(report, "%d %.4f %d %.4f\n", intact, checked - start, result, extracted - checked);
        std::fclose(report);
    }
    return result == kExtractDone && intact != 0 ? 0 : 1;
}
