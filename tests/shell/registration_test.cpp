// The uninstall entry in the real registry of the prefix, read back value by
// value and through Wine's own list of installed programs, for a product that
// asks for no startup entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/product_data.h"
#include "tests/shell/support/registration_run.h"
#include "tests/shell/support/shell_test_support.h"

using shell_test::ReadUninstallNumber;
using shell_test::ReadUninstallValue;
using shell_test::RegistryValue;

namespace {

const std::string kProduct = "Varnlet Registration Check";
constexpr int kDebugTimeoutMs = 10000;

std::string Text(const std::string& text) { return text + '\0'; }

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes) ? attributes.nFileSizeLow : 0;
}

class RegistrationTest : public shell_test::ProductVariantTest {
protected:
    RegistrationTest() : ProductVariantTest(kProduct.c_str(), "Registration") {}
};

TEST_F(RegistrationTest, EntryHoldsTheListsValuesWithTheQuotedUninstaller) {
    shell_test::DebugOutputListener debugOutput;
    ASSERT_TRUE(debugOutput.ok()) << "no debugger-output listener";
    shell_test::RegistrationRun run = shell_test::RunRegistration(data, shell_test::kWindowsNt, IDNO, kProduct);
    EXPECT_TRUE(run.questions.empty());

    struct Expected {
        const char* name;
        DWORD type;
        std::string data;
    };
    const Expected texts[] = {
        {"DisplayName", REG_SZ, Text(kProduct)},
        {"UninstallString", REG_SZ, Text("\"" + data.Uninstaller() + "\"")},
        {"DisplayIcon", REG_SZ, Text(data.Program())},
        {"InstallLocation", REG_SZ, Text(data.path())},
    };
    for (const Expected& expected : texts) {
        SCOPED_TRACE(expected.name);
        RegistryValue value = ReadUninstallValue(kProduct, expected.name);
        ASSERT_TRUE(value.found);
        EXPECT_EQ(expected.type, value.type);
        EXPECT_EQ(expected.data, value.data);
    }
    // The payload of this product: the recorder twice (program, uninstaller)
    // and the licence text as the service executable.
    DWORD payloadBytes = 2 * FileSize("Z:" START_RECORDER_EXE) + FileSize("Z:" SHELL_TEST_LICENCE);
    ASSERT_GT(payloadBytes, 0u);
    EXPECT_EQ((payloadBytes + 1023) / 1024, ReadUninstallNumber(kProduct, "EstimatedSize"))
        << "payload of " << payloadBytes << " bytes";
    EXPECT_EQ(1u, ReadUninstallNumber(kProduct, "NoModify"));
    EXPECT_EQ(1u, ReadUninstallNumber(kProduct, "NoRepair"));
    // This product's description gives no version and no publisher.
    EXPECT_FALSE(ReadUninstallValue(kProduct, "DisplayVersion").found);
    EXPECT_FALSE(ReadUninstallValue(kProduct, "Publisher").found);

    bool complete = false;
    std::vector<std::string> lines = debugOutput.Drain(kDebugTimeoutMs, &complete);
    ASSERT_TRUE(complete) << "the listener heard nothing";
    EXPECT_TRUE(lines.empty()) << "unexpected debugger output: " << lines.front();
}

TEST_F(RegistrationTest, WinesProgramListShowsTheProduct) {
    (void)shell_test::RunRegistration(data, shell_test::kWindowsNt, IDNO, kProduct);
    std::string failure;
    std::vector<std::string> lines = shell_test::ListInstalledPrograms(&failure);
    ASSERT_EQ("", failure);
    std::string listed;
    for (const std::string& line : lines) listed += "  " + line + "\n";
    bool found = false;
    for (const std::string& line : lines) found = found || line == kProduct + "|||" + kProduct;
    EXPECT_TRUE(found) << "uninstaller --list printed:\n" << listed;
}

TEST_F(RegistrationTest, SecondRunOverwritesItsValuesAndKeepsOthers) {
    ASSERT_TRUE(shell_test::CreateUninstallKey(kProduct, {{"DisplayName", "Varnlet Old Name"},
                                                          {"UninstallString", "C:\\Old Place\\rtuninst.exe"},
                                                          {"Publisher", "Somebody Else"}}));
    (void)shell_test::RunRegistration(data, shell_test::kWindowsNt, IDNO, kProduct);
    EXPECT_EQ(Text(kProduct), ReadUninstallValue(kProduct, "DisplayName").data);
    EXPECT_EQ(Text("\"" + data.Uninstaller() + "\""), ReadUninstallValue(kProduct, "UninstallString").data);
    EXPECT_EQ(Text("Somebody Else"), ReadUninstallValue(kProduct, "Publisher").data);
}

TEST_F(RegistrationTest, UnwritableKeyLeavesOnlyTheDebuggerLine) {
    ASSERT_TRUE(shell_test::DenyUninstallKey(kProduct));
    shell_test::DebugOutputListener debugOutput;
    ASSERT_TRUE(debugOutput.ok()) << "no debugger-output listener";
    shell_test::RegistrationRun run = shell_test::RunRegistration(data, shell_test::kWindowsNt, IDNO, kProduct);
    EXPECT_TRUE(run.questions.empty()) << "a failed registration must not show anything";

    bool complete = false;
    std::vector<std::string> lines = debugOutput.Drain(kDebugTimeoutMs, &complete);
    ASSERT_TRUE(complete) << "the listener heard nothing";
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Couldn't open the registry key.\r\n", lines[0]);

    shell_test::RemoveUninstallKey(kProduct);  // gives access back before looking
    EXPECT_FALSE(ReadUninstallValue(kProduct, "DisplayName").found);
}

TEST_F(RegistrationTest, NoStartupEntryWhenTheProductDoesNotAskForOne) {
    // This product has a service executable, which must not bring the
    // startup entry in on any platform when the product does not want one.
    for (DWORD platform : {shell_test::kWindows9x, shell_test::kWindowsNt}) {
        SCOPED_TRACE("platform " + std::to_string(platform));
        shell_test::RegistrationRun run = shell_test::RunRegistration(data, platform, IDYES, kProduct);
        EXPECT_TRUE(run.questions.empty()) << "asked: " << run.questions.front().text;
        EXPECT_FALSE(run.startupLinkExists) << run.startupLinkPath;
        EXPECT_FALSE(run.started) << "started with " << run.start.commandLine;
    }
}

}  // namespace
