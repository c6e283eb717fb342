#include "description.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "codepage.h"
#include "name_rules.h"
#include "product/product_data.h"
#include "regular_file.h"

namespace {

using nlohmann::json;

// The system folder a "SYSTEM/" name resolves below may take up to MAX_PATH.
constexpr size_t kSystemFolderReserve = 260;
constexpr char kUninstallerName[] = "rtuninst.exe";
// The companion installer that installCompanion runs from the data folder.
constexpr char kCompanionInstallerName[] = "nsvcrun.exe";

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Resolve(const std::string& base, const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return base + "/" + path;
}

bool Substitute(const std::string& text, const std::map<std::string, std::string>& defines,
                std::string& out, std::string& why) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "${") == 0) {
            size_t end = text.find('}', i);
            if (end == std::string::npos) { why = "unterminated ${ in \"" + text + "\""; return false; }
            std::string name = text.substr(i + 2, end - i - 2);
            auto found = defines.find(name);
            if (found == defines.end()) { why = "${" + name + "} is not defined"; return false; }
            out += found->second;
            i = end + 1;
        } else {
            out += text[i++];
        }
    }
    return true;
}

bool IsMarkedSystemName(const std::string& name) {
    return name.compare(0, 7, "SYSTEM/") == 0 || name.compare(0, 7, "SYSTEM\\") == 0;
}

// Why a stored name is unusable, or "" when it is fine.
std::string StoredNameProblem(const std::string& name) {
    if (name.empty()) return "the stored name is empty";
    if (name[0] == '/' || name[0] == '\\') return "the stored name begins with a separator";
    if (name.size() >= 2 && name[1] == ':') return "the stored name has a drive letter";
    if (name.find('\0') != std::string::npos) return "the stored name contains a NUL byte";
    std::string component;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (component == "..") return "the stored name has a \"..\" component";
            component.clear();
        } else {
            component += name[i];
        }
    }
    size_t limit = IsMarkedSystemName(name) ? kPathBufferBytes - kSystemFolderReserve - 1 + 7
                                            : kPathBufferBytes - 1;
    if (name.size() > limit) return "the stored name would not fit the 1024-byte path buffer";
    return "";
}

// A JSON number with no fraction, as JSON Schema's "integer" takes it: 1 and
// 1.0 alike, so that what the schema accepts the generator accepts too.
bool WholeNumber(const json& value, int64_t& out) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) return false;
        out = value.get<int64_t>();
        return true;
    }
    if (!value.is_number_float()) return false;
    double number = value.get<double>();
    if (!(number >= -9.0e15 && number <= 9.0e15) || number != static_cast<double>(static_cast<int64_t>(number)))
        return false;
    out = static_cast<int64_t>(number);
    return true;
}

struct FieldReader {
    const json& object;
    int codePage;
    std::string& why;

    // A text field as the description writes it (UTF-8).
    bool Utf8(const char* key, std::string& out) {
        const json& value = object.at(key);
        if (!value.is_string()) { why = std::string(key) + ": must be a string"; return false; }
        out = value.get<std::string>();
        if (out.find('\0') != std::string::npos) { why = std::string(key) + ": contains a NUL byte"; return false; }
        return true;
    }
    // A text field converted into the installer's code page.
    bool Text(const char* key, std::string& out, TextUse use = TextUse::kText) {
        std::string utf8;
        if (!Utf8(key, utf8)) return false;
        if (use == TextUse::kPath) why = SeparatorSignProblem(utf8, codePage);
        if (!why.empty() || !ToCodePage(utf8, codePage, use, out, why)) {
            why = std::string(key) + ": " + why;
            return false;
        }
        return true;
    }
    bool Flag(const char* key, int32_t& out) {
        int64_t number = 0;
        if (!WholeNumber(object.at(key), number) || (number != 0 && number != 1)) {
            why = std::string(key) + ": must be 0 or 1";
            return false;
        }
        out = static_cast<int32_t>(number);
        return true;
    }
};

