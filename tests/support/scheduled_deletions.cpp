#include "tests/support/scheduled_deletions.h"

#include <windows.h>

#include "common/scoped.h"
#include "tests/support/test_files.h"

namespace testing_support {

namespace {

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";

// The strings of a REG_MULTI_SZ value as stored, without the list's final
// terminator; they come in pairs (source, target).
std::vector<std::string> SplitMultiString(const std::string& data) {
    std::vector<std::string> items;
    std::string item;
    for (char c : data) {
        if (c == '\0') {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty()) items.push_back(item);
    if (items.size() % 2 == 1 && items.back().empty()) items.pop_back();
    return items;
}

std::string ReadPendingList(HKEY key) {
    DWORD type = 0, size = 0;
    std::string data;
    if (RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0)
        return data;
    data.resize(size);
    if (RegQueryValueExA(key, kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        return "";
    data.resize(size < data.size() ? size : data.size());
    return data;
}

// "\??\C:\folder\file" as a path that the file functions take.
std::string WithoutNtPrefix(const std::string& path) {
    size_t drive = path.find(':');
    return drive == std::string::npos || drive == 0 ? path : path.substr(drive - 1);
}

}  // namespace

TakenDeletions TakeScheduledDeletions(const std::function<bool(const std::string& path)>& matches, int waitMs) {
    TakenDeletions taken;
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return taken;
    std::vector<std::string> items = SplitMultiString(ReadPendingList(key.Get()));
    std::string kept;
    for (size_t i = 0; i + 1 < items.size(); i += 2) {
        const std::string path = WithoutNtPrefix(items[i]);
        if (items[i + 1].empty() && matches(path)) {
            taken.paths.push_back(path);
        } else {
            kept.append(items[i]).push_back('\0');
            kept.append(items[i + 1]).push_back('\0');
        }
    }
    if (taken.paths.empty()) return taken;
    LONG result = ERROR_SUCCESS;
    if (kept.empty()) {
        result = RegDeleteValueA(key.Get(), kPendingValue);
    } else {
        kept.push_back('\0');
        result = RegSetValueExA(key.Get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                                static_cast<DWORD>(kept.size()));
    }
    if (result != ERROR_SUCCESS) taken.problems += "the restart list; ";
    // A copy's process may still be ending and hold its file.
    for (const std::string& path : taken.paths)
        if (!RemoveTreeWithin(path, waitMs)) taken.problems += path + "; ";
    return taken;
}

TakenDeletions TakeScheduledUninstallerCopies(int waitMs) {
    return TakeScheduledDeletions(
        [](const std::string& path) { return path.find("\\rtuninst-") != std::string::npos; }, waitMs);
}

}  // namespace testing_support
