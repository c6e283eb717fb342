// The unattended installer's command line, case by case.
#include <gtest/gtest.h>

#include <string>

#include "setup/command_line.h"

namespace {

struct Accepted {
    const char* commandTail;
    bool silent, passive;
    const char* dataFolder;
    const char* logPath;
};

TEST(InstallerArguments, AcceptedCommandLines) {
    const Accepted cases[] = {
        {"", false, false, "", ""},
        {"   ", false, false, "", ""},
        {"/S", true, false, "", ""},
        {"/s", true, false, "", ""},
        {"/passive", false, true, "", ""},
        {"/S /D=C:\\Deploy Target\\Prod", true, false, "C:\\Deploy Target\\Prod", ""},
        // Trailing blanks of the line are not part of the folder.
        {"/S /d=C:\\Deploy Target\\Prod  ", true, false, "C:\\Deploy Target\\Prod", ""},
        // /D= takes the rest of the line, switches included.
        {"/D=C:\\Prod /S", false, false, "C:\\Prod /S", ""},
        {"/LOG=C:\\logs\\a.log /PASSIVE", false, true, "", "C:\\logs\\a.log"},
        {"/log=\"C:\\my logs\\a.log\" /S /D=\\\\server\\share\\Prod", true, false, "\\\\server\\share\\Prod",
         "C:\\my logs\\a.log"},
        {"\t/S\t/LOG=relative.log", true, false, "", "relative.log"},
    };
    for (const Accepted& c : cases) {
        InstallerArguments arguments{};
        char problem[256];
        ASSERT_TRUE(ParseInstallerArguments(c.commandTail, &arguments, problem, sizeof problem))
            << c.commandTail << ": " << problem;
        EXPECT_EQ(c.silent, arguments.silent) << c.commandTail;
        EXPECT_EQ(c.passive, arguments.passive) << c.commandTail;
        EXPECT_STREQ(c.dataFolder, arguments.dataFolder) << c.commandTail;
        EXPECT_STREQ(c.logPath, arguments.logPath) << c.commandTail;
    }
}

TEST(InstallerArguments, RefusedCommandLines) {
    const std::string longFolder = "/D=C:\\" + std::string(kPathBufferBytes, 'x');
    const std::string longLog = "/LOG=" + std::string(kPathBufferBytes, 'x');
    const struct {
        std::string commandTail;
        const char* problemMentions;
    } cases[] = {
        {"/X", "\"/X\""},
        {"/S /Q", "\"/Q\""},
        {"/SILENT", "\"/SILENT\""},
        {"S", "\"S\""},
        {"/S /S", "only one"},
        {"/S /PASSIVE", "only one"},
        {"/D=", "needs a folder"},
        {"/D=   ", "needs a folder"},
        {"/D=Prod", "full path"},
        {"/D=C:Prod", "full path"},
        {"/D=\"C:\\Deploy Target\"", "full path"},
        {"/D=\\Prod", "full path"},
        {longFolder, "too long"},
        {"/LOG=", "needs a file name"},
        {"/LOG=\"C:\\a.log", "closing quote"},
        {"/LOG=\"C:\\a.log\"x", "follows the closing quote"},
        {"/LOG=a.log /LOG=b.log", "more than once"},
        {longLog, "too long"},
    };
    for (const auto& c : cases) {
        InstallerArguments arguments{};
        char problem[256];
        EXPECT_FALSE(ParseInstallerArguments(c.commandTail.c_str(), &arguments, problem, sizeof problem))
            << c.commandTail;
        EXPECT_NE(std::string::npos, std::string(problem).find(c.problemMentions))
            << c.commandTail << " gave: " << problem;
    }
}

TEST(InstallerArguments, NoWindowForACallerWhoAskedForNone) {
    EXPECT_TRUE(AsksForNoWindow("/X /s"));
    EXPECT_TRUE(AsksForNoWindow("/LOG=\"a b\" /Passive /Q"));
    EXPECT_FALSE(AsksForNoWindow("/X /SILENT"));
    EXPECT_FALSE(AsksForNoWindow("/D=C:\\x /S"));
    EXPECT_FALSE(AsksForNoWindow(""));
}

TEST(InstallerArguments, AbsoluteFolders) {
    EXPECT_TRUE(IsAbsoluteFolder("C:\\"));
    EXPECT_TRUE(IsAbsoluteFolder("d:/Data"));
    EXPECT_TRUE(IsAbsoluteFolder("\\\\server\\share"));
    EXPECT_FALSE(IsAbsoluteFolder("C:"));
    EXPECT_FALSE(IsAbsoluteFolder("C:Data"));
    EXPECT_FALSE(IsAbsoluteFolder("\\Data"));
    EXPECT_FALSE(IsAbsoluteFolder("\\\\\\x"));
    EXPECT_FALSE(IsAbsoluteFolder("1:\\Data"));
    EXPECT_FALSE(IsAbsoluteFolder(""));
}

}  // namespace