// A stored name as Windows compares names: case-insensitive (each character
// upper-cased as Unicode does it), '/' and '\\' alike.
std::u32string WindowsNameKey(const std::string& utf8) {
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::vector<uint32_t> codePoints;
    size_t bad = 0;
    std::u32string key;
    if (!DecodeUtf8(utf8, codePoints, bad)) return key;
    for (uint32_t c : codePoints) {
        if (c == '\\') c = '/';
        else if (unicode) c = static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), unicode));
        else if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        key += static_cast<char32_t>(c);
    }
    return key;
}

std::string TimeText(int64_t seconds) {
    time_t value = static_cast<time_t>(seconds);
    std::tm parts{};
    char text[32] = "?";
    if (gmtime_r(&value, &parts)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// Every regular file below `folder`, as paths relative to it with '/' between
// components. A symbolic link (never followed out of the folder
// the description names) or anything else that is neither a file nor a folder
// is refused, named with its path.
bool ListFolder(const std::string& folder, const std::string& relative, std::vector<std::string>& files,
                std::string& why) {
    std::string path = relative.empty() ? folder : folder + "/" + relative;
    DIR* directory = opendir(path.c_str());
    if (!directory) {
        why = "cannot read the folder \"" + path + "\" (" + std::strerror(errno) + ")";
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string below = relative.empty() ? name : relative + "/" + name;
        struct stat status;
        if (lstat((folder + "/" + below).c_str(), &status) != 0) {
            why = "cannot read \"" + folder + "/" + below + "\" (" + std::strerror(errno) + ")";
            return false;
        }
        if (S_ISDIR(status.st_mode)) {
            if (!ListFolder(folder, below, files, why)) return false;
        } else if (S_ISREG(status.st_mode)) {
            files.push_back(below);
        } else {
            why = "\"" + folder + "/" + below + "\" is " + FileKindName(status.st_mode) +
                  (S_ISLNK(status.st_mode) ? "; links below a folder are not followed: copy the file there or list it "
                                             "as an entry of its own"
                                           : ", not a regular file");
            return false;
        }
    }
    return true;
}

// The entries of `files`: each adds its own file, or every regular file
// below the folder it names, after the stored names and times are checked.
struct PayloadBuilder {
    const LoadOptions& options;
    const std::string& base;
    ProductDescription& out;
    std::string& where;
    std::string& why;
    std::set<std::string> names;  // stored names in the code page, as the table holds them
    size_t entryIndex = 0;        // of the entry being added

    bool AddEntry(const json& entry, size_t index) {
        entryIndex = index;
        where = "files[" + std::to_string(index) + "]";
        if (!entry.is_object()) { why = "must be an object"; return false; }
        for (auto& item : entry.items())
            if (item.key() != "name" && item.key() != "source" && item.key() != "time") {
                why = "unknown field \"" + item.key() + "\"";
                return false;
            }
        for (const char* key : {"name", "source"})
            if (!entry.contains(key)) { why = std::string("missing field \"") + key + "\""; return false; }
        FieldReader fields{entry, out.codePage, why};
        std::string name, source, time;
        if (!fields.Utf8("name", name) || !fields.Utf8("source", source)) return false;
        if (entry.contains("time") && !fields.Utf8("time", time)) return false;
        if (source.empty()) { why = "source: must not be empty"; return false; }
        const std::string entryWhere = where + " \"" + name + "\"";
        where = entryWhere;

        // A time given applies to every file of the entry; without one each
        // file keeps its own modification time.
        bool fixedTime = entry.contains("time");
        int64_t seconds = 0;
        if (fixedTime) {
            if (!ParseIsoUtcSeconds(time, seconds)) {
                why = "time \"" + time + "\" is not an ISO-8601 UTC time like 2004-09-09T14:15:38Z";
                return false;
            }
            if (!TimeFits(seconds, "time")) return false;
        }

        // Without the build's definitions (the file list alone is wanted) a
        // source naming one of them stands for one file.
        std::string substituted;
        bool resolved = Substitute(source, options.defines, substituted, why);
        if (!resolved && options.checkSources) return false;
        std::string sourcePath = resolved ? Resolve(base, substituted) : std::string();
        struct stat status;
        bool found = resolved && stat(sourcePath.c_str(), &status) == 0;
        if (found && S_ISDIR(status.st_mode)) {
            if (source.find("${") != std::string::npos) {
                why = "source \"" + source + "\" is a folder given through ${...}; the uninstaller's file list is "
                      "made without the build's definitions, so name the folder itself";
                return false;
            }
            return AddFolder(name, sourcePath, fixedTime, seconds);
        }
        if (options.checkSources) {
            if (!found) {
                why = "cannot read source file \"" + sourcePath + "\" (" + std::strerror(errno) + ")";
                return false;
            }
            if (!S_ISREG(status.st_mode)) {
                why = "source file \"" + sourcePath + "\" is " + FileKindName(status.st_mode) +
                      ", not a regular file";
                return false;
            }
        }
        if (!fixedTime && found) {
            seconds = status.st_mtime;
            if (!TimeFits(seconds, "the modification time of \"" + sourcePath + "\"")) return false;
        }
        return AddFile(name, sourcePath, seconds);
    }

    // Every regular file below `folder`, in name order, under `prefix`.
    bool AddFolder(std::string prefix, const std::string& folder, bool fixedTime, int64_t seconds) {
        while (!prefix.empty() && (prefix.back() == '/' || prefix.back() == '\\')) prefix.pop_back();
        std::vector<std::string> below;
        if (!ListFolder(folder, "", below, why)) return false;
        // Name order of the whole path below the folder ("a.txt" before "a/x").
        std::sort(below.begin(), below.end());
        if (below.empty()) {
            why = "the folder \"" + folder + "\" holds no files";
            return false;
        }
        out.sourceFolders.push_back(folder);
        const std::string entryWhere = where.substr(0, where.find(' '));
        for (const std::string& relative : below) {
            std::string stored = prefix.empty() ? relative : prefix + "/" + relative;
            std::string path = folder + "/" + relative;
            where = entryWhere + " \"" + stored + "\"";
            if (!fixedTime) {
                struct stat status;
                if (lstat(path.c_str(), &status) != 0) {
                    why = "cannot read \"" + path + "\" (" + std::strerror(errno) + ")";
                    return false;
                }
                seconds = status.st_mtime;
                if (!TimeFits(seconds, "the modification time of \"" + path + "\"")) return false;
            }
            if (!AddFile(stored, path, seconds)) return false;
        }
        return true;
    }

    bool AddFile(const std::string& storedUtf8, const std::string& sourcePath, int64_t seconds) {
        PayloadEntry file;
        file.storedNameUtf8 = storedUtf8;
        file.sourcePath = sourcePath;
        file.storedTime = static_cast<int32_t>(seconds);
        file.entryIndex = entryIndex;
        if (!ToCodePage(storedUtf8, out.codePage, TextUse::kPath, file.storedName, why)) {
            why = "name: " + why;
            return false;
        }
        std::string problem = StoredNameProblem(file.storedName);
        if (problem.empty()) problem = StoredNameRuleProblem(file.storedName, out.codePage);
        if (!problem.empty()) { why = "name: " + problem; return false; }
        if (!names.insert(file.storedName).second) { why = "the stored name appears twice"; return false; }
        out.files.push_back(file);
        return true;
    }

    // The installer sets each file's time from 32 signed bits of seconds,
    // through the run-time library's local time.
    bool TimeFits(int64_t seconds, const std::string& what) {
        if (seconds >= kEarliestStoredTime && seconds <= kLatestStoredTime) return true;
        why = what + " " + TimeText(seconds) + " is outside the times an installer can store (" +
              kStoredTimeRangeText + ")";
        return false;
    }
};

// The config fields that name stored files, and the question that must have
// a text, checked once the payload is known. Names are compared as Windows
// compares them.
bool CheckConfigAgainstPayload(const json& config, const ProductDescription& out, std::string& why) {
    std::set<std::u32string> stored;
    for (const PayloadEntry& file : out.files) stored.insert(WindowsNameKey(file.storedNameUtf8));
    struct Required {
        const char* field;
        std::string name;
    };
    std::vector<Required> required = {{"mainExecutable", config["mainExecutable"].get<std::string>()},
                                      {"serviceExecutable", config["serviceExecutable"].get<std::string>()},
                                      {"uninstaller", kUninstallerName}};
    for (const Required& file : required) {
        if (file.name.empty() || stored.count(WindowsNameKey(file.name))) continue;
        why = std::string(file.field) + ": \"" + file.name + "\" is not among the stored names";
        return false;
    }
    if (out.installCompanion && !stored.count(WindowsNameKey(kCompanionInstallerName))) {
        why = std::string("installCompanion: 1 runs \"") + kCompanionInstallerName +
              "\" from the data folder after installation, but it is not among the stored names";
        return false;
    }
    // Asked when no service takes the startup entry's place.
    bool questionAsked = out.addToStartup && out.serviceExecutable.empty();
    if (questionAsked && out.startupQuestion.find_first_not_of(" \t\r\n") == std::string::npos) {
        why = "startupQuestion: is empty, but with addToStartup 1 and no serviceExecutable the installer asks it "
              "under \"Add To Startup Group\"; write the question, or set addToStartup to 0";
        return false;
    }
    return true;
}

// Where and why the JSON at `path` does not parse, e.g. "parse error at
// line 3, column 5: syntax error while parsing object key ...".
std::string JsonSyntaxError(const std::string& path) {
    struct Listener : nlohmann::json_sax<json> {
        std::string message = "unreadable";
        bool null() override { return true; }
        bool boolean(bool) override { return true; }
        bool number_integer(number_integer_t) override { return true; }
        bool number_unsigned(number_unsigned_t) override { return true; }
        bool number_float(number_float_t, const string_t&) override { return true; }
        bool string(string_t&) override { return true; }
        bool binary(binary_t&) override { return true; }
        bool start_object(std::size_t) override { return true; }
        bool key(string_t&) override { return true; }
        bool end_object() override { return true; }
        bool start_array(std::size_t) override { return true; }
        bool end_array() override { return true; }
        bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& problem) override {
            message = problem.what();
            size_t tag = message.find("] ");
            if (message[0] == '[' && tag != std::string::npos) message.erase(0, tag + 2);
            return false;
        }
    } listener;
    std::ifstream stream(path, std::ios::binary);
    json::sax_parse(stream, &listener);
    return listener.message;
}

// A usable .ico file: the directory header and every image it lists lie
// within the file.
std::string IconProblem(const std::string& bytes) {
    auto word = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                     static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    if (bytes.size() < 6 || word(0) != 0 || word(2) != 1) return "is not an icon file (.ico)";
    uint32_t count = word(4);
    if (count == 0) return "holds no image";
    if (bytes.size() < 6 + 16 * static_cast<size_t>(count)) return "is cut short";
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * static_cast<size_t>(i);
        uint64_t size = word(entry + 8) | static_cast<uint64_t>(word(entry + 10)) << 16;
        uint64_t offset = word(entry + 12) | static_cast<uint64_t>(word(entry + 14)) << 16;
        if (size == 0 || offset + size > bytes.size()) return "is cut short";
    }
    return "";
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::string why;
    return ReadRegularFile(path, "", out, why);
}

