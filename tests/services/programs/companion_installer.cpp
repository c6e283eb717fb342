// The companion installer that test products with installCompanion carry as
// "nsvcrun.exe". It installs the companion by recording it in "nsvcrun.ini"
// beside itself: section "Companion", keys "sid" and "program".
//
// usage: nsvcrun.exe -install -sid=N
//   Exit status 0 when the record is written, 1 when it cannot be, 64 for
//   any other command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseSid(const char* argument, long& sid) {
    if (std::strncmp(argument, "-sid=", 5) != 0) return false;
    char* end = nullptr;
    sid = std::strtol(argument + 5, &end, 10);
    return end != argument + 5 && *end == '\0' && sid >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    long sid = 0;
    if (argc != 3 || std::strcmp(argv[1], "-install") != 0 || !ParseSid(argv[2], sid)) {
        (void)std::fprintf(stderr, "usage: nsvcrun.exe -install -sid=N\n");
        return 64;
    }
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return 1;
    char record[MAX_PATH];
    char* lastSeparator = std::strrchr(program, '\\');
    if (!lastSeparator) return 1;
    int folderLength = static_cast<int>(lastSeparator - program);
    int written = std::snprintf(record, sizeof record, "%.*s\\nsvcrun.ini", folderLength, program);
    if (written < 0 || static_cast<size_t>(written) >= sizeof record) return 1;
    char sidText[16];
    written = std::snprintf(sidText, sizeof sidText, "%ld", sid);
    if (written < 0 || static_cast<size_t>(written) >= sizeof sidText) return 1;
    if (!WritePrivateProfileStringA("Companion", "sid", sidText, record) ||
        !WritePrivateProfileStringA("Companion", "program", program, record))
        return 1;
    return 0;
}
