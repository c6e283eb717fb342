// Writes the product's identity for the resource script of the installer or
// of the uninstaller: the version resource, the manifest and the icon.
#pragma once

#include <string>

#include "description.h"

enum class ProgramRole { kInstaller, kUninstaller };

struct IdentityRequest {
    ProgramRole role = ProgramRole::kInstaller;
    std::string fileName;     // the program's file name, e.g. "VarnletSetup.exe"
    std::string defaultIcon;  // used when the description names no icon
    std::string depfile;      // "" writes none
};

// Writes OUTDIR/product_identity.rc (the version resource, and the manifest
// and the icon by name, under the icon id PRODUCT_ICON_ID that the including
// script defines), OUTDIR/product.manifest and OUTDIR/product.ico.
bool EmitIdentity(const ProductDescription& product, const IdentityRequest& request, const std::string& outDir,
                  std::string& error);

// A resource-script wide string literal (L"...") holding the UTF-8 `text`
// exactly: quotes doubled, backslashes and question marks escaped, every
// other character outside printable ASCII as UTF-16 units (\xHHHH).
std::string RcWideLiteral(const std::string& text);
// `text` for XML character data or an attribute value. False, with `why`,
// for characters XML cannot hold at all (most control characters).
bool XmlText(const std::string& text, std::string& out, std::string& why);
// The name part of a manifest's assemblyIdentity: letters and digits of the
// product name (Latin-1 letters without their accents) in dotted parts.
std::string AssemblyNameOf(const std::string& productName);
