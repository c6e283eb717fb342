// The paths and texts of shell integration, free of Windows: link path
// limits, the start command, the quoted uninstall string, the size in
// kilobytes and the rule that decides the startup entry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/registration_texts.h"
#include "shell/shortcut_paths.h"

namespace {

TEST(ShellTexts, StartupEntryFollowsWishServiceAndPlatform) {
    struct Case {
        int32_t addToStartup;
        const char* serviceExecutable;
        bool ntFamily;
        StartupEntry expected;
    };
    const Case cases[] = {
        {0, "", false, StartupEntry::kNone},
        {0, "", true, StartupEntry::kNone},
        {0, "vrlsvc.exe", false, StartupEntry::kNone},
        {0, "vrlsvc.exe", true, StartupEntry::kNone},
        {1, "", false, StartupEntry::kAsk},
        {1, "", true, StartupEntry::kAsk},
        {1, "vrlsvc.exe", false, StartupEntry::kWithoutAsking},
        {1, "vrlsvc.exe", true, StartupEntry::kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.expected),
                  static_cast<int>(DecideStartupEntry(c.addToStartup, c.serviceExecutable, c.ntFamily)))
            << "addToStartup " << c.addToStartup << ", service \"" << c.serviceExecutable << "\", "
            << (c.ntFamily ? "NT" : "not NT");
    }
}

TEST(ShellTexts, LinkPathsAreFormedUpTo259CharactersAndRefusedBeyond) {
    const std::string base = "C:\\Start Menu\\Programs";
    struct Case {
        const char* folderName;  // null: the Startup form
        size_t pathLength;
        size_t bufferSize;
        bool fits;
    };
    const Case cases[] = {
        {"Varnlet", 40, kShortcutPathBytes, true},
        {"Varnlet", 259, kShortcutPathBytes, true},
        {"Varnlet", 260, kShortcutPathBytes, false},
        {"Varnlet", 271, kShortcutPathBytes, false},  // fits the buffer, not the shell
        {"Varnlet", 300, kShortcutPathBytes, false},  // fits neither
        {nullptr, 259, kShortcutPathBytes, true},
        {nullptr, 260, kShortcutPathBytes, false},
        {"Varnlet", 100, 100, false},  // one byte short for the terminator
        {"Varnlet", 100, 101, true},
    };
    for (const Case& c : cases) {
        std::string prefix = c.folderName ? base + "\\" + c.folderName + "\\" : base + "\\";
        std::string linkName(c.pathLength - prefix.size() - 4, 'n');
        std::string expected = prefix + linkName + ".lnk";
        ASSERT_EQ(c.pathLength, expected.size());
        char buffer[400];
        ASSERT_LE(c.bufferSize, sizeof buffer);
        std::memset(buffer, 'x', sizeof buffer);
        bool fits = FormatLinkPath(buffer, c.bufferSize, base.c_str(), c.folderName, linkName.c_str());
        EXPECT_EQ(c.fits, fits) << c.pathLength << " characters in " << c.bufferSize << " bytes";
        EXPECT_EQ(c.fits ? expected : std::string(), std::string(buffer)) << "a refused path leaves nothing";
    }
}

TEST(ShellTexts, FolderPathNeedsANameAndRoom) {
    char buffer[kShortcutPathBytes];
    EXPECT_TRUE(FormatShortcutFolderPath(buffer, sizeof buffer, "C:\\Programs", "Varnlet"));
    EXPECT_STREQ("C:\\Programs\\Varnlet", buffer);
    EXPECT_FALSE(FormatShortcutFolderPath(buffer, sizeof buffer, "C:\\Programs", ""));
    EXPECT_STREQ("", buffer);
    std::string longName(kShortcutPathBytes, 'f');
    EXPECT_FALSE(FormatShortcutFolderPath(buffer, sizeof buffer, "C:\\Programs", longName.c_str()));
    EXPECT_STREQ("", buffer);
}

TEST(ShellTexts, UninstallStringIsQuotedAndNeverCut) {
    char buffer[34];  // exactly the first quoted path and its terminator
    EXPECT_TRUE(FormatUninstallString(buffer, sizeof buffer, "C:\\Program Files\\V\\rtuninst.exe"));
    EXPECT_STREQ("\"C:\\Program Files\\V\\rtuninst.exe\"", buffer);
    EXPECT_FALSE(FormatUninstallString(buffer, sizeof buffer, "C:\\Program Files\\Va\\rtuninst.exe"));
    EXPECT_STREQ("", buffer);
    char quiet[37];  // the quoted path, " /S" and the terminator
    EXPECT_TRUE(FormatQuietUninstallString(quiet, sizeof quiet, "C:\\Program Files\\V\\rtuninst.exe"));
    EXPECT_STREQ("\"C:\\Program Files\\V\\rtuninst.exe\" /S", quiet);
    EXPECT_FALSE(FormatQuietUninstallString(quiet, sizeof quiet, "C:\\Program Files\\Va\\rtuninst.exe"));
}

TEST(ShellTexts, UninstallKeyPathNamesTheProduct) {
    char buffer[kPathBufferBytes];
    EXPECT_TRUE(FormatUninstallKeyPath(buffer, sizeof buffer, "Varnlet"));
    EXPECT_STREQ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnlet", buffer);
    std::string longest(kMaxProductNameLength, 'p');
    EXPECT_TRUE(FormatUninstallKeyPath(buffer, sizeof buffer, longest.c_str()));
}

TEST(ShellTexts, StartCommandQuotesTheProgramAndEndsWithTheArguments) {
    struct Case {
        const char* arguments;
        const char* expected;
    };
    const Case cases[] = {
        {"-tray -quiet", "\"C:\\My Data\\vrl32.exe\" -tray -quiet"},
        {"", "\"C:\\My Data\\vrl32.exe\" "},
    };
    for (const Case& c : cases) {
        char buffer[64];
        EXPECT_TRUE(FormatStartCommand(buffer, sizeof buffer, "C:\\My Data\\vrl32.exe", c.arguments));
        EXPECT_STREQ(c.expected, buffer);
    }
    char small[16];
    EXPECT_FALSE(FormatStartCommand(small, sizeof small, "C:\\My Data\\vrl32.exe", ""));
}

TEST(ShellTexts, EstimatedSizeRoundsUpToWholeKilobytes) {
    struct Case {
        uint32_t bytes;
        uint32_t kilobytes;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{1024, 1}, Case{1025, 2}, Case{2048, 2},
                          Case{0xFFFFFFFFu, 4194304}})
        EXPECT_EQ(c.kilobytes, EstimatedSizeKilobytes(c.bytes)) << c.bytes << " bytes";
}

TEST(ShellTexts, StartupLinkFallsBackToTheProductNameAndOmitsEmptyArguments) {
    ProductConfigRecord config = {};
    config.productName = "Varnlet";
    config.startupLinkName = "";
    config.startupArguments = "";
    EXPECT_STREQ("Varnlet", StartupLinkName(config));
    EXPECT_EQ(nullptr, StartupLinkArguments(config));
    config.startupLinkName = "Varnlet Tray";
    config.startupArguments = "-tray";
    EXPECT_STREQ("Varnlet Tray", StartupLinkName(config));
    EXPECT_STREQ("-tray", StartupLinkArguments(config));
}

}  // namespace
