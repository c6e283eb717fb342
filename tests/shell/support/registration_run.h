// One call of the uninstall registration and startup entry as the
// installation makes it, with the installer's globals set up for a test data
// folder, and what came of it: the questions, the startup link, the start.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/support/shell_test_support.h"

namespace shell_test {

// dataFolder, platformId and an owner window as backgroundHwnd for as long as
// the object lives.
class ScopedInstallerState {
public:
    ScopedInstallerState(const std::string& folder, DWORD platform);
    ~ScopedInstallerState();
    ScopedInstallerState(const ScopedInstallerState&) = delete;
    ScopedInstallerState& operator=(const ScopedInstallerState&) = delete;

    bool ok() const { return ok_; }
    HWND owner() const { return owner_; }

private:
    bool ok_ = false;
    HWND owner_ = nullptr;
};

struct RegistrationRun {
    HWND owner = nullptr;
    std::vector<QuestionBox> questions;
    std::string startupLinkPath;
    bool startupLinkExists = false;
    LinkContents startupLink;
    bool started = false;
    TestDataFolder::Start start;
};

// Calls RegisterUninstallAndStartup for `data` on platform `platform`,
// answering any question with `answer`, and looks for the startup link
// named `startupLinkName` (removed again afterwards).
RegistrationRun RunRegistration(const TestDataFolder& data, DWORD platform, int answer,
                                const std::string& startupLinkName);

// A test of one product variant: makes sure the right product data is
// linked in, prepares a data folder holding the recorder as the product's
// program, and keeps the product's uninstall key away before and after.
class ProductVariantTest : public testing::Test {
protected:
    ProductVariantTest(const char* productName, const char* label);
    void SetUp() override;
    void TearDown() override;

    const std::string product;
    TestDataFolder data;
};

// The platforms the startup entry distinguishes.
constexpr DWORD kWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr DWORD kWindowsNt = 2;  // VER_PLATFORM_WIN32_NT

}  // namespace shell_test
