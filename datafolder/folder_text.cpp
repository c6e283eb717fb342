#include "datafolder/folder_text.h"

#include <cstring>

#include "datafolder/path_ops.h"

#ifndef _WIN32
#include <strings.h>
#endif

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// msvcrt's _strnicmp and the C library's strncasecmp fold letter case alike
// in the "C" locale in which the installer runs.
int compareIgnoringCase(const char* a, const char* b, size_t count) {
#ifdef _WIN32
    return _strnicmp(a, b, count);
#else
    return strncasecmp(a, b, count);
#endif
}

// Appends `count` bytes of `text` to the NUL-terminated `out`.
bool appendBytes(char* out, size_t outSize, const char* text, size_t count) {
    size_t used = std::strlen(out);
    if (count >= outSize - used) return false;
    std::memcpy(out + used, text, count);
    out[used + count] = '\0';
    return true;
}

bool appendText(char* out, size_t outSize, const char* text) {
    return appendBytes(out, outSize, text, std::strlen(text));
}

bool fail(char* out, size_t outSize) {
    if (outSize > 0) out[0] = '\0';
    return false;
}

void stripTrailingSeparators(char* path) {
    stripTrailingChar(path, '\\');
    stripTrailingChar(path, '/');
}

// Copies at most what fits; false when `count` bytes did not.
bool copyCut(char* out, size_t outSize, const char* text, size_t count) {
    bool fits = count < outSize;
    if (!fits) count = outSize - 1;
    std::memcpy(out, text, count);
    out[count] = '\0';
    return fits;
}

}  // namespace

bool copyText(char* out, size_t outSize, const char* text) {
    if (outSize == 0) return false;
    out[0] = '\0';
    return appendText(out, outSize, text) || fail(out, outSize);
}

bool formatProgramFilesProposal(const char* programFiles, const char* folderName, char* out, size_t outSize) {
    if (!copyText(out, outSize, programFiles)) return false;
    stripTrailingSeparators(out);
    if (!appendText(out, outSize, "\\") || !appendText(out, outSize, folderName)) return fail(out, outSize);
    return true;
}

bool formatHomeProposal(const char* homeDrive, const char* homePath, const char* folderName, char* out,
                        size_t outSize) {
    const char* drive = homeDrive ? homeDrive : "C:";
    const char* home = homePath ? homePath : "";
    bool homeHasDrive = home[0] != '\0' && home[1] == ':';
    if (outSize == 0) return false;
    out[0] = '\0';
    if (!homeHasDrive) {
        if (!appendText(out, outSize, drive)) return fail(out, outSize);
        stripTrailingSeparators(out);
    }
    if (!appendText(out, outSize, home)) return fail(out, outSize);
    stripTrailingSeparators(out);
    if (!appendText(out, outSize, "\\") || !appendText(out, outSize, folderName)) return fail(out, outSize);
    return true;
}

bool splitFolderText(const char* path, char* parent, size_t parentSize, char* application, size_t applicationSize) {
    const char* separator = std::strrchr(path, '\\');
    if (!separator) separator = std::strrchr(path, '/');
    if (!separator) {
        bool fits = copyCut(parent, parentSize, path, std::strlen(path));
        application[0] = '\0';
        return fits;
    }
    bool parentFits = copyCut(parent, parentSize, path, static_cast<size_t>(separator - path));
    bool applicationFits = copyCut(application, applicationSize, separator + 1, std::strlen(separator + 1));
    return parentFits && applicationFits;
}

bool composeFolderPath(const char* parent, const char* application, char* out, size_t outSize) {
    if (!copyText(out, outSize, parent)) return false;
    for (char* c = out; *c != '\0'; ++c)
        if (*c == '/') *c = '\\';
    size_t length = std::strlen(out);
    if (length == 0 || out[length - 1] != '\\') {
        if (!appendText(out, outSize, "\\")) return fail(out, outSize);
    }
    return appendText(out, outSize, application) || fail(out, outSize);
}

bool endsWithFolderName(const char* path, const char* folderName) {
    size_t pathLength = std::strlen(path);
    size_t nameLength = std::strlen(folderName);
    if (pathLength < nameLength) return false;
    return compareIgnoringCase(path + pathLength - nameLength, folderName, nameLength) == 0;
}

bool isSameFolder(const char* a, const char* b) {
    size_t aLength = std::strlen(a);
    size_t bLength = std::strlen(b);
    if (aLength > 0 && isSeparator(a[aLength - 1])) --aLength;
    if (bLength > 0 && isSeparator(b[bLength - 1])) --bLength;
    return aLength == bLength && compareIgnoringCase(a, b, aLength) == 0;
}
