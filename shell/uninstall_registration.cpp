// Registers the uninstaller in the system's list of installed programs, then
// makes the optional startup entry.
#include "shell/uninstall_registration.h"

#include <windows.h>

#include <cstring>

#include "common/globals.h"
#include "common/run_log.h"
#include "common/scoped.h"
#include "product/product_data.h"
#include "shell/registration_texts.h"
#include "shell/startup_entry.h"

namespace {

// The run log (when there is one) gets every value and whether it was set.
void SetText(HKEY key, const char* name, const char* text) {
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(std::strlen(text) + 1));
    LogLine("Registry value %s = %s%s", name, text, result == ERROR_SUCCESS ? "" : " (failed)");
}

void SetNumber(HKEY key, const char* name, DWORD number) {
    LONG result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    LogLine("Registry value %s = %lu%s", name, static_cast<unsigned long>(number),
            result == ERROR_SUCCESS ? "" : " (failed)");
}

// An existing key from an earlier installation is reused: its values are
// overwritten and any others are left alone. Without the right to write the
// machine-wide key (no administrator) the product just stays off the list.
void WriteUninstallEntry(const char* uninstallerPath, const char* mainExecutablePath) {
    char keyPath[kPathBufferBytes];
    char uninstallString[kPathBufferBytes + 2];
    char quietUninstallString[kPathBufferBytes + 5];
    ScopedRegKey key;
    if (!FormatUninstallKeyPath(keyPath, sizeof keyPath, ProductConfig.productName) ||
        !FormatUninstallString(uninstallString, sizeof uninstallString, uninstallerPath) ||
        !FormatQuietUninstallString(quietUninstallString, sizeof quietUninstallString, uninstallerPath) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        OutputDebugStringA(kKeyFailureDebugText);
        LogLine("Registry key HKEY_LOCAL_MACHINE\\%s could not be opened", keyPath);
        return;
    }
    LogLine("Registry key HKEY_LOCAL_MACHINE\\%s", keyPath);
    SetText(key.Get(), kDisplayNameValue, ProductConfig.productName);
    SetText(key.Get(), kUninstallStringValue, uninstallString);
    if (ProductConfig.unattended) SetText(key.Get(), kQuietUninstallStringValue, quietUninstallString);
    SetText(key.Get(), kDisplayIconValue, mainExecutablePath);
    SetText(key.Get(), kInstallLocationValue, dataFolder);
    SetNumber(key.Get(), kEstimatedSizeValue, EstimatedSizeKilobytes(payloadTotalBytes));
    // The uninstaller only removes; there is nothing to modify or repair.
    SetNumber(key.Get(), kNoModifyValue, 1);
    SetNumber(key.Get(), kNoRepairValue, 1);
    if (ProductConfig.displayVersion[0]) SetText(key.Get(), kDisplayVersionValue, ProductConfig.displayVersion);
    if (ProductConfig.publisher[0]) SetText(key.Get(), kPublisherValue, ProductConfig.publisher);
}

}  // namespace

void RegisterUninstallAndStartup(const char* uninstallerPath, const char* mainExecutablePath) {
    WriteUninstallEntry(uninstallerPath, mainExecutablePath);
    MakeStartupEntry(mainExecutablePath);
}
