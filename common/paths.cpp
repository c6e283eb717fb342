#include "common/paths.h"

#include <cstdio>
#include <cstring>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Leaves an empty string behind a refusal, so a caller that ignores the
// result still never reads a half-made path.
bool Refuse(char* out, size_t outSize) {
    if (out && outSize > 0) out[0] = '\0';
    return false;
}

}  // namespace

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool CopyText(char* out, size_t outSize, const char* text) {
    if (!out || outSize == 0 || !text) return Refuse(out, outSize);
    size_t length = std::strlen(text);
    if (length >= outSize) return Refuse(out, outSize);
    std::memcpy(out, text, length + 1);
    return true;
}

bool JoinPath(char* out, size_t outSize, const char* folder, const char* name) {
    if (!out || outSize == 0 || !folder || !name || !*folder || !*name) return Refuse(out, outSize);
    size_t folderLength = std::strlen(folder);
    const char* separator = IsSeparator(folder[folderLength - 1]) ? "" : "\\";
    int written = std::snprintf(out, outSize, "%s%s%s", folder, separator, name);
    if (written < 0 || static_cast<size_t>(written) >= outSize) return Refuse(out, outSize);
    for (char* p = out + folderLength; *p; ++p) {
        if (*p == '/') *p = '\\';
    }
    return true;
}

const char* FileNameOfPath(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (IsSeparator(*p)) name = p + 1;
    }
    return name;
}

bool FolderOfPath(char* out, size_t outSize, const char* path) {
    if (!out || outSize == 0 || !path) return Refuse(out, outSize);
    const char* name = FileNameOfPath(path);
    if (name == path) return Refuse(out, outSize);
    size_t length = static_cast<size_t>(name - path) - 1;
    if (length == 0 || length >= outSize) return Refuse(out, outSize);
    std::memcpy(out, path, length);
    out[length] = '\0';
    return true;
}

bool SameFolder(const char* a, const char* b) {
    if (!a || !b || !*a || !*b) return false;
    for (;;) {
        // A run of separators is one separator; a run at the end is none.
        bool aSeparator = IsSeparator(*a);
        bool bSeparator = IsSeparator(*b);
        while (IsSeparator(*a)) ++a;
        while (IsSeparator(*b)) ++b;
        if (!*a && !*b) return true;
        if (aSeparator != bSeparator) return false;
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
        ++a;
        ++b;
    }
}
