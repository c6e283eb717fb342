// The product description: what a person edits to make an installer for a
// product. Parsed from JSON and validated before anything is written.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PayloadEntry {
    std::string storedName;   // the name in the table, e.g. "vrl32.exe" or "SYSTEM/x.dll"
    std::string sourcePath;   // where the generator reads the bytes, resolved
    int32_t storedTime = 0;   // seconds since 1970-01-01 UTC
};

struct ProductDescription {
    // The thirteen configuration fields, in record order.
    std::string folderName, productName, iniFileName;
    int32_t addToStartup = 0;
    std::string startupQuestion, mainExecutable, startupArguments;
    int32_t warnOlderVersion = 0, installCompanion = 0;
    std::string serviceExecutable;
    uint32_t requiredMegabytes = 0;
    std::string serviceName, startupLinkName;

    std::string licencePath;
    std::vector<PayloadEntry> files;
};

// Reads and checks the description at `path`. `defines` replace ${NAME} in
// source paths (built programs live in the build tree). Relative source and
// licence paths are taken from the description's folder. With checkSources
// false the payload sources are not looked at (the file list alone is wanted).
// On failure returns false and sets `error` to "FILE: WHERE: WHY".
bool LoadProductDescription(const std::string& path, const std::map<std::string, std::string>& defines,
                            bool checkSources, ProductDescription& out, std::string& error);

// Parses "YYYY-MM-DDTHH:MM:SSZ" into seconds since 1970 (UTC); false if malformed
// or outside the signed 32-bit range.
bool ParseIsoUtc(const std::string& text, int32_t& seconds);
