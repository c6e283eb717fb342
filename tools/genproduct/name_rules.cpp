#include "name_rules.h"

#include <cstdio>
#include <map>

#include "codepage.h"
#include "description.h"
#include "common/paths.h"

namespace {

// Windows opens these as devices, with or without an extension.
const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};

bool IsSeparatorByte(char c) { return c == '/' || c == '\\'; }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The bytes of the character at `at` (two for a lead byte of the code page).
size_t CharacterLength(const std::string& text, size_t at, int codePage) {
    return (IsLeadByteOf(static_cast<unsigned>(codePage), text[at]) && at + 1 < text.size()) ? 2 : 1;
}

size_t CharacterCount(const std::string& text, int codePage) {
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at += CharacterLength(text, at, codePage)) ++count;
    return count;
}

// Upper-cased ASCII letters, double-byte characters as they are, every "/"
// made "\": the form in which Windows compares names.
std::string Folded(const std::string& name, int codePage) {
    std::string folded;
    for (size_t at = 0; at < name.size();) {
        size_t length = CharacterLength(name, at, codePage);
        if (length == 2) {
            folded.append(name, at, 2);
        } else {
            folded += name[at] == '/' ? '\\' : UpperAscii(name[at]);
        }
        at += length;
    }
    return folded;
}

bool IsDeviceName(const std::string& component, int codePage) {
    // The device is the part before the first dot, trailing blanks dropped:
    // "aux.txt" and "COM1 .log" are devices too.
    std::string base = Folded(component.substr(0, component.find('.')), codePage);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : kDeviceNames)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
           base[3] <= '9';
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ByteName(char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned char>(c));
    return text;
}

bool IsMarkedSystemName(const std::string& name) {
    return name.compare(0, 7, "SYSTEM/") == 0 || name.compare(0, 7, "SYSTEM\\") == 0;
}

}  // namespace

std::string SeparatorSignProblem(const std::string& utf8, int codePage) {
    if (codePage != 932 && codePage != 949) return "";
    std::vector<uint32_t> codePoints;
    size_t badOffset = 0;
    if (!DecodeUtf8(utf8, codePoints, badOffset)) return "";  // the conversion names that
    for (uint32_t codePoint : codePoints) {
        if (codePoint == 0xA5 || codePoint == 0x20A9)
            return "the character " + DescribeCharacter(codePoint) + " is written as 0x5C, the separator \"\\\", in "
                   "code page " + std::to_string(codePage) + ", so it would split the name";
    }
    return "";
}

std::string SingleNameProblem(const std::string& name, int codePage) {
    if (name.empty()) return "has an empty name or component";
    if (name == "." || name == "..") return "has the component " + Quoted(name) + ", which names a folder itself";
    for (size_t at = 0; at < name.size(); at += CharacterLength(name, at, codePage)) {
        if (CharacterLength(name, at, codePage) == 2) continue;
        char c = name[at];
        if (IsSeparatorByte(c)) return "contains a separator (\"/\" or \"\\\"), which this name may not";
        if (c == ':') return "contains \":\", which Windows takes for a drive or a hidden stream of a file";
        if (static_cast<unsigned char>(c) < 32) return "contains the control character " + ByteName(c);
        if (std::string("<>\"|?*").find(c) != std::string::npos)
            return "contains " + Quoted(std::string(1, c)) + ", which Windows does not allow in names";
    }
    if (IsDeviceName(name, codePage))
        return Quoted(name) + " is the name of a Windows device (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$)";
    if (CharacterCount(name, codePage) > kMaxComponentLength)
        return "has a component longer than " + std::to_string(kMaxComponentLength) + " characters";
    // No second byte of a double-byte character is a dot or a blank.
    char last = name.back();
    if (last == '.' || last == ' ')
        return Quoted(name) + " ends in a " + (last == '.' ? "dot" : "blank") +
               ", which Windows drops, so another file would be written";
    return "";
}

std::string StoredNameRuleProblem(const std::string& name, int codePage) {
    std::string rest = IsMarkedSystemName(name) ? name.substr(7) : name;
    size_t length = CharacterCount(rest, codePage);
    if (length > kMaxStoredNameLength)
        return "is " + std::to_string(length) + " characters long; stored names may have at most " +
               std::to_string(kMaxStoredNameLength) + " so that they fit under a data folder of up to " +
               std::to_string(259 - 1 - kMaxStoredNameLength) + " characters";
    size_t start = 0;
    for (size_t at = 0;; at += CharacterLength(rest, at, codePage)) {
        if (at < rest.size() && !IsSeparatorByte(rest[at])) continue;
        std::string problem = SingleNameProblem(rest.substr(start, at - start), codePage);
        if (!problem.empty()) return problem;
        if (at >= rest.size()) return "";
        start = at + 1;
    }
}

std::string ConfigNameProblem(const ProductDescription& description) {
    struct Name {
        const char* field;
        const std::string& value;
        bool path;
    };
    const Name names[] = {
        {"folderName", description.folderName, false},         {"productName", description.productName, false},
        {"iniFileName", description.iniFileName, false},       {"startupLinkName", description.startupLinkName, false},
        {"mainExecutable", description.mainExecutable, true}, {"serviceExecutable", description.serviceExecutable, true},
    };
    for (const Name& name : names) {
        if (name.value.empty()) continue;  // the required ones are checked as such
        std::string problem = name.path ? StoredNameRuleProblem(name.value, description.codePage)
                                        : SingleNameProblem(name.value, description.codePage);
        if (!problem.empty()) return std::string(name.field) + ": " + problem;
    }
    return "";
}

std::string NameCollisionProblem(const std::vector<std::string>& names, int codePage, size_t& first,
                                 size_t& second) {
    struct Seen {
        std::string spelling;
        bool folder;
        size_t index;
    };
    // Keyed by the folded name; files of the system folder live apart.
    std::map<std::string, Seen> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        bool system = IsMarkedSystemName(names[i]);
        std::string spelling = system ? names[i].substr(7) : names[i];
        std::string place = system ? "\x01" : "";
        // The file itself, then each folder it implies, shortest last.
        for (bool folder = false;; folder = true) {
            std::string key = place + Folded(spelling, codePage);
            auto found = seen.find(key);
            if (found == seen.end()) {
                seen[key] = Seen{spelling, folder, i};
            } else if (found->second.spelling != spelling || found->second.folder != folder) {
                first = found->second.index;
                second = i;
                const char* kind = (found->second.folder || folder) ? "folder" : "file";
                std::string same = found->second.folder != folder
                                       ? std::string("path, as a file and as a folder")
                                       : std::string(kind) + " on Windows, which ignores letter case";
                return "\"" + spelling + "\" and \"" + found->second.spelling + "\" name the same " + same;
            } else if (folder) {
                break;  // this folder and those above it are known already
            }
            size_t separator = std::string::npos;
            for (size_t at = 0; at < spelling.size(); at += CharacterLength(spelling, at, codePage))
                if (IsSeparatorByte(spelling[at])) separator = at;
            if (separator == std::string::npos) break;
            spelling.erase(separator);
        }
    }
    return "";
}
