#include "datafolder/folder_text.h"

#include <cstring>

#include "common/paths.h"
#include "datafolder/path_ops.h"

namespace {

// The last character `ch` of `text` (walked by character), or null.
const char* lastCharOf(const char* text, char ch) {
    const char* last = nullptr;
    for (const char* p = text; *p; p = NextChar(p))
        if (*p == ch) last = p;
    return last;
}

// Whether byte `offset` of `text` starts a character (and is not the second
// byte of a double-byte one).
bool startsCharacter(const char* text, size_t offset) {
    const char* p = text;
    while (*p && static_cast<size_t>(p - text) < offset) p = NextChar(p);
    return static_cast<size_t>(p - text) == offset;
}

// The length of `text` without one trailing separator.
size_t lengthWithoutTrailingSeparator(const char* text) {
    size_t length = std::strlen(text);
    return EndsWithSeparator(text) ? length - 1 : length;
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
    const char* separator = lastCharOf(path, '\\');
    if (!separator) separator = lastCharOf(path, '/');
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
    for (char* c = out; *c != '\0'; c = const_cast<char*>(NextChar(c)))
        if (*c == '/') *c = '\\';
    if (out[0] == '\0' || !EndsWithSeparator(out)) {
        if (!appendText(out, outSize, "\\")) return fail(out, outSize);
    }
    return appendText(out, outSize, application) || fail(out, outSize);
}

bool endsWithFolderName(const char* path, const char* folderName) {
    size_t pathLength = std::strlen(path);
    size_t nameLength = std::strlen(folderName);
    if (pathLength < nameLength) return false;
    size_t tail = pathLength - nameLength;
    return startsCharacter(path, tail) && EqualIgnoringCase(path + tail, folderName, nameLength);
}

bool isSameFolder(const char* a, const char* b) {
    size_t aLength = lengthWithoutTrailingSeparator(a);
    size_t bLength = lengthWithoutTrailingSeparator(b);
    return aLength == bLength && EqualIgnoringCase(a, b, aLength);
}

bool isFolderOrInside(const char* path, const char* folder) {
    size_t folderLength = lengthWithoutTrailingSeparator(folder);
    if (folderLength == 0 || std::strlen(path) < folderLength) return false;
    if (!startsCharacter(path, folderLength) || !EqualIgnoringCase(path, folder, folderLength)) return false;
    const char* rest = path + folderLength;
    return *rest == '\0' || IsSeparator(*rest);
}

bool findBadComponentEnding(const char* path, char* component, size_t componentSize) {
    const char* start = path;
    const char* last = nullptr;  // the last character of the current component
    for (const char* p = path;; p = NextChar(p)) {
        if (*p != '\0' && !IsSeparator(*p)) {
            last = p;
            continue;
        }
        size_t length = static_cast<size_t>(p - start);
        bool dots = (length == 1 && start[0] == '.') || (length == 2 && start[0] == '.' && start[1] == '.');
        if (length > 0 && !dots && (*last == ' ' || *last == '.')) {
            if (componentSize > 0) (void)copyCut(component, componentSize, start, length);
            return true;
        }
        if (*p == '\0') return false;
        start = p + 1;
    }
}