std::string WithCrCrLfLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\n') {
            out += "\r\r\n";
            ++i;
        } else if (text[i] == '\r') {
            size_t run = text.find_first_not_of('\r', i);
            if (run != std::string::npos && text[run] == '\n') {
                // CR LF, CR CR LF, ...: one line end.
                out += "\r\r\n";
                i = run + 1;
            } else {
                // Carriage returns alone end a line each.
                size_t end = run == std::string::npos ? text.size() : run;
                for (; i < end; ++i) out += "\r\r\n";
            }
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool ParseIsoUtc(const std::string& text, int32_t& seconds) {
    int64_t value = 0;
    if (!ParseIsoUtcSeconds(text, value) || value < INT32_MIN || value > INT32_MAX) return false;
    seconds = static_cast<int32_t>(value);
    return true;
}

bool ParseIsoUtcSeconds(const std::string& text, int64_t& seconds) {
    int year, month, day, hour, minute, second;
    char zone = 0, tail = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%c", &year, &month, &day, &hour, &minute,
                    &second, &zone, &tail) != 7 ||
        zone != 'Z')
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
        hour < 0 || minute < 0 || second < 0)
        return false;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    int64_t value = static_cast<int64_t>(timegm(&parts));
    if (parts.tm_mday != day) return false;  // 31 April and the like rolled over
    seconds = value;
    return true;
}

