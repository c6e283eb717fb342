#include "tests/e2e/driver/installer_walk.h"

#include "tests/e2e/driver/installer_texts.h"

namespace e2e {

bool AnswerLicence(UserDriver& user, bool accept, std::string* licence) {
    HWND dialog = user.WaitForWindow(kLicenceTitle, kNextWindowMs);
    if (!dialog) return false;
    if (licence) *licence = user.Field(dialog, kLicenceTextId);
    return user.Click(dialog, accept ? kLicenceAcceptId : kLicenceDeclineId);
}

HWND WaitForFolderDialog(UserDriver& user, std::string* parent, std::string* application) {
    HWND dialog = user.WaitForWindow(kFolderDialogTitle, kNextWindowMs);
    if (!dialog) return nullptr;
    *parent = user.Field(dialog, kParentFolderId);
    *application = user.Field(dialog, kApplicationFolderId);
    return dialog;
}

bool ChooseFolder(UserDriver& user, HWND dialog, const std::string& parent, const std::string& application) {
    return user.Type(dialog, kParentFolderId, parent) && user.Type(dialog, kApplicationFolderId, application) &&
           user.Click(dialog, IDOK);
}

bool AnswerMessageBox(UserDriver& user, const char* title, int answer, int timeoutMs, MessageBoxSeen* seen) {
    return user.WaitForMessageBox(title, timeoutMs, seen) && user.Answer(*seen, answer);
}

}  // namespace e2e
