#include "varnlet/rtuninst/uninstall_logic.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnlet {

namespace {

bool SetError(char* error, size_t errorSize, const char* text, const char* detail) {
    int written = std::snprintf(error, errorSize, "%s%s%s%s", text, detail ? " \"" : "", detail ? detail : "",
                                detail ? "\"" : "");
    if (written < 0 || static_cast<size_t>(written) >= errorSize) (void)CopyText(error, errorSize, "Bad command line.");
    return false;
}

// Splits off the next blank-separated word; a word may be enclosed in double
// quotes to hold blanks. False at the end of the text or when a word is too
// long for the buffer (or its quote is not closed).
bool NextWord(const char** text, char* word, size_t wordSize, bool* tooLong) {
    const char* p = *text;
    *tooLong = false;
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return false;
    size_t length = 0;
    bool quoted = (*p == '"');
    if (quoted) ++p;
    while (*p && (quoted ? *p != '"' : (*p != ' ' && *p != '\t'))) {
        if (length + 1 >= wordSize) {
            *tooLong = true;
            return false;
        }
        word[length++] = *p++;
    }
    if (quoted) {
        if (*p != '"') {
            *tooLong = true;
            return false;
        }
        ++p;
    }
    word[length] = '\0';
    *text = p;
    return true;
}

bool ParseHandle(const char* text, uintptr_t* value) {
    if (!*text) return false;
    char* end = nullptr;
    unsigned long parsed = std::strtoul(text, &end, 10);
    if (*end != '\0' || parsed == 0) return false;
    *value = static_cast<uintptr_t>(parsed);
    return true;
}

}  // namespace

namespace {

bool IsSilentSwitch(const char* word) { return (word[0] == '/') && (word[1] == 'S' || word[1] == 's') && !word[2]; }

}  // namespace

bool ParseUninstallArguments(const char* commandTail, UninstallArguments* arguments, char* error, size_t errorSize,
                             bool silentAllowed) {
    *arguments = UninstallArguments();
    if (errorSize > 0) error[0] = '\0';
    const char* p = commandTail ? commandTail : "";
    char word[kPathBytes];
    bool tooLong = false;
    if (!NextWord(&p, word, sizeof word, &tooLong)) {
        return tooLong ? SetError(error, errorSize, "A command-line argument is too long or not closed.", nullptr)
                       : true;
    }
    if (silentAllowed && IsSilentSwitch(word)) {
        arguments->silent = true;
        if (NextWord(&p, word, sizeof word, &tooLong) || tooLong)
            return SetError(error, errorSize, "Unexpected command-line argument after /S", word);
        return true;
    }
    if (std::strcmp(word, "/finish") != 0) return SetError(error, errorSize, "Unknown command-line argument", word);
    arguments->finish = true;
    if (!NextWord(&p, word, sizeof word, &tooLong) || !ParseHandle(word, &arguments->waitHandle)) {
        return SetError(error, errorSize, "/finish needs a process handle and the uninstaller's path.", nullptr);
    }
    if (!NextWord(&p, arguments->uninstallerPath, sizeof arguments->uninstallerPath, &tooLong) ||
        !arguments->uninstallerPath[0]) {
        return SetError(error, errorSize, "/finish needs a process handle and the uninstaller's path.", nullptr);
    }
    // A silent uninstaller's copy stays silent too.
    bool more = NextWord(&p, word, sizeof word, &tooLong);
    if (more && silentAllowed && IsSilentSwitch(word)) {
        arguments->silent = true;
        more = NextWord(&p, word, sizeof word, &tooLong);
    }
    if (more || tooLong) return SetError(error, errorSize, "Unexpected command-line argument after /finish", word);
    return true;
}

bool IsSystemFolderName(const char* payloadName) {
    return std::strncmp(payloadName, "SYSTEM/", 7) == 0 || std::strncmp(payloadName, "SYSTEM\\", 7) == 0;
}

bool FormatLinkFileName(char* out, size_t outSize, const char* linkName) {
    if (!linkName || !*linkName) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    int written = std::snprintf(out, outSize, "%s.lnk", linkName);
    if (written < 0 || static_cast<size_t>(written) >= outSize) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    return true;
}

void RemovalReport::AddFailure(const char* what, const char* reason) {
    if (count_ == kMaxItems) {
        ++dropped_;
        return;
    }
    int written = std::snprintf(items_[count_], kItemBytes, "%s (%s)", what, reason);
    if (written < 0 || static_cast<size_t>(written) >= kItemBytes) {
        // A reason too long to show with its path: the path matters more.
        written = std::snprintf(items_[count_], kItemBytes, "%s", what);
        if (written < 0 || static_cast<size_t>(written) >= kItemBytes) {
            ++dropped_;
            return;
        }
    }
    ++count_;
}

void RemovalReport::AddFailureOnce(const char* what, const char* reason) {
    // Compared as AddFailure would store it: with its reason, or alone when
    // that does not fit.
    char item[kItemBytes];
    int written = std::snprintf(item, sizeof item, "%s (%s)", what, reason);
    bool withReason = written >= 0 && static_cast<size_t>(written) < sizeof item;
    for (int i = 0; i < count_; ++i) {
        if (std::strcmp(items_[i], withReason ? item : what) == 0) return;
    }
    AddFailure(what, reason);
}

bool RemovalReport::Format(char* out, size_t outSize, const char* productName) const {
    int written = std::snprintf(out, outSize, "%s was removed, except for the following, which you may delete "
                                              "yourself once no program uses it:\r\n",
                                productName);
    if (written < 0 || static_cast<size_t>(written) >= outSize) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    size_t used = static_cast<size_t>(written);
    // The closing line needs room of its own; items stop where it would not
    // fit any more.
    constexpr size_t kClosingReserve = 48;
    int shown = 0;
    for (; shown < count_; ++shown) {
        if (used + kClosingReserve >= outSize) break;
        int length = std::snprintf(out + used, outSize - used - kClosingReserve, "\r\n%s", items_[shown]);
        if (length < 0 || static_cast<size_t>(length) >= outSize - used - kClosingReserve) {
            out[used] = '\0';
            break;
        }
        used += static_cast<size_t>(length);
    }
    int rest = FailureCount() - shown;
    if (rest > 0) {
        int length = std::snprintf(out + used, outSize - used, "\r\n...and %d more.", rest);
        if (length < 0 || static_cast<size_t>(length) >= outSize - used) out[used] = '\0';
    }
    return true;
}

}  // namespace varnlet
