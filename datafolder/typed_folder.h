// The checks of a folder typed into the folder dialog, without the dialog:
// the dialog tells the user about a refusal, an unattended run ends with it.
#pragma once

enum class TypedFolderVerdict {
    kCreated,        // did not exist and was made (one level)
    kProductFolder,  // exists, and its name ends in the product's folder name
    kOtherFolder,    // exists, not recognisably the product's: the dialog asks first
    kNotCreated,     // does not exist and could not be made
    kFile,           // names a file
    kTooLong,        // longer than the dialog's fields and the system's path calls take
};

// Checks `folder` as OK in the folder dialog does, making it when it is
// missing (only one level: its parent must exist).
TypedFolderVerdict CheckTypedFolder(const char* folder);

// Whether the verdict lets the folder be used without asking anybody.
inline bool IsUsable(TypedFolderVerdict verdict) {
    return verdict == TypedFolderVerdict::kCreated || verdict == TypedFolderVerdict::kProductFolder;
}

// The file system ignores letter case, and a trailing separator names the
// same folder, so C:\WINDOWS and C:\windows\ are the Windows directory too.
bool IsWindowsDirectory(const char* folder);
