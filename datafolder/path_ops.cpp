#include "datafolder/path_ops.h"

#include "common/paths.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

int changeDirectory(const char* path) {
#ifdef _WIN32
    return _chdir(path);
#else
    return chdir(path);
#endif
}

int makeDirectory(const char* path) {
#ifdef _WIN32
    return _mkdir(path);
#else
    return mkdir(path, 0777);
#endif
}

}  // namespace

void stripTrailingChar(char* path, char ch) {
    if (!path || path[0] == '\0') return;
    char* last = path;
    for (char* next = path; *next != '\0'; next = const_cast<char*>(NextChar(next))) last = next;
    // A double-byte character is never the single character `ch`.
    if (!IsLeadByte(*last) && *last == ch) *last = '\0';
}

void normalizeSeparators(char* path) {
    if (!path) return;
    const char* in = path;
    char* out = path;
    // \\server\share must keep both leading separators: collapsing them
    // would turn a network path into a folder at the root of the current
    // drive.
    if (IsSeparator(in[0]) && IsSeparator(in[1])) {
        *out++ = '\\';
        *out++ = '\\';
        while (IsSeparator(*in)) ++in;
    }
    while (*in != '\0') {
        if (IsSeparator(*in)) {
            *out++ = '\\';
            while (IsSeparator(*in)) ++in;
            continue;
        }
        // A double-byte character is copied whole: its second byte may be
        // 0x5C and is no separator.
        const char* next = NextChar(in);
        while (in < next) *out++ = *in++;
    }
    *out = '\0';
}

int enterFolder(const char* path, int create) {
    if (changeDirectory(path) == 0) return 0;
    if (!create) return -1;
    // Whether the make worked does not matter: entering the folder afterwards
    // is the test that counts (it may also have been made by someone else).
    (void)makeDirectory(path);
    return changeDirectory(path) == 0 ? 0 : -1;
}
