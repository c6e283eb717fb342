#include "identity.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "codepage.h"
#include "emit.h"

namespace {

std::string VersionNumbers(const ProductIdentity& identity, const char* separator) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += (i ? separator : "") + std::to_string(identity.version[i]);
    return out;
}

// The manifest: elevation (the installer writes under HKEY_LOCAL_MACHINE,
// the uninstaller removes from there), the Windows versions it was made for,
// Common Controls 6 and DPI awareness.
std::string Manifest(const std::string& name, const std::string& version, const std::string& description,
                     ProgramRole role) {
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        << "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        << "  <assemblyIdentity type=\"win32\" name=\"" << name << "\" version=\"" << version
        << "\" processorArchitecture=\"x86\"/>\n"
        << "  <description>" << description << "</description>\n"
        << "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        << "    <security>\n"
        << "      <requestedPrivileges>\n"
        << (role == ProgramRole::kInstaller
                ? "        <!-- Writes under HKEY_LOCAL_MACHINE and may remove a service. -->\n"
                : "        <!-- Removes the product's key under HKEY_LOCAL_MACHINE. -->\n")
        << "        <requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>\n"
        << "      </requestedPrivileges>\n"
        << "    </security>\n"
        << "  </trustInfo>\n"
        << "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
        << "    <application>\n"
        << "      <supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/> <!-- Vista -->\n"
        << "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/> <!-- 7 -->\n"
        << "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/> <!-- 8 -->\n"
        << "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/> <!-- 8.1 -->\n"
        << "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/> <!-- 10 and 11 -->\n"
        << "    </application>\n"
        << "  </compatibility>\n"
        << "  <dependency>\n"
        << "    <dependentAssembly>\n"
        << "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"\n"
        << "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
        << "    </dependentAssembly>\n"
        << "  </dependency>\n"
        << "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        << "    <windowsSettings>\n"
        << "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>\n"
        << "    </windowsSettings>\n"
        << "  </application>\n"
        << "</assembly>\n";
    return xml.str();
}

std::string VersionResource(const ProductDescription& product, const IdentityRequest& request,
                            const std::string& fileDescription) {
    const ProductIdentity& identity = product.identity;
    std::string numbers = VersionNumbers(identity, ",");
    std::string versionText = VersionNumbers(identity, ".");
    std::string internalName = request.fileName;
    if (internalName.size() > 4 && internalName.compare(internalName.size() - 4, 4, ".exe") == 0)
        internalName.resize(internalName.size() - 4);

    std::ostringstream rc;
    rc << "VS_VERSION_INFO VERSIONINFO\n"
       << "FILEVERSION " << numbers << "\n"
       << "PRODUCTVERSION " << numbers << "\n"
       << "FILEFLAGSMASK 0x3fL\nFILEFLAGS 0x0L\nFILEOS VOS_NT_WINDOWS32\nFILETYPE VFT_APP\nFILESUBTYPE 0x0L\n"
       << "BEGIN\n"
       << "    BLOCK \"StringFileInfo\"\n"
       << "    BEGIN\n"
       << "        BLOCK \"040904b0\"\n"
       << "        BEGIN\n";
    auto value = [&](const char* name, const std::string& text) {
        if (!text.empty()) rc << "            VALUE \"" << name << "\", " << RcWideLiteral(text) << "\n";
    };
    value("CompanyName", identity.publisher);
    value("FileDescription", fileDescription);
    value("FileVersion", versionText);
    value("InternalName", internalName);
    value("LegalCopyright", identity.copyright);
    value("OriginalFilename", request.fileName);
    value("ProductName", identity.productName);
    value("ProductVersion", versionText);
    rc << "        END\n"
       << "    END\n"
       << "    BLOCK \"VarFileInfo\"\n"
       << "    BEGIN\n"
       << "        VALUE \"Translation\", 0x409, 1200\n"
       << "    END\n"
       << "END\n";
    return rc.str();
}

}  // namespace

