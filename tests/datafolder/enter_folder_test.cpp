// Entering and making folders through the run-time library under Wine:
// drive letters, mixed separators, one level only, a file in the way and a
// folder held open by another program.
#include <gtest/gtest.h>

#include <string>

#include "datafolder/path_ops.h"
#include "tests/datafolder/folder_test_support.h"

using namespace folder_test;

namespace {

const char kRoot[] = "C:\\vrl_enter_test";

class EnterFolderUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        RemoveTree(kRoot);
        ASSERT_TRUE(MakeFolder(kRoot));
        ASSERT_TRUE(MakeFolder(std::string(kRoot) + "\\existing"));
        ASSERT_TRUE(MakeFile(std::string(kRoot) + "\\file.txt"));
    }
    void TearDown() override {
        (void)SetCurrentDirectoryA("C:\\");
        RemoveTree(kRoot);
        RemoveTree("D:\\vrl_enter_test");
    }
};

TEST_F(EnterFolderUnderWine, Table) {
    struct Case {
        const char* path;
        int create;
        int result;
        const char* current;  // the current directory afterwards
        const char* made;     // a folder that must exist afterwards, or null
        const char* notMade;  // a folder that must not exist afterwards, or null
    };
    const Case cases[] = {
        {"C:\\vrl_enter_test\\existing", 0, 0, "C:\\vrl_enter_test\\existing", nullptr, nullptr},
        {"C:/vrl_enter_test//existing/", 0, 0, "C:\\vrl_enter_test\\existing", nullptr, nullptr},
        {"C:\\vrl_enter_test\\new", 0, -1, "C:\\", nullptr, "C:\\vrl_enter_test\\new"},
        {"C:\\vrl_enter_test\\new", 1, 0, "C:\\vrl_enter_test\\new", "C:\\vrl_enter_test\\new", nullptr},
        {"C:\\vrl_enter_test\\one\\two", 1, -1, "C:\\", nullptr, "C:\\vrl_enter_test\\one"},
        {"C:\\vrl_enter_test\\file.txt", 1, -1, "C:\\", nullptr, nullptr},
        {"C:\\vrl_enter_test\\file.txt\\sub", 1, -1, "C:\\", nullptr, "C:\\vrl_enter_test\\file.txt\\sub"},
        {"D:\\vrl_enter_test", 1, 0, "D:\\vrl_enter_test", "D:\\vrl_enter_test", nullptr},
        {"", 1, -1, "C:\\", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.path + "\" create " + std::to_string(c.create));
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        EXPECT_EQ(c.result, enterFolder(c.path, c.create));
        EXPECT_EQ(c.current, CurrentDirectory());
        if (c.made) {
            EXPECT_TRUE(FolderExists(c.made));
        }
        if (c.notMade) {
            EXPECT_FALSE(FolderExists(c.notMade));
        }
    }
}

TEST_F(EnterFolderUnderWine, FolderHeldOpenWithoutSharingCannotBeEntered) {
    std::string held = std::string(kRoot) + "\\existing";
    HANDLE holder =
        CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder) << GetLastError();
    EXPECT_TRUE(FolderExists(held));
    EXPECT_EQ(-1, enterFolder(held.c_str(), 1));
    EXPECT_EQ("C:\\", CurrentDirectory());
    CloseHandle(holder);
    EXPECT_EQ(0, enterFolder(held.c_str(), 0));
}

}  // namespace
