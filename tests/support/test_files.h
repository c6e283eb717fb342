// Files and folders of the Wine prefix as the tests under Wine handle them:
// joined, checked, read, written, listed and removed again. Shared by every
// test program, so each one cleans up the same way.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// folder + "\" + name, without doubling a separator that folder ends with.
std::string JoinPath(const std::string& folder, const std::string& name);
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// A Unix path of the build machine as Wine shows it (drive Z:).
std::string WindowsPathOf(const std::string& unixPath);
// The folder of the running test program.
std::string ProgramFolder();

bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Names in a folder (no "." or ".."), sorted; empty when it does not exist.
std::vector<std::string> FolderEntries(const std::string& folder);
// Creates every missing folder of `path`.
bool CreateFolders(const std::string& path);
// Deletes a file or a folder with everything in it, read-only files too.
// True when nothing is left at `path`.
bool RemoveTree(const std::string& path);
// RemoveTree, tried again while something still holds a file or folder
// there (Wine's helper programs keep their working folder open until they
// end), for at most `timeoutMs`.
bool RemoveTreeWithin(const std::string& path, int timeoutMs);

}  // namespace testing_support