bool ParseVersion(const std::string& text, uint16_t version[4]) {
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
        size_t begin = at;
        uint32_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - begin < 6)
            value = value * 10 + static_cast<uint32_t>(text[at++] - '0');
        if (at == begin || value > 65535) return false;
        version[part] = static_cast<uint16_t>(value);
    }
    return at == text.size();
}

bool LoadProductDescription(const std::string& path, const std::map<std::string, std::string>& defines,
                            bool checkSources, ProductDescription& out, std::string& error) {
    LoadOptions options;
    options.defines = defines;
    options.checkSources = checkSources;
    return LoadProductDescription(path, options, out, error);
}

bool LoadProductDescription(const std::string& path, const LoadOptions& options, ProductDescription& out,
                            std::string& error) {
    std::string why, where = "description";
    auto fail = [&]() {
        error = path + ": " + where + ": " + why;
        return false;
    };
    out = ProductDescription{};

    std::ifstream stream(path, std::ios::binary);
    if (!stream) { why = "cannot be read"; return fail(); }
    json document = json::parse(stream, nullptr, false);
    if (document.is_discarded()) { why = "is not valid JSON (" + JsonSyntaxError(path) + ")"; return fail(); }
    if (!document.is_object()) { why = "must be a JSON object"; return fail(); }

    static const std::set<std::string> kTopKeys = {"config",    "licence", "files", "codePage",
                                                   "version",   "publisher", "copyright", "icon",
                                                   "$schema", "unattended"};
    for (auto& item : document.items())
        if (!kTopKeys.count(item.key())) { why = "unknown field \"" + item.key() + "\""; return fail(); }
    // "$schema" is for editors that check a description as it is typed.
    if (document.contains("$schema") && !document["$schema"].is_string()) {
        where = "$schema";
        why = "must be a string (the schema's path or address)";
        return fail();
    }
    for (const char* key : {"config", "licence", "files"})
        if (!document.contains(key)) { why = std::string("missing field \"") + key + "\""; return fail(); }

    // The code page first: every text below is converted into it.
    out.codePage = kDefaultCodePage;
    if (document.contains("codePage")) {
        where = "codePage";
        int64_t number = 0;
        if (!WholeNumber(document["codePage"], number)) { why = "must be a number, like 1252"; return fail(); }
        if (number < 0 || number > 65535 || !IsAcceptedCodePage(static_cast<int>(number))) {
            why = std::to_string(number) + " is not one of the accepted ANSI code pages (" +
                  AcceptedCodePagesText() + ")";
            return fail();
        }
        out.codePage = static_cast<int>(number);
    }
    out.titleCharSet = FontCharSetOf(out.codePage);
    const std::string base = FolderOf(path);

    // Identity.
    ProductIdentity& identity = out.identity;
    if (document.contains("version")) {
        where = "version";
        const json& version = document["version"];
        if (!version.is_string() || !ParseVersion(version.get<std::string>(), identity.version)) {
            why = (version.is_string() ? "\"" + version.get<std::string>() + "\"" : version.dump()) +
                  " is not four numbers from 0 to 65535 separated by dots, like \"1.0.0.0\"";
            return fail();
        }
        for (int i = 0; i < 4; ++i) identity.versionText += (i ? "." : "") + std::to_string(identity.version[i]);
        out.displayVersion = identity.versionText;
    }
    for (auto field : {std::make_pair("publisher", &identity.publisher),
                       std::make_pair("copyright", &identity.copyright)}) {
        if (!document.contains(field.first)) continue;
        where = field.first;
        const json& value = document[field.first];
        if (!value.is_string()) { why = "must be a string"; return fail(); }
        *field.second = value.get<std::string>();
        if (field.second->empty()) { why = "must not be empty"; return fail(); }
        if (field.second->find('\0') != std::string::npos) { why = "contains a NUL byte"; return fail(); }
        // The copyright goes only into the version resource, which holds
        // Unicode; the publisher is also the uninstall entry's "Publisher",
        // an installer text in the code page.
        if (field.second == &identity.publisher &&
            !ToCodePage(*field.second, out.codePage, TextUse::kText, out.publisher, why))
            return fail();
    }
    if (document.contains("icon")) {
        where = "icon";
        if (!document["icon"].is_string()) { why = "must be a string (a file path)"; return fail(); }
        identity.iconPath = Resolve(base, document["icon"].get<std::string>());
        std::string bytes;
        if (!ReadRegularFile(identity.iconPath, "", bytes, why)) return fail();
        std::string problem = IconProblem(bytes);
        if (!problem.empty()) { why = "\"" + identity.iconPath + "\" " + problem; return fail(); }
        identity.iconBytes = std::move(bytes);
    }

    if (document.contains("unattended")) {
        where = "unattended";
        if (!document["unattended"].is_boolean()) { why = "must be true or false"; return fail(); }
        out.unattended = document["unattended"].get<bool>() ? 1 : 0;
    }

    // Configuration record.
    where = "config";
    const json& config = document["config"];
    if (!config.is_object()) { why = "must be an object"; return fail(); }
    static const std::set<std::string> kConfigKeys = {
        "folderName", "productName", "iniFileName", "addToStartup", "startupQuestion",
        "mainExecutable", "startupArguments", "warnOlderVersion", "installCompanion",
        "serviceExecutable", "requiredMegabytes", "serviceName", "startupLinkName"};
    for (auto& item : config.items())
        if (!kConfigKeys.count(item.key())) { why = "unknown field \"" + item.key() + "\""; return fail(); }
    for (const std::string& key : kConfigKeys)
        if (!config.contains(key)) { why = "missing field \"" + key + "\""; return fail(); }

    // Names that become paths, links or the uninstall key are checked for
    // separator bytes too.
    const TextUse kPath = TextUse::kPath;
    FieldReader read{config, out.codePage, why};
    if (!read.Text("folderName", out.folderName, kPath) || !read.Text("productName", out.productName, kPath) ||
        !read.Utf8("productName", identity.productName) ||
        !read.Text("iniFileName", out.iniFileName, kPath) || !read.Flag("addToStartup", out.addToStartup) ||
        !read.Text("startupQuestion", out.startupQuestion) ||
        !read.Text("mainExecutable", out.mainExecutable, kPath) ||
        !read.Text("startupArguments", out.startupArguments) ||
        !read.Flag("warnOlderVersion", out.warnOlderVersion) ||
        !read.Flag("installCompanion", out.installCompanion) ||
        !read.Text("serviceExecutable", out.serviceExecutable, kPath) || !read.Text("serviceName", out.serviceName) ||
        !read.Text("startupLinkName", out.startupLinkName, kPath))
        return fail();
    int64_t megabytes = 0;
    if (!WholeNumber(config["requiredMegabytes"], megabytes) || megabytes < 0) {
        why = "requiredMegabytes: must be a whole number of megabytes";
        return fail();
    }
    if (megabytes > kMaxRequiredMegabytes) {
        why = "requiredMegabytes: must be below 4096 (it is multiplied by 1048576 in 32 bits)";
        return fail();
    }
    out.requiredMegabytes = static_cast<uint32_t>(megabytes);
    if (out.productName.empty()) { why = "productName: must not be empty"; return fail(); }
    if (out.productName.size() > kMaxProductNameLength) {
        why = "productName: longer than 401 characters";
        return fail();
    }
    if (out.folderName.empty()) { why = "folderName: must not be empty"; return fail(); }
    if (out.iniFileName.empty()) { why = "iniFileName: must not be empty"; return fail(); }
    if (out.mainExecutable.empty()) { why = "mainExecutable: must not be empty"; return fail(); }
    why = ConfigNameProblem(out);
    if (!why.empty()) return fail();

    // Licence.
    where = "licence";
    if (!document["licence"].is_string()) { why = "must be a string (a file path)"; return fail(); }
    out.licencePath = Resolve(base, document["licence"].get<std::string>());
    std::string licence;
    if (!ReadRegularFile(out.licencePath, "", licence, why)) return fail();
    if (options.checkSources) {
        if (licence.find('\0') != std::string::npos) {
            why = "\"" + out.licencePath + "\" contains a NUL byte";
            return fail();
        }
        if (!ToCodePage(WithCrCrLfLineEnds(licence), out.codePage, TextUse::kText, out.licenceText, why)) {
            why = "\"" + out.licencePath + "\" " + why;
            return fail();
        }
    }

    // Payload list.
    const json& files = document["files"];
    where = "files";
    if (!files.is_array()) { why = "must be an array"; return fail(); }
    if (files.empty()) { why = "the payload has no files"; return fail(); }
    PayloadBuilder payload{options, base, out, where, why};
    for (size_t i = 0; i < files.size(); ++i)
        if (!payload.AddEntry(files[i], i)) return fail();
    std::set<std::string>& names = payload.names;

    out.listsUninstaller = names.count(kUninstallerName) != 0;
    // The build's own uninstaller for a product that brings none. It takes
    // the newest stored time of the product's files, so that a build of the
    // same description writes the same installer.
    if (!names.count(kUninstallerName) && !options.uninstallerSource.empty()) {
        where = "files";
        PayloadEntry uninstaller;
        uninstaller.storedName = kUninstallerName;
        uninstaller.storedTime = out.files[0].storedTime;
        for (const PayloadEntry& file : out.files)
            if (file.storedTime > uninstaller.storedTime) uninstaller.storedTime = file.storedTime;
        if (options.checkSources) {
            uninstaller.sourcePath = options.uninstallerSource;
            int fd = OpenRegularFile(uninstaller.sourcePath, "the build's uninstaller", why);
            if (fd < 0) return fail();
            close(fd);
        }
        uninstaller.storedNameUtf8 = kUninstallerName;
        names.insert(kUninstallerName);
        out.files.push_back(uninstaller);
    }

    // Names Windows would take for one another, the build's uninstaller among them.
    std::vector<std::string> storedNames;
    for (const PayloadEntry& file : out.files) storedNames.push_back(file.storedName);
    size_t first = 0, second = 0;
    why = NameCollisionProblem(storedNames, out.codePage, first, second);
    if (!why.empty()) {
        // The build's uninstaller is not in the description: name the entry it collides with.
        size_t entry = second < files.size() ? second : first;
        where = "files[" + std::to_string(entry) + "] \"" + files[entry]["name"].get<std::string>() + "\"";
        why = "name: " + why;
        return fail();
    }

    where = "config";
    if (!CheckConfigAgainstPayload(config, out, why)) return fail();
    return true;
}
