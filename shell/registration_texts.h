// What the uninstall registration and the startup entry write and start:
// the key path, the value names and data, the start command, and the rule
// that decides whether a startup entry is made. No Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "product/product_data.h"

// The uninstall entry under HKEY_LOCAL_MACHINE, one key per product name.
constexpr char kUninstallKeyFormat[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
constexpr char kDisplayNameValue[] = "DisplayName";
constexpr char kUninstallStringValue[] = "UninstallString";
// Only for products made for unattended deployment: what deployment tools
// run to remove the product without a window.
constexpr char kQuietUninstallStringValue[] = "QuietUninstallString";
// What the list of installed programs shows beside the name.
constexpr char kDisplayIconValue[] = "DisplayIcon";
constexpr char kInstallLocationValue[] = "InstallLocation";
constexpr char kEstimatedSizeValue[] = "EstimatedSize";
constexpr char kNoModifyValue[] = "NoModify";
constexpr char kNoRepairValue[] = "NoRepair";
// Written only when the product description gives them.
constexpr char kDisplayVersionValue[] = "DisplayVersion";
constexpr char kPublisherValue[] = "Publisher";

// Only the debugger sees this: the registration reports nothing to the user.
constexpr char kKeyFailureDebugText[] = "Couldn't open the registry key.\r\n";

constexpr char kStartupQuestionTitle[] = "Add To Startup Group";

enum class StartupEntry {
    kNone,            // nothing is asked, linked or started
    kAsk,             // the user is asked first
    kWithoutAsking,   // linked and started at once
};

// On the NT family a configured service starts the product at log-on, so
// no startup entry is made; elsewhere the service executable cannot run as
// a service and the startup entry takes its place without asking.
StartupEntry DecideStartupEntry(int32_t addToStartup, const char* serviceExecutable, bool ntFamily);

// False (empty buffer) whenever the result would not fit `size`.
bool FormatUninstallKeyPath(char* buffer, size_t size, const char* productName);
// The uninstaller's path in double quotes, so that a path with blanks is
// not taken for a shorter program path followed by arguments.
bool FormatUninstallString(char* buffer, size_t size, const char* uninstallerPath);
// The quoted uninstaller path followed by its silent switch, " /S".
bool FormatQuietUninstallString(char* buffer, size_t size, const char* uninstallerPath);
// The quoted program path, a blank and the arguments (possibly empty).
bool FormatStartCommand(char* buffer, size_t size, const char* mainExecutablePath, const char* arguments);

// The payload's size in whole kilobytes, rounded up, as the list of
// installed programs expects it.
uint32_t EstimatedSizeKilobytes(uint32_t totalBytes);

// The startup link's name: startupLinkName, or the product name when empty.
const char* StartupLinkName(const ProductConfigRecord& config);
// The startup link's arguments, or null when there are none.
const char* StartupLinkArguments(const ProductConfigRecord& config);
