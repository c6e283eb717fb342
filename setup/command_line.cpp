#include "setup/command_line.h"

#include <cstring>

#include "common/bounded_format.h"

const char kInstallerUsage[] =
    "Usage:\r\n"
    "  /S\tinstall without any window or message; the licence counts as accepted\r\n"
    "  /PASSIVE\tas /S, but show the installer's window and its progress\r\n"
    "  /LOG=file\tappend a log of the run to file\r\n"
    "  /D=folder\tinstall into folder (a full path; last on the line, no quotes)";

namespace {

// The longest piece of an unknown argument quoted back in the message.
constexpr int kQuotedArgumentChars = 80;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `text` begins with `prefix` (an upper-case ASCII literal), letter case ignored.
bool StartsWithSwitch(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (Upper(*text) != *prefix) return false;
    }
    return true;
}

// Whether the word [begin, end) is exactly `name`, letter case ignored.
bool IsSwitch(const char* begin, const char* end, const char* name) {
    return static_cast<size_t>(end - begin) == std::strlen(name) && StartsWithSwitch(begin, name);
}

bool Refuse(char* problem, size_t problemBytes, const char* sentence) {
    (void)FormatBounded(problem, problemBytes, "%s", sentence);
    return false;
}

// The sentence `format` with the argument [begin, end) quoted in it, cut to
// a length a message box shows in one piece.
bool RefuseQuoting(char* problem, size_t problemBytes, const char* format, const char* begin, const char* end) {
    int length = static_cast<int>(end - begin > kQuotedArgumentChars ? kQuotedArgumentChars : end - begin);
    if (!FormatBounded(problem, problemBytes, format, length, begin)) {
        (void)FormatBounded(problem, problemBytes, "%s", "The command line is not valid.");
    }
    return false;
}

bool CopyValue(char* out, size_t outBytes, const char* begin, const char* end) {
    size_t length = static_cast<size_t>(end - begin);
    if (length >= outBytes) return false;
    std::memcpy(out, begin, length);
    out[length] = '\0';
    return true;
}

}  // namespace

bool AsksForNoWindow(const char* commandTail) {
    const char* p = commandTail ? commandTail : "";
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0' || StartsWithSwitch(p, "/D=")) return false;
        const char* begin = p;
        while (*p != '\0' && !IsBlank(*p)) ++p;
        if (IsSwitch(begin, p, "/S") || IsSwitch(begin, p, "/PASSIVE")) return true;
    }
}

bool IsAbsoluteFolder(const char* path) {
    bool driveLetter = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && IsSeparator(path[2]);
    bool network = IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != '\0' && !IsSeparator(path[2]);
    return driveLetter || network;
}

bool ParseInstallerArguments(const char* commandTail, InstallerArguments* arguments, char* problem,
                             size_t problemBytes) {
    *arguments = InstallerArguments();
    if (problemBytes > 0) problem[0] = '\0';
    const char* p = commandTail ? commandTail : "";
    bool logGiven = false;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0') return true;

        if (StartsWithSwitch(p, "/D=")) {
            const char* begin = p + 3;
            const char* end = begin + std::strlen(begin);
            while (end > begin && IsBlank(end[-1])) --end;
            if (end == begin) return Refuse(problem, problemBytes, "/D= needs a folder.");
            if (!CopyValue(arguments->dataFolder, sizeof arguments->dataFolder, begin, end))
                return Refuse(problem, problemBytes, "The folder after /D= is too long.");
            if (!IsAbsoluteFolder(arguments->dataFolder))
                return RefuseQuoting(problem, problemBytes,
                                     "The folder after /D= must be a full path, such as C:\\Programs\\Product: "
                                     "\"%.*s\".",
                                     begin, end);
            return true;
        }

        const char* begin = p;
        if (StartsWithSwitch(p, "/LOG=")) {
            const char* value = p + 5;
            const char* end = value;
            if (*value == '"') {
                ++value;
                end = std::strchr(value, '"');
                if (!end) return Refuse(problem, problemBytes, "The file name after /LOG= has no closing quote.");
                p = end + 1;
                if (*p != '\0' && !IsBlank(*p))
                    return Refuse(problem, problemBytes, "Something follows the closing quote after /LOG=.");
            } else {
                while (*end != '\0' && !IsBlank(*end)) ++end;
                p = end;
            }
            if (logGiven) return Refuse(problem, problemBytes, "/LOG= is given more than once.");
            if (end == value) return Refuse(problem, problemBytes, "/LOG= needs a file name.");
            if (!CopyValue(arguments->logPath, sizeof arguments->logPath, value, end))
                return Refuse(problem, problemBytes, "The file name after /LOG= is too long.");
            logGiven = true;
            continue;
        }

        while (*p != '\0' && !IsBlank(*p)) ++p;
        bool silent = IsSwitch(begin, p, "/S");
        bool passive = IsSwitch(begin, p, "/PASSIVE");
        if (!silent && !passive)
            return RefuseQuoting(problem, problemBytes, "Unknown command-line argument \"%.*s\".", begin, p);
        if (arguments->silent || arguments->passive)
            return Refuse(problem, problemBytes, "Give only one of /S and /PASSIVE, once.");
        arguments->silent = silent;
        arguments->passive = passive;
    }
}
