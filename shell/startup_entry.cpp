// Puts the product into the user's Startup folder and starts it at once, so
// the user does not have to log on again before it runs.
#include "shell/startup_entry.h"

#include <windows.h>

#include "common/globals.h"
#include "common/run_mode.h"
#include "product/product_data.h"
#include "shell/registration_texts.h"
#include "shell/shortcut.h"

namespace {

// The quoted program path, a blank and the longest arguments a path buffer holds.
constexpr size_t kStartCommandBytes = 2 * kPathBufferBytes;

bool UserWantsStartupEntry() {
    return ShowMessageBox(backgroundHwnd, ProductConfig.startupQuestion, kStartupQuestionTitle, MB_YESNO) == IDYES;
}

}  // namespace

void MakeStartupEntry(const char* mainExecutablePath) {
    StartupEntry entry = DecideStartupEntry(ProductConfig.addToStartup, ProductConfig.serviceExecutable,
                                            platformId == kPlatformWindowsNt);
    if (entry == StartupEntry::kNone) return;
    if (entry == StartupEntry::kAsk && !UserWantsStartupEntry()) return;

    // The link starts the product at every log-on; whether it could be made
    // or not, the product is started now as well.
    (void)CreateShortcut(nullptr, StartupLinkName(ProductConfig), mainExecutablePath, dataFolder,
                         StartupLinkArguments(ProductConfig));
    char command[kStartCommandBytes];
    // A command that does not fit is not started rather than started cut short.
    if (FormatStartCommand(command, sizeof command, mainExecutablePath, ProductConfig.startupArguments))
        (void)WinExec(command, SW_SHOW);
}
