#include "common/paths.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Leaves an empty string behind a refusal, so a caller that ignores the
// result still never reads a half-made path.
bool Refuse(char* out, size_t outSize) {
    if (out && outSize > 0) out[0] = '\0';
    return false;
}

// Lead bytes of the code page path text is in, filled on first use.
bool g_leadBytes[256];
bool g_leadBytesKnown = false;

struct LeadByteRange {
    unsigned codePage;
    unsigned char first;
    unsigned char last;
};

// The lead-byte ranges of the double-byte ANSI code pages, as the system's
// own tables give them.
const LeadByteRange kLeadByteRanges[] = {
    {932, 0x81, 0x9F}, {932, 0xE0, 0xFC},  // Japanese (Shift-JIS)
    {936, 0x81, 0xFE},                     // Simplified Chinese (GBK)
    {949, 0x81, 0xFE},                     // Korean (Unified Hangul)
    {950, 0x81, 0xFE},                     // Traditional Chinese (Big5)
};

void LearnSystemLeadBytes() {
#ifdef _WIN32
    for (int b = 0; b < 256; ++b) g_leadBytes[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
    g_leadBytesKnown = true;
#else
    UsePathCodePage(1252);
#endif
}

}  // namespace

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLeadByteOf(unsigned codePage, char c) {
    unsigned char b = static_cast<unsigned char>(c);
    for (const LeadByteRange& range : kLeadByteRanges) {
        if (range.codePage == codePage && b >= range.first && b <= range.last) return true;
    }
    return false;
}

void UsePathCodePage(unsigned codePage) {
    for (int b = 0; b < 256; ++b) g_leadBytes[b] = IsLeadByteOf(codePage, static_cast<char>(b));
    g_leadBytesKnown = true;
}

bool IsLeadByte(char c) {
    if (!g_leadBytesKnown) LearnSystemLeadBytes();
    return g_leadBytes[static_cast<unsigned char>(c)];
}

const char* NextChar(const char* p) { return (IsLeadByte(*p) && p[1] != '\0') ? p + 2 : p + 1; }

bool EndsWithSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; p = NextChar(p)) last = p;
    return last && IsSeparator(*last);
}

const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; p = NextChar(p)) {
        if (IsSeparator(*p)) last = p;
    }
    return last;
}

bool CopyText(char* out, size_t outSize, const char* text) {
    if (!out || outSize == 0 || !text) return Refuse(out, outSize);
    size_t length = std::strlen(text);
    if (length >= outSize) return Refuse(out, outSize);
    std::memcpy(out, text, length + 1);
    return true;
}

bool JoinPath(char* out, size_t outSize, const char* folder, const char* name) {
    if (!out || outSize == 0 || !folder || !name || !*folder || !*name) return Refuse(out, outSize);
    // Copied by hand: the C++ library's snprintf would bring a whole second
    // formatter into every program that joins a path.
    size_t folderLength = std::strlen(folder);
    size_t separatorLength = EndsWithSeparator(folder) ? 0 : 1;
    size_t nameLength = std::strlen(name);
    if (folderLength + separatorLength + nameLength >= outSize) return Refuse(out, outSize);
    std::memmove(out, folder, folderLength);
    if (separatorLength) out[folderLength] = '\\';
    std::memmove(out + folderLength + separatorLength, name, nameLength + 1);
    for (char* p = out + folderLength; *p; p = const_cast<char*>(NextChar(p))) {
        if (*p == '/') *p = '\\';
    }
    return true;
}

const char* FileNameOfPath(const char* path) {
    const char* separator = LastSeparator(path);
    return separator ? separator + 1 : path;
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

bool EqualIgnoringCase(const char* a, const char* b, size_t count) {
    size_t i = 0;
    while (i < count) {
        if (IsLeadByte(a[i]) && i + 1 < count) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
            continue;
        }
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
        if (a[i] == '\0') return true;
        ++i;
    }
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
        // A double-byte character is compared as it stands: its trail byte
        // may look like a letter or a separator, and is neither.
        if (IsLeadByte(*a) || IsLeadByte(*b)) {
            const char* aNext = NextChar(a);
            const char* bNext = NextChar(b);
            if (aNext - a != bNext - b || std::memcmp(a, b, static_cast<size_t>(aNext - a)) != 0) return false;
            a = aNext;
            b = bNext;
            continue;
        }
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
        ++a;
        ++b;
    }
}
