// Fills a shell link object and saves it as a ".lnk" file.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/scoped.h"
#include "common/system_calls.h"
#include "shell/shortcut.h"
#include "shell/shortcut_paths.h"

namespace {

constexpr int kWideLinkPathChars = static_cast<int>(kMaxLinkPathChars) + 1;

}  // namespace

// The link is saved twice: first with its target, description, working folder
// and arguments, then again complete with the icon and the show command. A
// failure of the second save leaves the first, incomplete link on disk.
HRESULT SaveShellLink(const char* targetPath, const char* linkPath, const char* description,
                      const char* workingFolder, bool minimised, const char* arguments) {
    // Declared first so that it ends last, after both interfaces are released.
    ScopedComInit apartment;
    ScopedComPtr<IShellLinkA> link;
    HRESULT status = sys::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.ReceiveVoid());
    if (FAILED(status)) return status;

    // These setters only record values in the object; saving is what can fail.
    (void)link->SetPath(targetPath);
    (void)link->SetDescription(description);
    (void)link->SetWorkingDirectory(workingFolder);
    if (arguments) (void)link->SetArguments(arguments);

    ScopedComPtr<IPersistFile> file;
    status = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
    if (FAILED(status)) return status;

    WCHAR widePath[kWideLinkPathChars];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kWideLinkPathChars) == 0)
        return HRESULT_FROM_WIN32(GetLastError());

    status = file->Save(widePath, TRUE);
    if (FAILED(status)) return status;

    (void)link->SetIconLocation(targetPath, 0);
    // A link file knows three show commands: normal, maximised and minimised
    // without activation; any other value reads back as normal, so
    // SW_SHOWMINIMIZED would start the program in a normal window.
    (void)link->SetShowCmd(minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
    return file->Save(widePath, TRUE);
}
