// The compiled dialog templates, icon and version block, read back from this
// program's own image (which links the installer's resource script) and
// compared with the layout the dialogs are designed to.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr int kNoId = 0xFFFF;  // -1 as a template's 16-bit id
constexpr int kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

struct Control {
    int id;
    int classOrdinal;
    const char* text;
    DWORD style;
    int x, y, width, height;
};

struct Dialog {
    int resource;
    const char* title;
    DWORD style;
    int x, y, width, height;
    std::vector<Control> controls;
};

const std::vector<Dialog>& ExpectedDialogs() {
    static const std::vector<Dialog> dialogs = {
        {IDD_PROGRESS, "Setup Progress", kDialogStyle, 50, 25, 186, 73,
         {
             {kNoId, kStatic, "The application is now being installed.", kChild | WS_GROUP | SS_LEFT, 30, 14, 123, 12},
             {IDC_PROGRESS_PERCENT, kStatic, "Percent Complete:   0%", kChild | WS_GROUP | SS_LEFT, 53, 49, 87, 8},
             {IDC_PROGRESS_ITEM, kStatic, "", kChild | WS_GROUP | SS_CENTER, 30, 32, 123, 8},
         }},
        {IDD_LICENCE, "END USER LICENSE AGREEMENT", kDialogStyle, 50, 25, 304, 159,
         {
             {IDOK, kButton, "I Accept", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 7, 138, 66, 14},
             {IDCANCEL, kButton, "I Do NOT Accept", kChild | WS_TABSTOP | BS_PUSHBUTTON, 233, 138, 64, 14},
             {IDC_LICENCE_TEXT, kEdit, "",
              kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 7, 7, 290, 128},
         }},
        {IDD_FOLDER, "Choose a Folder", kDialogStyle | WS_VISIBLE, 50, 25, 282, 156,
         {
             {IDOK, kButton, "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 135, 50, 14},
             {IDCANCEL, kButton, "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 225, 135, 50, 14},
             {kNoId, kStatic,
              "This application requires a folder in which to store its data files. The location below is "
              "recommended and should work fine for most users.",
              kChild | SS_LEFT | WS_GROUP, 7, 7, 268, 21},
             {IDC_FOLDER_PARENT, kEdit, "", kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 65, 61, 112, 14},
             {IDC_FOLDER_BROWSE, kButton, "Browse...", kChild | BS_PUSHBUTTON | WS_TABSTOP, 214, 61, 50, 14},
             {kNoId, kStatic, "Parent Folder", kChild | SS_LEFT | WS_GROUP, 11, 63, 48, 10},
             {kNoId, kStatic, "Application Folder", kChild | SS_LEFT | WS_GROUP, 12, 107, 57, 8},
             {IDC_FOLDER_APPLICATION, kEdit, "", kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 78, 104, 112, 14},
             {kNoId, kButton, "Parent Folder", kChild | BS_GROUPBOX, 7, 27, 268, 54},
             {kNoId, kStatic,
              "This must be an existing folder. A new folder for this application will be created within this "
              "folder, with the name you specify below under \"Application Folder.\"",
              kChild | SS_LEFT | WS_GROUP, 13, 38, 250, 19},
             {kNoId, kButton, "Application Folder", kChild | BS_GROUPBOX, 7, 89, 268, 38},
         }},
    };
    return dialogs;
}

// Reads the parts of a classic DLGTEMPLATE / DLGITEMTEMPLATE stream.
class TemplateReader {
public:
    TemplateReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    bool Overrun() const { return overrun_; }
    uint16_t Word() {
        if (offset_ + 2 > size_) {
            overrun_ = true;
            return 0;
        }
        uint16_t value = static_cast<uint16_t>(data_[offset_] | data_[offset_ + 1] << 8);
        offset_ += 2;
        return value;
    }
    uint32_t Dword() {
        uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }
    // A string or an ordinal (0xFFFF followed by the number): ordinals are
    // returned as "#<number>".
    std::string StringOrOrdinal() {
        uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        std::string text;
        for (uint16_t c = first; c != 0 && !overrun_; c = Word()) text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    void AlignDword() { offset_ = (offset_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t bytes) { offset_ += bytes; }

private:
    const unsigned char* data_;
    size_t size_;
    size_t offset_ = 0;
    bool overrun_ = false;
};

struct Resource {
    const unsigned char* data = nullptr;
    DWORD size = 0;
};

Resource LoadOwnResource(int id, LPCSTR type) {
    Resource resource;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return resource;
    HGLOBAL loaded = LoadResource(module, found);
    resource.data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    resource.size = SizeofResource(module, found);
    return resource;
}

std::string Ordinal(int value) {
    return "#" + std::to_string(value);
}

}  // namespace

TEST(DialogTemplates, MatchTheirLayoutControlByControl) {
    for (const Dialog& expected : ExpectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.resource));
        Resource resource = LoadOwnResource(expected.resource, MAKEINTRESOURCEA(5));  // RT_DIALOG
        ASSERT_NE(nullptr, resource.data);
        TemplateReader reader(resource.data, resource.size);
        uint32_t style = reader.Dword();
        ASSERT_NE(0xFFFF0001u, style) << "an extended template (DLGTEMPLATEEX)";
        EXPECT_EQ(expected.style, style) << std::hex << "style 0x" << style;
        EXPECT_EQ(0u, reader.Dword()) << "extended style";
        uint16_t count = reader.Word();
        ASSERT_EQ(expected.controls.size(), count);
        EXPECT_EQ(expected.x, static_cast<int16_t>(reader.Word()));
        EXPECT_EQ(expected.y, static_cast<int16_t>(reader.Word()));
        EXPECT_EQ(expected.width, static_cast<int16_t>(reader.Word()));
        EXPECT_EQ(expected.height, static_cast<int16_t>(reader.Word()));
        EXPECT_EQ("", reader.StringOrOrdinal()) << "menu";
        EXPECT_EQ("", reader.StringOrOrdinal()) << "window class";
        EXPECT_EQ(expected.title, reader.StringOrOrdinal());
        EXPECT_EQ(8, reader.Word()) << "font size";
        EXPECT_EQ("MS Sans Serif", reader.StringOrOrdinal());

        for (const Control& control : expected.controls) {
            SCOPED_TRACE("control " + std::to_string(control.id) + " \"" + control.text + "\"");
            reader.AlignDword();
            uint32_t controlStyle = reader.Dword();
            EXPECT_EQ(control.style, controlStyle) << std::hex << "style 0x" << controlStyle;
            EXPECT_EQ(0u, reader.Dword()) << "extended style";
            EXPECT_EQ(control.x, static_cast<int16_t>(reader.Word()));
            EXPECT_EQ(control.y, static_cast<int16_t>(reader.Word()));
            EXPECT_EQ(control.width, static_cast<int16_t>(reader.Word()));
            EXPECT_EQ(control.height, static_cast<int16_t>(reader.Word()));
            EXPECT_EQ(control.id, reader.Word());
            EXPECT_EQ(Ordinal(control.classOrdinal), reader.StringOrOrdinal());
            EXPECT_EQ(control.text, reader.StringOrOrdinal());
            uint16_t creationData = reader.Word();
            EXPECT_EQ(0, creationData);
            reader.Skip(creationData);
        }
        EXPECT_FALSE(reader.Overrun()) << "the template ends early";
    }
}

TEST(InstallerIcon, IsOneImageOf32By32In16Colours) {
    Resource group = LoadOwnResource(IDI_INSTALLER, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(nullptr, group.data);
    ASSERT_EQ(6u + 14u, group.size) << "a directory of exactly one image";
    TemplateReader reader(group.data, group.size);
    EXPECT_EQ(0, reader.Word());
    EXPECT_EQ(1, reader.Word()) << "type: icon";
    EXPECT_EQ(1, reader.Word()) << "image count";
    uint16_t widthHeight = reader.Word();
    EXPECT_EQ(32, widthHeight & 0xFF);
    EXPECT_EQ(32, widthHeight >> 8);
    EXPECT_EQ(16, reader.Word() & 0xFF) << "colour count";
    EXPECT_EQ(1, reader.Word()) << "planes";
    EXPECT_EQ(4, reader.Word()) << "bits per pixel";
    uint32_t bytes = reader.Dword();
    uint16_t imageId = reader.Word();

    Resource image = LoadOwnResource(imageId, MAKEINTRESOURCEA(3));  // RT_ICON
    ASSERT_NE(nullptr, image.data);
    ASSERT_EQ(bytes, image.size);
    ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data, sizeof header);
    EXPECT_EQ(32, header.biWidth);
    EXPECT_EQ(64, header.biHeight) << "colour and mask bitmaps";
    EXPECT_EQ(4, header.biBitCount);
    // Header, 16-entry palette, 4-bit colour rows and 1-bit mask rows.
    EXPECT_EQ(40u + 16 * 4 + 32 * 16 + 32 * 4, image.size);

    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_INSTALLER), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(nullptr, icon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(32, colour.bmWidth);
    EXPECT_EQ(32, colour.bmHeight);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

TEST(InstallerResources, CarryAManifestAndAVersionBlock) {
    Resource manifest = LoadOwnResource(1, MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(nullptr, manifest.data);
    std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    EXPECT_NE(std::string::npos, text.find("requestedExecutionLevel level=\"requireAdministrator\"")) << text;

    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    char* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName",
                               reinterpret_cast<void**>(&value), &length));
    EXPECT_STREQ("Varnlet", value);
}
