// The product description: what a person edits to make an installer for a
// product. Parsed from JSON and validated before anything is written.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PayloadEntry {
    std::string storedName;   // the name in the table, e.g. "vrl32.exe" or "SYSTEM/x.dll"
    std::string storedNameUtf8;  // the same as the description writes it
    std::string sourcePath;   // where the generator reads the bytes, resolved
    int32_t storedTime = 0;   // seconds since 1970-01-01 UTC
    // The `files` entry it comes from (a folder entry gives several files);
    // kBuildsOwn for the uninstaller the build adds.
    static constexpr size_t kBuildsOwn = static_cast<size_t>(-1);
    size_t entryIndex = kBuildsOwn;
};

// Who made the product and which release it is: the installer's and the
// uninstaller's version resource, manifest identity and icon, and two more
// values of the uninstall entry. Every field is optional.
struct ProductIdentity {
    uint16_t version[4] = {1, 0, 0, 0};  // 1.0.0.0 when none is given
    std::string versionText;             // "1.2.3.4", or "" when none is given
    // As the description writes them (UTF-8), for the version resource and
    // the manifest, which hold Unicode.
    std::string productName, publisher, copyright;
    std::string iconPath;  // resolved; "" when the description names none
    std::string iconBytes;  // that file, read and checked while loading
};

struct ProductDescription {
    // The thirteen configuration fields, in record order. Like every text
    // below that goes into the installer, they are in the code page.
    std::string folderName, productName, iniFileName;
    int32_t addToStartup = 0;
    std::string startupQuestion, mainExecutable, startupArguments;
    int32_t warnOlderVersion = 0, installCompanion = 0;
    std::string serviceExecutable;
    uint32_t requiredMegabytes = 0;
    std::string serviceName, startupLinkName;

    // Additions to the record: the uninstall entry's "DisplayVersion" and
    // "Publisher" ("" when the description gives no version or publisher).
    std::string displayVersion, publisher;
    // Optional top-level "unattended": true for a product made for
    // unattended deployment (command-line switches and exit codes).
    int32_t unattended = 0;

    int codePage = 1252;
    // Addition to the record: the character set of the title font, the one
    // that matches codePage (0, ANSI, for 1252).
    int32_t titleCharSet = 0;
    ProductIdentity identity;
    std::string licencePath;
    std::string licenceText;  // read only when the sources are checked
    std::vector<PayloadEntry> files;
    // The folders that `files` entries name as their source: a file added
    // to or removed from one changes the payload.
    std::vector<std::string> sourceFolders;
    // Whether the description's own files include the uninstaller (else the
    // build's is carried, when LoadOptions give one).
    bool listsUninstaller = false;
};

struct LoadOptions {
    std::map<std::string, std::string> defines;
    // With checkSources false the payload sources and the licence are not
    // read (the file list alone is wanted).
    bool checkSources = true;
    // Carried as "rtuninst.exe" when the description lists no file of that
    // name (the build's own uninstaller for the product). Empty: the
    // description must list one.
    std::string uninstallerSource;
};

// Reads and checks the description at `path`. `defines` replace ${NAME} in
// source paths (built programs live in the build tree). Relative source and
// licence paths are taken from the description's folder. With checkSources
// false the payload sources are not looked at (the file list alone is wanted).
// Texts are converted from UTF-8 into the declared code page (codePage,
// default 1252). On failure returns false and sets `error` to
// "FILE: WHERE: WHY".
bool LoadProductDescription(const std::string& path, const LoadOptions& options, ProductDescription& out,
                            std::string& error);
bool LoadProductDescription(const std::string& path, const std::map<std::string, std::string>& defines,
                            bool checkSources, ProductDescription& out, std::string& error);

// Parses "1.2.3.4": four numbers from 0 to 65535.
bool ParseVersion(const std::string& text, uint16_t version[4]);

// Parses "YYYY-MM-DDTHH:MM:SSZ" into seconds since 1970 (UTC); false if malformed.
bool ParseIsoUtcSeconds(const std::string& text, int64_t& seconds);
// The same, false also outside the signed 32-bit range.
bool ParseIsoUtc(const std::string& text, int32_t& seconds);

// The stored times an installer can set, inclusive: 32-bit seconds since 1970
// that the run-time library turns into a local time in every time zone, so a
// day inside either end of the signed 32-bit range.
constexpr int64_t kEarliestStoredTime = 86400;              // 1970-01-02T00:00:00Z
constexpr int64_t kLatestStoredTime = 2147385600;           // 2038-01-18T00:00:00Z
constexpr char kStoredTimeRangeText[] = "1970-01-02T00:00:00Z to 2038-01-18T00:00:00Z";

// Makes every line end of a licence CR CR LF, the form the licence box needs,
// whatever it was (LF, CR LF, CR, CR CR LF).
std::string WithCrCrLfLineEnds(const std::string& text);

// The whole file as bytes; false when it cannot be read or is not a regular
// file (a pipe or device is never waited on).
bool ReadWholeFile(const std::string& path, std::string& out);
