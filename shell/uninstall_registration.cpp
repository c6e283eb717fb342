// Registers the uninstaller in the system's list of installed programs, then
// makes the optional startup entry.
#include "shell/uninstall_registration.h"

#include <windows.h>

#include <cstring>

#include "product/product_data.h"
#include "setup/globals.h"
#include "shell/registration_texts.h"
#include "shell/shell_scoped.h"
#include "shell/startup_entry.h"

namespace {

void SetText(HKEY key, const char* name, const char* text) {
    (void)RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>(std::strlen(text) + 1));
}

void SetNumber(HKEY key, const char* name, DWORD number) {
    (void)RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// An existing key from an earlier installation is reused: its values are
// overwritten and any others are left alone. Without the right to write the
// machine-wide key (no administrator) the product just stays off the list.
void WriteUninstallEntry(const char* uninstallerPath, const char* mainExecutablePath) {
    char keyPath[kPathBufferBytes];
    char uninstallString[kPathBufferBytes + 2];
    RegistryKey key;
    if (!FormatUninstallKeyPath(keyPath, sizeof keyPath, ProductConfig.productName) ||
        !FormatUninstallString(uninstallString, sizeof uninstallString, uninstallerPath) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
        OutputDebugStringA(kKeyFailureDebugText);
        return;
    }
    SetText(key.get(), kDisplayNameValue, ProductConfig.productName);
    SetText(key.get(), kUninstallStringValue, uninstallString);
    SetText(key.get(), kDisplayIconValue, mainExecutablePath);
    SetText(key.get(), kInstallLocationValue, dataFolder);
    SetNumber(key.get(), kEstimatedSizeValue, EstimatedSizeKilobytes(payloadTotalBytes));
    // The uninstaller only removes; there is nothing to modify or repair.
    SetNumber(key.get(), kNoModifyValue, 1);
    SetNumber(key.get(), kNoRepairValue, 1);
}

}  // namespace

void RegisterUninstallAndStartup(const char* uninstallerPath, const char* mainExecutablePath) {
    WriteUninstallEntry(uninstallerPath, mainExecutablePath);
    MakeStartupEntry(mainExecutablePath);
}
