// Benchmark program for bench/extract.sh, linked with a generated payload
// table and the installer's dialogs. In the current folder it runs one of:
//   extract   ExtractPayload without a callback
//   dialog    ExtractPayload under the real progress dialog and its
//             callback, as the installer runs it
//   bare      the least any extraction must do: for each file make its
//             folders, then uncompress + fwrite every chunk (the limit)
// and adds "result private-bytes-before peak-private-bytes seconds
// callback-seconds" as a line to the file named by the second argument. Under
// Wine the program image, payload included, is private memory from the start,
// so what the extraction itself needs is the difference. The seconds are the
// extraction's alone, taken inside the process: the dialog is made before the
// clock starts, as the installer has its windows up before it extracts, so the
// start of the window system (over a second under Wine) is not counted as the
// dialog's.
#include <windows.h>

#include <direct.h>
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/extract.h"
#include "product/product_data.h"
#include "ui/progress_dialog.h"

namespace {

int BareLoop() {
    static unsigned char work[kWorkBufferBytes];
    for (int32_t i = 0; i < fileCount; ++i) {
        char folder[kPathBufferBytes];
        for (size_t k = 0; fileNames[i][k] != '\0' && k < sizeof folder; ++k) {
            if (fileNames[i][k] != '\\' && fileNames[i][k] != '/') continue;
            std::memcpy(folder, fileNames[i], k);
            folder[k] = '\0';
            (void)_mkdir(folder);
        }
        FILE* file = std::fopen(fileNames[i], "wb");
        if (!file) return 1;
        for (int32_t c = 0; c < fileChunkCounts[i]; ++c) {
            uLongf length = sizeof work;
            if (uncompress(work, &length, fileChunks[i][c], fileChunkSizes[i][c]) != Z_OK) return 2;
            if (std::fwrite(work, 1, length, file) != length) return 2;
        }
        if (std::fclose(file) != 0) return 2;
    }
    return 4;
}

}  // namespace

// The frequency is asked once: timing each callback asks for the time twice
// per call, tens of thousands of times in a run.
double Seconds() {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
    PROCESS_MEMORY_COUNTERS counters;
    std::memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    (void)GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// The time spent in the dialog's updates, measured around each call: it does
// not depend on how fast the disk happens to be in one run or the next.
double callbackSeconds = 0;

int TimedProgressCallback(HWND dialog, const char* text, int percent) {
    const double start = Seconds();
    const int result = ProgressCallback(dialog, text, percent);
    callbackSeconds += Seconds() - start;
    return result;
}

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    PROCESS_MEMORY_COUNTERS before = MemoryCounters();
    int result = 0;
    double start = 0, end = 0;
    if (std::strcmp(argv[1], "extract") == 0) {
        start = Seconds();
        result = ExtractPayload(nullptr, nullptr);
        end = Seconds();
    } else if (std::strcmp(argv[1], "dialog") == 0) {
        HWND dialog = CreateProgressDialog(GetModuleHandleA(nullptr), nullptr);
        if (!dialog) return 65;
        start = Seconds();
        result = ExtractPayload(dialog, TimedProgressCallback);
        end = Seconds();
        (void)DestroyWindow(dialog);
    } else if (std::strcmp(argv[1], "bare") == 0) {
        start = Seconds();
        result = BareLoop();
        end = Seconds();
    } else {
        return 64;
    }
    PROCESS_MEMORY_COUNTERS after = MemoryCounters();
    FILE* report = std::fopen(argv[2], "a");
    if (report) {
        std::fprintf(report, "%d %lu %lu %.4f %.4f\n", result, static_cast<unsigned long>(before.PagefileUsage),
                     static_cast<unsigned long>(after.PeakPagefileUsage), end - start, callbackSeconds);
        std::fclose(report);
    }
    return result == 4 ? 0 : 1;
}
