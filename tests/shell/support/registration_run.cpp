#include "tests/shell/support/registration_run.h"

#include <shlobj.h>

#include <cstdio>

#include "common/globals.h"
#include "product/product_data.h"
#include "shell/uninstall_registration.h"

namespace shell_test {

namespace {
constexpr int kStartTimeoutMs = 20000;
// Every variant names its program so: a blank in it tests the quoting.
constexpr char kProgramName[] = "varnlet probe.exe";
}  // namespace

ProductVariantTest::ProductVariantTest(const char* productName, const char* label)
    : product(productName), data(label, kProgramName) {}

void ProductVariantTest::SetUp() {
    ASSERT_EQ(product, ProductConfig.productName) << "linked with the wrong product data";
    ASSERT_EQ(kProgramName, std::string(ProductConfig.mainExecutable));
    ASSERT_TRUE(data.ok()) << "the test data folder could not be prepared";
    RemoveUninstallKey(product);
}

void ProductVariantTest::TearDown() { RemoveUninstallKey(product); }

ScopedInstallerState::ScopedInstallerState(const std::string& folder, DWORD platform) {
    int length = std::snprintf(dataFolder, sizeof dataFolder, "%s", folder.c_str());
    platformId = platform;
    owner_ = CreateWindowA("STATIC", "Varnlet Shell Test Owner", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    backgroundHwnd = owner_;
    ok_ = length > 0 && static_cast<size_t>(length) < sizeof dataFolder && owner_ != nullptr;
}

ScopedInstallerState::~ScopedInstallerState() {
    backgroundHwnd = nullptr;
    if (owner_) (void)DestroyWindow(owner_);
    dataFolder[0] = '\0';
    platformId = 0;
}

RegistrationRun RunRegistration(const TestDataFolder& data, DWORD platform, int answer,
                                const std::string& startupLinkName) {
    RegistrationRun run;
    run.startupLinkPath = SpecialFolder(CSIDL_STARTUP) + "\\" + startupLinkName + ".lnk";
    (void)DeleteFileA(run.startupLinkPath.c_str());
    data.ForgetStart();

    ScopedInstallerState state(data.path(), platform);
    if (!state.ok()) return run;
    run.owner = state.owner();
    run.questions = RunAnsweringQuestions(
        [&data] { RegisterUninstallAndStartup(data.Uninstaller().c_str(), data.Program().c_str()); }, answer);

    run.startupLinkExists = FileExists(run.startupLinkPath);
    if (run.startupLinkExists) run.startupLink = ReadLink(run.startupLinkPath);
    run.started = data.WasStarted();
    if (run.started) run.start = data.WaitForStart(kStartTimeoutMs);
    (void)DeleteFileA(run.startupLinkPath.c_str());
    return run;
}

}  // namespace shell_test
