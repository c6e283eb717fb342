// The pure rules of extraction: the system-folder marker, the in-use library
// rule, joining a system path without overflowing, and progress arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/payload_rules.h"

namespace {

TEST(SystemFolderMarker, OnlyTheExactUpperCasePrefixWithEitherSeparatorCounts) {
    struct Case {
        const char* name;
        bool marked;
    };
    const Case cases[] = {
        {"SYSTEM/a.dll", true},  {"SYSTEM\\a.dll", true}, {"SYSTEM/", true},
        {"system/a.dll", false}, {"System/a.dll", false}, {"SYSTEM", false},
        {"SYSTEMa.dll", false},  {"SYSTEM32/a.dll", false}, {"/SYSTEM/a.dll", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.marked, HasSystemFolderMarker(c.name)) << "name \"" << c.name << "\"";
}

TEST(LibraryPath, OnlyDllInUpperOrLowerCaseAnywhereInThePath) {
    struct Case {
        const char* path;
        bool library;
    };
    const Case cases[] = {
        {"helper.dll", true},      {"HELPER.DLL", true},         {"dll/readme.txt", true},
        {"C:\\DLLs\\x.txt", true}, {"helper.Dll", false},        {"helper.dLL", false},
        {"helper.exe", false},     {"d.l.l", false},             {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.library, IsLibraryPath(c.path)) << "path \"" << c.path << "\"";
}

TEST(JoinSystemPath, AddsOneBackslashUnlessTheFolderEndsInASeparator) {
    struct Case {
        const char* folder;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\windows\\system32", "SYSTEM/a.dll", "C:\\windows\\system32\\a.dll"},
        {"C:\\windows\\system32\\", "SYSTEM\\a.dll", "C:\\windows\\system32\\a.dll"},
        {"C:/sys/", "SYSTEM/sub/b.ocx", "C:/sys/sub/b.ocx"},
        {"C:\\", "SYSTEM/c", "C:\\c"},
    };
    for (const Case& c : cases) {
        char out[64];
        ASSERT_TRUE(JoinSystemPath(out, sizeof out, c.folder, c.name)) << c.folder << " + " << c.name;
        EXPECT_STREQ(c.expected, out);
    }
}

TEST(JoinSystemPath, AResultThatWouldNotFitIsRefusedNotCut) {
    const char* folder = "C:\\windows\\system32";  // 19 characters
    // "C:\windows\system32\abcd" is 24 characters: it needs 25 bytes.
    char exact[25];
    EXPECT_TRUE(JoinSystemPath(exact, sizeof exact, folder, "SYSTEM/abcd"));
    EXPECT_STREQ("C:\\windows\\system32\\abcd", exact);

    char tooSmall[24];
    std::memset(tooSmall, 'x', sizeof tooSmall);
    EXPECT_FALSE(JoinSystemPath(tooSmall, sizeof tooSmall, folder, "SYSTEM/abcd"));
    EXPECT_STREQ("", tooSmall);

    std::string longName = "SYSTEM/" + std::string(1100, 'n');
    char buffer[1024];
    EXPECT_FALSE(JoinSystemPath(buffer, sizeof buffer, folder, longName.c_str()));
    EXPECT_STREQ("", buffer);
}

TEST(ProgressPercent, WholePercentRemainderDroppedAndSafeForLargeCounts) {
    struct Case {
        int64_t done, total;
        int expected;
    };
    const Case cases[] = {
        {0, 26, 0},     {1, 26, 3},        {13, 26, 50},         {25, 26, 96},
        {26, 26, 100},  {2, 3, 66},        {0, 0, 100},          {5, -1, 100},
        // 100 * done would overflow 32 bits here.
        {30000000, 40000000, 75},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ProgressPercent(c.done, c.total)) << c.done << " of " << c.total;
}

}  // namespace

namespace {

TEST(KeptPath, TheFolderOfThePathThenTildeAndSixteenHexDigitsOrNothingWhenItDoesNotFit) {
    char out[64];
    ASSERT_TRUE(FormatKeptPath(out, sizeof out, "docs\\manual.htm", 5, 0x0123456789abcdefull));
    EXPECT_STREQ("docs\\~0123456789abcdef.kept", out);
    ASSERT_TRUE(FormatKeptPath(out, sizeof out, "vrl32.exe", 0, 1));
    EXPECT_STREQ("~0000000000000001.kept", out);
    char small[20];
    EXPECT_FALSE(FormatKeptPath(small, sizeof small, "docs\\manual.htm", 5, 1));
    EXPECT_STREQ("", small);
    EXPECT_FALSE(FormatKeptPath(out, sizeof out, "a.txt", 6, 1)) << "a folder part longer than the path";
}

TEST(FileTime, SecondsSince1970InHundredNanosecondStepsSince1601) {
    EXPECT_EQ(116444736000000000ull, FileTimeFromUnixSeconds(0));
    EXPECT_EQ(116444736000000000ull + 10000000ull * 1094713200, FileTimeFromUnixSeconds(1094713200));
    EXPECT_EQ(116444736000000000ull - 10000000ull, FileTimeFromUnixSeconds(-1));
}

TEST(AccessRefusal, TheErrorsTheRunTimeLibraryReportsAsAccessDenied) {
    for (unsigned long error : {5ul, 19ul, 32ul, 33ul, 36ul, 65ul, 167ul}) EXPECT_TRUE(IsAccessRefusal(error)) << error;
    for (unsigned long error : {0ul, 2ul, 3ul, 18ul, 37ul, 80ul, 112ul, 183ul}) EXPECT_FALSE(IsAccessRefusal(error)) << error;
}

}  // namespace
