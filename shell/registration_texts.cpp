#include "shell/registration_texts.h"

#include "common/bounded_format.h"

StartupEntry DecideStartupEntry(int32_t addToStartup, const char* serviceExecutable, bool ntFamily) {
    if (addToStartup == 0) return StartupEntry::kNone;
    bool serviceConfigured = serviceExecutable[0] != '\0';
    if (!serviceConfigured) return StartupEntry::kAsk;
    return ntFamily ? StartupEntry::kNone : StartupEntry::kWithoutAsking;
}

bool FormatUninstallKeyPath(char* buffer, size_t size, const char* productName) {
    return FormatBounded(buffer, size, kUninstallKeyFormat, productName);
}

bool FormatUninstallString(char* buffer, size_t size, const char* uninstallerPath) {
    return FormatBounded(buffer, size, "\"%s\"", uninstallerPath);
}

bool FormatQuietUninstallString(char* buffer, size_t size, const char* uninstallerPath) {
    return FormatBounded(buffer, size, "\"%s\" /S", uninstallerPath);
}

bool FormatStartCommand(char* buffer, size_t size, const char* mainExecutablePath, const char* arguments) {
    // No line feed after the arguments: the run-time library's argument
    // parser would hand it to the product as part of its last argument.
    return FormatBounded(buffer, size, "\"%s\" %s", mainExecutablePath, arguments);
}

uint32_t EstimatedSizeKilobytes(uint32_t totalBytes) {
    return totalBytes / 1024 + (totalBytes % 1024 != 0 ? 1 : 0);
}

const char* StartupLinkName(const ProductConfigRecord& config) {
    return config.startupLinkName[0] != '\0' ? config.startupLinkName : config.productName;
}

const char* StartupLinkArguments(const ProductConfigRecord& config) {
    return config.startupArguments[0] != '\0' ? config.startupArguments : nullptr;
}
