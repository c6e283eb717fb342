#include "description.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "codepage.h"
#include "product/product_data.h"

namespace {

using nlohmann::json;

// The system folder a "SYSTEM/" name resolves below may take up to MAX_PATH.
constexpr size_t kSystemFolderReserve = 260;
constexpr char kUninstallerName[] = "rtuninst.exe";

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
        if (!ToCodePage(utf8, codePage, use, out, why)) { why = std::string(key) + ": " + why; return false; }
        return true;
    }
    bool Flag(const char* key, int32_t& out) {
        const json& value = object.at(key);
        if (!value.is_number_integer() || (value.get<int64_t>() != 0 && value.get<int64_t>() != 1)) {
            why = std::string(key) + ": must be 0 or 1";
            return false;
        }
        out = static_cast<int32_t>(value.get<int64_t>());
        return true;
    }
};

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
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return false;
    std::ostringstream buffer;
    buffer << stream.rdbuf();
    out = buffer.str();
    return !stream.bad();
}

bool ParseIsoUtc(const std::string& text, int32_t& seconds) {
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
    if (value < INT32_MIN || value > INT32_MAX) return false;
    seconds = static_cast<int32_t>(value);
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
                                                   "version",   "publisher", "copyright", "icon"};
    for (auto& item : document.items())
        if (!kTopKeys.count(item.key())) { why = "unknown field \"" + item.key() + "\""; return fail(); }
    for (const char* key : {"config", "licence", "files"})
        if (!document.contains(key)) { why = std::string("missing field \"") + key + "\""; return fail(); }

    // The code page first: every text below is converted into it.
    out.codePage = kDefaultCodePage;
    if (document.contains("codePage")) {
        where = "codePage";
        const json& codePage = document["codePage"];
        if (!codePage.is_number_integer()) { why = "must be a number, like 1252"; return fail(); }
        int64_t number = codePage.get<int64_t>();
        if (number < 0 || number > 65535 || !IsAcceptedCodePage(static_cast<int>(number))) {
            why = std::to_string(number) + " is not one of the accepted ANSI code pages (" +
                  AcceptedCodePagesText() + ")";
            return fail();
        }
        out.codePage = static_cast<int>(number);
    }
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
        std::string converted;
        if (!ToCodePage(*field.second, out.codePage, TextUse::kText, converted, why)) return fail();
        if (field.second == &identity.publisher) out.publisher = converted;
    }
    if (document.contains("icon")) {
        where = "icon";
        if (!document["icon"].is_string()) { why = "must be a string (a file path)"; return fail(); }
        identity.iconPath = Resolve(base, document["icon"].get<std::string>());
        std::string bytes;
        if (!ReadWholeFile(identity.iconPath, bytes)) {
            why = "cannot read \"" + identity.iconPath + "\"";
            return fail();
        }
        std::string problem = IconProblem(bytes);
        if (!problem.empty()) { why = "\"" + identity.iconPath + "\" " + problem; return fail(); }
        identity.iconBytes = std::move(bytes);
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
    const json& megabytes = config["requiredMegabytes"];
    if (!megabytes.is_number_integer() || megabytes.get<int64_t>() < 0) {
        why = "requiredMegabytes: must be a whole number of megabytes";
        return fail();
    }
    if (megabytes.get<int64_t>() > kMaxRequiredMegabytes) {
        why = "requiredMegabytes: must be below 4096 (it is multiplied by 1048576 in 32 bits)";
        return fail();
    }
    out.requiredMegabytes = static_cast<uint32_t>(megabytes.get<int64_t>());
    if (out.productName.empty()) { why = "productName: must not be empty"; return fail(); }
    if (out.productName.size() > kMaxProductNameLength) {
        why = "productName: longer than 401 characters";
        return fail();
    }
    if (out.folderName.empty()) { why = "folderName: must not be empty"; return fail(); }
    if (out.iniFileName.empty()) { why = "iniFileName: must not be empty"; return fail(); }
    if (out.mainExecutable.empty()) { why = "mainExecutable: must not be empty"; return fail(); }

    // Licence.
    where = "licence";
    if (!document["licence"].is_string()) { why = "must be a string (a file path)"; return fail(); }
    out.licencePath = Resolve(base, document["licence"].get<std::string>());
    std::string licence;
    if (!ReadWholeFile(out.licencePath, licence)) {
        why = "cannot read \"" + out.licencePath + "\"";
        return fail();
    }
    if (options.checkSources) {
        if (licence.find('\0') != std::string::npos) {
            why = "\"" + out.licencePath + "\" contains a NUL byte";
            return fail();
        }
        if (!ToCodePage(licence, out.codePage, TextUse::kText, out.licenceText, why)) {
            why = "\"" + out.licencePath + "\" " + why;
            return fail();
        }
    }

    // Payload list.
    const json& files = document["files"];
    where = "files";
    if (!files.is_array()) { why = "must be an array"; return fail(); }
    if (files.empty()) { why = "the payload has no files"; return fail(); }
    std::set<std::string> names;
    for (size_t i = 0; i < files.size(); ++i) {
        const json& entry = files[i];
        where = "files[" + std::to_string(i) + "]";
        if (!entry.is_object()) { why = "must be an object"; return fail(); }
        for (auto& item : entry.items())
            if (item.key() != "name" && item.key() != "source" && item.key() != "time") {
                why = "unknown field \"" + item.key() + "\"";
                return fail();
            }
        PayloadEntry file;
        std::string source, time, name;
        FieldReader fields{entry, out.codePage, why};
        for (const char* key : {"name", "source", "time"})
            if (!entry.contains(key)) { why = std::string("missing field \"") + key + "\""; return fail(); }
        if (!fields.Utf8("name", name) || !fields.Utf8("source", source) || !fields.Utf8("time", time))
            return fail();
        where += " \"" + name + "\"";
        if (!fields.Text("name", file.storedName, kPath)) return fail();
        std::string problem = StoredNameProblem(file.storedName);
        if (!problem.empty()) { why = problem; return fail(); }
        if (!names.insert(file.storedName).second) { why = "the stored name appears twice"; return fail(); }
        if (!ParseIsoUtc(time, file.storedTime)) {
            why = "time \"" + time + "\" is not an ISO-8601 UTC time like 2004-09-09T14:15:38Z";
            return fail();
        }
        if (options.checkSources) {
            std::string substituted;
            if (!Substitute(source, options.defines, substituted, why)) return fail();
            file.sourcePath = Resolve(base, substituted);
            if (!std::ifstream(file.sourcePath, std::ios::binary)) {
                why = "cannot read source file \"" + file.sourcePath + "\"";
                return fail();
            }
        }
        out.files.push_back(file);
    }

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
            if (!std::ifstream(uninstaller.sourcePath, std::ios::binary)) {
                why = "cannot read the build's uninstaller \"" + uninstaller.sourcePath + "\"";
                return fail();
            }
        }
        names.insert(kUninstallerName);
        out.files.push_back(uninstaller);
    }

    where = "config";
    struct Required { const char* field; std::string name; };
    for (const Required& required : {Required{"mainExecutable", out.mainExecutable},
                                     Required{"serviceExecutable", out.serviceExecutable},
                                     Required{"uninstaller", kUninstallerName}}) {
        if (required.name.empty()) continue;
        if (!names.count(required.name)) {
            why = std::string(required.field) + ": \"" + required.name + "\" is not among the stored names";
            return fail();
        }
    }
    return true;
}
