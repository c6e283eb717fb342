#include "datafolder/folder_verdict_text.h"

#include <cwchar>

#include "common/bounded_format.h"
#include "common/globals.h"
#include "datafolder/folder_text.h"

namespace {

const char kWindowsFolderText[] =
    "That directory is the Windows directory. It is not safe to install applications in the Windows directory "
    "because it contains other important system files. Please choose another location.";
const char kNoAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a directory on "
    "your system.";
const char kCreateFailedText[] =
    "That folder does not exist, and the application was not able to create it. Most likely the parent folder "
    "does not exist or you have entered a path the program does not have write access to.";
const char kFileFormat[] =
    "That path specifies a file, and not a new or existing folder name. Please enter a folder name, such as %s "
    "for example.";
const char kExistingText[] =
    "That folder already exists. The application can use it, but we do not recommend using a folder that is "
    "already being used for other purposes. Are you sure you want to use this directory?";
const char kTooLongFormat[] =
    "That folder name is too long. The whole path of the folder, parent folder and application folder together, "
    "may have at most %u characters. Please choose a shorter name.";
const char kBadEndingFormat[] =
    "The folder name \"%s\" ends in a blank or a dot. Windows drops such an ending, so the files would not go to "
    "the folder you named. Please remove the blank or dot at the end of the name.";
const char kUnusableText[] =
    "The folder name contains characters that cannot be used on this system. Please choose a folder name without "
    "them.";
const wchar_t kUnusableStart[] = L"These characters cannot be used in a folder name on this system: ";
const wchar_t kUnusableEnd[] = L". Please choose a folder name without them.";

bool appendWide(wchar_t* out, size_t outSize, size_t* used, const wchar_t* text, size_t count) {
    if (count >= outSize - *used) return false;
    std::wmemcpy(out + *used, text, count);
    *used += count;
    out[*used] = L'\0';
    return true;
}

}  // namespace

const char* FolderVerdictTitle(FolderVerdict verdict) {
    switch (verdict) {
    case FolderVerdict::kWindowsDirectory: return "Can't Install to Windows Directory";
    case FolderVerdict::kMissing: return "Couldn't Access Directory";
    case FolderVerdict::kNotCreated: return "Can't Create Directory";
    case FolderVerdict::kFile: return "Please Enter a Folder Name";
    case FolderVerdict::kOtherFolder: return "Write Data to Existing Folder?";
    case FolderVerdict::kTooLong: return "Folder Name Too Long";
    case FolderVerdict::kBadEnding: return "Folder Name Ends in a Blank or Dot";
    case FolderVerdict::kUnusableCharacters: return "Unusable Characters in Folder Name";
    case FolderVerdict::kCreated:
    case FolderVerdict::kProductFolder: break;
    }
    return "Data Folder";
}

bool FormatFolderVerdict(const FolderCheck& check, char* out, size_t outSize) {
    switch (check.verdict) {
    case FolderVerdict::kWindowsDirectory: return FormatBounded(out, outSize, "%s", kWindowsFolderText);
    case FolderVerdict::kMissing: return FormatBounded(out, outSize, "%s", kNoAccessText);
    case FolderVerdict::kNotCreated: return FormatBounded(out, outSize, "%s", kCreateFailedText);
    case FolderVerdict::kOtherFolder: return FormatBounded(out, outSize, "%s", kExistingText);
    case FolderVerdict::kUnusableCharacters: return FormatBounded(out, outSize, "%s", kUnusableText);
    case FolderVerdict::kFile:
        // A folder name too long for the example still gets the message, without it.
        return FormatBounded(out, outSize, kFileFormat, ProductConfig.folderName) ||
               FormatBounded(out, outSize, kFileFormat, "");
    case FolderVerdict::kTooLong:
        return FormatBounded(out, outSize, kTooLongFormat, static_cast<unsigned>(kMaxFolderPathLength));
    case FolderVerdict::kBadEnding:
        return FormatBounded(out, outSize, kBadEndingFormat, check.component) ||
               FormatBounded(out, outSize, kBadEndingFormat, "");
    case FolderVerdict::kCreated:
    case FolderVerdict::kProductFolder: break;
    }
    return FormatBounded(out, outSize, "%s", "");
}

bool FormatUnusableCharacters(const FolderCheck& check, wchar_t* out, size_t outSize) {
    if (outSize == 0) return false;
    size_t used = 0;
    out[0] = L'\0';
    bool fits = appendWide(out, outSize, &used, kUnusableStart, std::wcslen(kUnusableStart));
    for (const wchar_t* p = check.unusable; fits && *p; ++p) {
        bool pairStart = *p >= 0xD800 && *p <= 0xDBFF && p[1] != L'\0';
        fits = (p == check.unusable || appendWide(out, outSize, &used, L" ", 1)) &&
               appendWide(out, outSize, &used, p, pairStart ? 2 : 1);
        if (pairStart) ++p;
    }
    fits = fits && appendWide(out, outSize, &used, kUnusableEnd, std::wcslen(kUnusableEnd));
    if (!fits) out[0] = L'\0';
    return fits;
}