std::string RcWideLiteral(const std::string& text) {
    std::vector<uint32_t> codePoints;
    size_t ignored = 0;
    (void)DecodeUtf8(text, codePoints, ignored);  // the description was checked on loading
    std::string out = "L\"";
    char escape[8];
    for (uint32_t c : codePoints) {
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F && c != '?') {
            out += static_cast<char>(c);
        } else if (c < 0x10000) {
            std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            uint32_t offset = c - 0x10000;
            std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned>(0xD800 + (offset >> 10)));
            out += escape;
            std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned>(0xDC00 + (offset & 0x3FF)));
            out += escape;
        }
    }
    return out + "\"";
}

bool XmlText(const std::string& text, std::string& out, std::string& why) {
    std::vector<uint32_t> codePoints;
    size_t ignored = 0;
    (void)DecodeUtf8(text, codePoints, ignored);
    out.clear();
    for (size_t i = 0, at = 0; i < codePoints.size(); ++i) {
        uint32_t c = codePoints[i];
        size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF) {
            why = "the character " + DescribeCharacter(c) + " cannot be written in the manifest (XML)";
            return false;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += text.substr(at, length);
        }
        at += length;
    }
    return true;
}

std::string AssemblyNameOf(const std::string& productName) {
    // U+00C0 to U+00FF without their accents ('.' for the two signs).
    static const char kLatin1Letters[] = "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTsaaaaaaaceeeeiiiidnooooo.ouuuuyty";
    std::vector<uint32_t> codePoints;
    size_t ignored = 0;
    (void)DecodeUtf8(productName, codePoints, ignored);
    std::string name;
    bool separate = false;
    for (uint32_t c : codePoints) {
        char letter = '.';
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) letter = static_cast<char>(c);
        else if (c >= 0xC0 && c <= 0xFF) letter = kLatin1Letters[c - 0xC0];
        if (letter == '.') {
            separate = !name.empty();
            continue;
        }
        if (separate) name += '.';
        separate = false;
        name += letter;
    }
    return name.empty() ? std::string("Product") : name;
}

bool EmitIdentity(const ProductDescription& product, const IdentityRequest& request, const std::string& outDir,
                  std::string& error) {
    const ProductIdentity& identity = product.identity;
    const bool installer = request.role == ProgramRole::kInstaller;
    const std::string fileDescription = identity.productName + (installer ? " Setup" : " Uninstall");

    std::string description, why;
    if (!XmlText(fileDescription, description, why)) {
        error = "config: productName: " + why;
        return false;
    }
    std::string manifest = Manifest(AssemblyNameOf(identity.productName) + (installer ? ".Setup" : ".Uninstall"),
                                     VersionNumbers(identity, "."), description, request.role);

    const std::string iconPath = identity.iconPath.empty() ? request.defaultIcon : identity.iconPath;
    std::string icon = identity.iconBytes;
    if (identity.iconPath.empty() && (iconPath.empty() || !ReadWholeFile(iconPath, icon))) {
        error = "icon: cannot read \"" + iconPath + "\"";
        return false;
    }

    std::ostringstream rc;
    rc << "// Generated by genproduct from the product description. Do not edit.\n"
       << "// The including script defines PRODUCT_ICON_ID.\n"
       << "#include <windows.h>\n\n"
       << "1 RT_MANIFEST \"product.manifest\"\n\n"
       << "PRODUCT_ICON_ID ICON \"product.ico\"\n\n"
       << VersionResource(product, request, fileDescription);

    if (!WriteFileAtomically(outDir + "/product.ico", icon, error) ||
        !WriteFileAtomically(outDir + "/product.manifest", manifest, error) ||
        !WriteFileAtomically(outDir + "/product_identity.rc", rc.str(), error))
        return false;
    if (request.depfile.empty()) return true;
    std::string rule = EscapeForDepfile(outDir + "/product_identity.rc") + ": " + EscapeForDepfile(iconPath) + "\n";
    return WriteFileAtomically(request.depfile, rule, error);
}
