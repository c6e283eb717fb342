#include "datafolder/path_ops.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

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
    while (last[1] != '\0') ++last;
    if (*last == ch) *last = '\0';
}

void normalizeSeparators(char* path) {
    if (!path) return;
    const char* in = path;
    char* out = path;
    // \\server\share must keep both leading separators: collapsing them
    // would turn a network path into a folder at the root of the current
    // drive.
    if (isSeparator(in[0]) && isSeparator(in[1])) {
        *out++ = '\\';
        *out++ = '\\';
        while (isSeparator(*in)) ++in;
    }
    while (*in != '\0') {
        if (isSeparator(*in)) {
            *out++ = '\\';
            while (isSeparator(*in)) ++in;
        } else {
            *out++ = *in++;
        }
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
