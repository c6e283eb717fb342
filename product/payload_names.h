// What the uninstaller knows of the product it removes: the stored names of
// the payload and the names the installer derived its shortcuts, uninstall
// key and ini entry from. Generated from the same product description as the
// installer's data (genproduct --names-only).
#pragma once

#include <cstdint>

extern const int32_t payloadNameCount;
extern const char* const payloadNames[];
extern const char* const payloadProductName;
extern const char* const payloadFolderName;
extern const char* const payloadIniFileName;
extern const char* const payloadMainExecutable;
extern const char* const payloadServiceName;
extern const char* const payloadStartupLinkName;
// Non-zero when the product is made for unattended deployment: the
// uninstaller then also takes /S.
extern const int32_t payloadUnattended;
