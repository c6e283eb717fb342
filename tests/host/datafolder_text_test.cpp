// The data folder's text operations: separator runs, trailing characters,
// proposals, the folder dialog's split and composition and folder
// comparisons, with buffers at their limits. Built for the host and, to run
// against msvcrt, for Wine (tests/datafolder).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/paths.h"
#include "datafolder/folder_text.h"
#include "datafolder/path_ops.h"

namespace {

struct Case {
    const char* input;
    const char* expected;
};

std::string Normalized(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    normalizeSeparators(buffer.data());
    return buffer.data();
}

}  // namespace

TEST(NormalizeSeparators, CollapsesRunsToOneBackslash) {
    const Case cases[] = {
        {"", ""},
        {"Varnlet", "Varnlet"},
        {"C:/Program Files//Varnlet/", "C:\\Program Files\\Varnlet\\"},
        {"C:\\Program Files\\\\Varnlet", "C:\\Program Files\\Varnlet"},
        {"C:\\/\\/Data/\\Varnlet", "C:\\Data\\Varnlet"},
        {"C:\\Data\\", "C:\\Data\\"},
        {"C:\\Data\\\\\\", "C:\\Data\\"},
        {"\\", "\\"},
        {"/", "\\"},
        {"\\Varnlet", "\\Varnlet"},
        {"a/b\\c", "a\\b\\c"},
        // Network paths keep their leading pair, whatever its spelling.
        {"\\\\server\\share\\Varnlet", "\\\\server\\share\\Varnlet"},
        {"//server/share//Varnlet", "\\\\server\\share\\Varnlet"},
        {"\\/server\\share", "\\\\server\\share"},
        {"\\\\\\server\\share", "\\\\server\\share"},
        {"\\\\", "\\\\"},
        {"x\\\\server", "x\\server"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Normalized(c.input)) << "input \"" << c.input << "\"";
}

TEST(NormalizeSeparators, PathAtTheBufferLimit) {
    // 1023 characters fill the 1024-byte data-folder buffer.
    std::string path = "C:";
    while (path.size() < 1023) path += "//a";
    path.resize(1023);
    char buffer[1024];
    std::memcpy(buffer, path.c_str(), 1024);
    normalizeSeparators(buffer);
    std::string expected = path;
    for (size_t at; (at = expected.find("//")) != std::string::npos;) expected.replace(at, 2, "\\");
    for (char& c : expected)
        if (c == '/') c = '\\';
    EXPECT_EQ(expected, std::string(buffer));
}

TEST(StripTrailingChar, RemovesOneCharacterAtMost) {
    struct StripCase {
        const char* input;
        char ch;
        const char* expected;
    };
    const StripCase cases[] = {
        {"", '\\', ""},         {"\\", '\\', ""},           {"C:\\", '\\', "C:"},
        {"C:\\\\", '\\', "C:\\"}, {"C:/", '\\', "C:/"},       {"C:/", '/', "C:"},
        {"C:\\Data", '\\', "C:\\Data"}, {"aaa", 'a', "aa"},
    };
    for (const StripCase& c : cases) {
        char buffer[32];
        std::strcpy(buffer, c.input);
        stripTrailingChar(buffer, c.ch);
        EXPECT_STREQ(c.expected, buffer) << "input \"" << c.input << "\" ch '" << c.ch << "'";
    }
}

TEST(ProgramFilesProposal, AppendsTheFolderNameOnce) {
    const Case cases[] = {
        {"C:\\Program Files", "C:\\Program Files\\Varnlet"},
        {"C:\\Program Files\\", "C:\\Program Files\\Varnlet"},
        {"C:\\Program Files/", "C:\\Program Files\\Varnlet"},
        {"C:\\", "C:\\Varnlet"},
        {"", "\\Varnlet"},
    };
    for (const Case& c : cases) {
        char out[1024];
        EXPECT_TRUE(formatProgramFilesProposal(c.input, "Varnlet", out, sizeof out)) << c.input;
        EXPECT_STREQ(c.expected, out) << "Program Files \"" << c.input << "\"";
    }
}

TEST(HomeProposal, DriveAndPathCombinations) {
    struct HomeCase {
        const char* drive;
        const char* path;
        const char* expected;
    };
    const HomeCase cases[] = {
        {"C:", "\\Documents and Settings\\kim", "C:\\Documents and Settings\\kim\\Varnlet"},
        {"C:", "\\", "C:\\Varnlet"},
        {"C:", "\\Users\\kim\\", "C:\\Users\\kim\\Varnlet"},
        {"C:\\", "\\Users\\kim", "C:\\Users\\kim\\Varnlet"},
        {"D:/", "/home/kim/", "D:/home/kim\\Varnlet"},
        {nullptr, "\\Users\\kim", "C:\\Users\\kim\\Varnlet"},
        {nullptr, nullptr, "C:\\Varnlet"},
        {"H:", nullptr, "H:\\Varnlet"},
        {"C:", "D:\\Home\\kim", "D:\\Home\\kim\\Varnlet"},
        {"C:", "D:", "D:\\Varnlet"},
        {"C:", "x", "C:x\\Varnlet"},
        {"", "", "\\Varnlet"},
    };
    for (const HomeCase& c : cases) {
        char out[1024];
        EXPECT_TRUE(formatHomeProposal(c.drive, c.path, "Varnlet", out, sizeof out));
        EXPECT_STREQ(c.expected, out) << "HOMEDRIVE " << (c.drive ? c.drive : "(none)") << " HOMEPATH "
                                      << (c.path ? c.path : "(none)");
    }
}

TEST(HomeProposal, RefusesWhatDoesNotFit) {
    // "C:" + home + "\Varnlet" is exactly 1023 characters: it fits; one more does not.
    std::string home(1023 - 2 - 8, 'h');
    char out[1024];
    ASSERT_TRUE(formatHomeProposal("C:", home.c_str(), "Varnlet", out, sizeof out));
    EXPECT_EQ(1023u, std::strlen(out));
    home += 'h';
    EXPECT_FALSE(formatHomeProposal("C:", home.c_str(), "Varnlet", out, sizeof out));
    EXPECT_STREQ("", out);
    std::string longDrive(2000, 'd');
    EXPECT_FALSE(formatHomeProposal(longDrive.c_str(), "\\x", "Varnlet", out, sizeof out));
    EXPECT_STREQ("", out);
    std::string longName(1100, 'n');
    EXPECT_FALSE(formatProgramFilesProposal("C:\\Program Files", longName.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST(SplitFolderText, ParentAndApplicationParts) {
    struct SplitCase {
        const char* path;
        const char* parent;
        const char* application;
    };
    const SplitCase cases[] = {
        {"C:\\Program Files\\Varnlet", "C:\\Program Files", "Varnlet"},
        {"Varnlet", "Varnlet", ""},
        {"", "", ""},
        {"C:\\", "C:", ""},
        {"\\Varnlet", "", "Varnlet"},
        {"D:\\Data\\Varnlet\\", "D:\\Data\\Varnlet", ""},
        // The last backslash wins over any slash; a slash only counts without one.
        {"C:/Data\\Var/nlet", "C:/Data", "Var/nlet"},
        {"C:/Data/Varnlet", "C:/Data", "Varnlet"},
        {"\\\\server\\share\\Varnlet", "\\\\server\\share", "Varnlet"},
    };
    for (const SplitCase& c : cases) {
        char parent[260];
        char application[260];
        EXPECT_TRUE(splitFolderText(c.path, parent, sizeof parent, application, sizeof application)) << c.path;
        EXPECT_STREQ(c.parent, parent) << "path \"" << c.path << "\"";
        EXPECT_STREQ(c.application, application) << "path \"" << c.path << "\"";
    }
}

TEST(SplitFolderText, PartsLongerThanTheFieldsAreCut) {
    char parent[260];
    char application[260];
    // 259 characters on each side fit exactly.
    std::string fits = std::string(259, 'p') + "\\" + std::string(259, 'a');
    EXPECT_TRUE(splitFolderText(fits.c_str(), parent, sizeof parent, application, sizeof application));
    EXPECT_EQ(std::string(259, 'p'), parent);
    EXPECT_EQ(std::string(259, 'a'), application);
    // A recorded path of 1023 characters: the parent is cut, the application
    // folder after the last separator is still whole.
    std::string stored = "C:\\" + std::string(1023 - 3 - 8, 'p') + "\\Varnlet";
    ASSERT_EQ(1023u, stored.size());
    EXPECT_FALSE(splitFolderText(stored.c_str(), parent, sizeof parent, application, sizeof application));
    EXPECT_EQ(stored.substr(0, 259), parent);
    EXPECT_STREQ("Varnlet", application);
    std::string noSeparator(600, 'x');
    EXPECT_FALSE(splitFolderText(noSeparator.c_str(), parent, sizeof parent, application, sizeof application));
    EXPECT_EQ(std::string(259, 'x'), parent);
    EXPECT_STREQ("", application);
}

TEST(ComposeFolderPath, JoinsWithOneBackslash) {
    struct ComposeCase {
        const char* parent;
        const char* application;
        const char* expected;
    };
    const ComposeCase cases[] = {
        {"C:\\Data", "Varnlet", "C:\\Data\\Varnlet"},
        {"C:/Data", "Varnlet", "C:\\Data\\Varnlet"},
        {"C:\\Data\\", "Varnlet", "C:\\Data\\Varnlet"},
        {"C:/Data/", "Varnlet", "C:\\Data\\Varnlet"},
        {"", "Varnlet", "\\Varnlet"},
        {"C:\\Data", "", "C:\\Data\\"},
        {"", "", "\\"},
        // The application folder is taken as typed; the choice normalises it.
        {"C:\\Data", "a//b", "C:\\Data\\a//b"},
        {"C://Data", "Varnlet", "C:\\\\Data\\Varnlet"},
    };
    for (const ComposeCase& c : cases) {
        char out[260];
        EXPECT_TRUE(composeFolderPath(c.parent, c.application, out, sizeof out));
        EXPECT_STREQ(c.expected, out) << "parent \"" << c.parent << "\" application \"" << c.application << "\"";
    }
}

TEST(ComposeFolderPath, RefusesAPathLongerThanTheBuffer) {
    char out[260];
    std::string parent(250, 'p');
    std::string application(8, 'a');  // 250 + 1 + 8 = 259 characters: fits
    EXPECT_TRUE(composeFolderPath(parent.c_str(), application.c_str(), out, sizeof out));
    EXPECT_EQ(259u, std::strlen(out));
    application += 'a';
    EXPECT_FALSE(composeFolderPath(parent.c_str(), application.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
    std::string fullParent(259, 'p');  // the separator no longer fits
    EXPECT_FALSE(composeFolderPath(fullParent.c_str(), "", out, sizeof out));
    std::string tooLongParent(300, 'p');
    EXPECT_FALSE(composeFolderPath(tooLongParent.c_str(), "x", out, sizeof out));
}

TEST(EndsWithFolderName, TailMatchIgnoringCase) {
    struct TailCase {
        const char* path;
        bool expected;
    };
    const TailCase cases[] = {
        {"D:\\Tools\\MyVARNLET", true}, {"C:\\Program Files\\Varnlet", true}, {"varnlet", true},
        {"D:\\Tools", false},           {"Varnle", false},                    {"D:\\Varnlet\\", false},
        {"", false},                    {"D:\\Varnlets", false},
    };
    for (const TailCase& c : cases)
        EXPECT_EQ(c.expected, endsWithFolderName(c.path, "Varnlet")) << "path \"" << c.path << "\"";
}

TEST(IsSameFolder, IgnoresCaseAndOneTrailingSeparator) {
    struct SameCase {
        const char* a;
        const char* b;
        bool expected;
    };
    const SameCase cases[] = {
        {"C:\\windows", "C:\\windows", true},   {"C:\\WINDOWS", "C:\\windows", true},
        {"c:\\Windows\\", "C:\\windows", true}, {"C:\\windows", "C:\\windows\\", true},
        {"C:\\windows\\", "C:\\WINDOWS\\", true}, {"C:\\windows\\\\", "C:\\windows", false},
        {"C:\\windows\\system32", "C:\\windows", false}, {"C:\\window", "C:\\windows", false},
        {"D:\\windows", "C:\\windows", false},  {"", "C:\\windows", false},
    };
    for (const SameCase& c : cases)
        EXPECT_EQ(c.expected, isSameFolder(c.a, c.b)) << "\"" << c.a << "\" vs \"" << c.b << "\"";
}

TEST(IsFolderOrInside, TheFolderAndEverythingBelowItOnly) {
    struct InsideCase {
        const char* path;
        bool expected;
    };
    const InsideCase cases[] = {
        {"C:\\windows", true},          {"C:\\WINDOWS", true},           {"c:\\Windows\\", true},
        {"C:\\windows\\Varnlet", true}, {"C:\\windows\\a\\b", true},     {"C:\\windowsX", false},
        {"C:\\window", false},          {"D:\\windows\\Varnlet", false}, {"", false},
    };
    for (const InsideCase& c : cases)
        EXPECT_EQ(c.expected, isFolderOrInside(c.path, "C:\\windows\\")) << "\"" << c.path << "\"";
}

TEST(FindBadComponentEnding, BlankOrDotAtTheEndOfAComponent) {
    const Case cases[] = {
        // input, the component found ("" when none is)
        {"C:\\Varnlet", ""},         {"C:\\x\\..\\..\\Windows", ""}, {".\\Varnlet\\.", ""},
        {"C:\\Data\\\\Varnlet\\", ""}, {"C:\\Varnlet ", "Varnlet "}, {"C:\\Varnlet.", "Varnlet."},
        {"C:\\sub. \\Varnlet", "sub. "}, {"C:/a /b", "a "},           {"C:\\...\\b", "..."},
        {" ", " "},                  {"C:\\ Leading", ""},
    };
    for (const Case& c : cases) {
        char component[16] = "unchanged";
        bool found = findBadComponentEnding(c.input, component, sizeof component);
        EXPECT_EQ(c.expected[0] != '\0', found) << "\"" << c.input << "\"";
        if (found) {
            EXPECT_STREQ(c.expected, component) << "\"" << c.input << "\"";
        }
    }
}

// Code page 932: "\x83\x5C" is one character (the katakana so) whose second
// byte is the value of "\\"; "\x83\x41" (a) has a second byte that is "A".
class JapanesePathText : public ::testing::Test {
protected:
    void SetUp() override { UsePathCodePage(932); }
    void TearDown() override { UsePathCodePage(1252); }
};

TEST_F(JapanesePathText, TrailBytesAreNeitherSeparatorsNorLetters) {
    const Case normalized[] = {
        {"C:\\\x83\x5C\\x", "C:\\\x83\x5C\\x"},
        {"C:\\\x83\x5C\\\\x", "C:\\\x83\x5C\\x"},
        {"C:/\x83\x5C/x", "C:\\\x83\x5C\\x"},
        {"C:\\\x83\x5C", "C:\\\x83\x5C"},
    };
    for (const Case& c : normalized) EXPECT_EQ(c.expected, Normalized(c.input)) << c.input;

    char path[] = "C:\\\x83\x5C";
    stripTrailingChar(path, '\\');
    EXPECT_STREQ("C:\\\x83\x5C", path);

    char parent[kFieldBytes];
    char application[kFieldBytes];
    EXPECT_TRUE(splitFolderText("C:\\Data\\\x83\x5C", parent, sizeof parent, application, sizeof application));
    EXPECT_STREQ("C:\\Data", parent);
    EXPECT_STREQ("\x83\x5C", application);

    char composed[kFieldBytes];
    EXPECT_TRUE(composeFolderPath("C:\\\x83\x5C", "x", composed, sizeof composed));
    EXPECT_STREQ("C:\\\x83\x5C\\x", composed);

    // The tail "\x41" of "\x83\x41" is no "A" of a folder name.
    EXPECT_FALSE(endsWithFolderName("C:\\\x83\x41", "A"));
    EXPECT_FALSE(isSameFolder("C:\\\x83\x5C", "C:\\\x83"));
    EXPECT_FALSE(isSameFolder("C:\\\x83\x41", "C:\\\x83\x61"));
    EXPECT_TRUE(isSameFolder("C:\\\x83\x41\\", "c:\\\x83\x41"));
    EXPECT_FALSE(isFolderOrInside("C:\\\x83\x5Cx", "C:\\\x83"));
    EXPECT_TRUE(isFolderOrInside("C:\\\x83\x5C\\x", "C:\\\x83\x5C"));
}
