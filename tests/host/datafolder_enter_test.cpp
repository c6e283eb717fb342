// Entering and making folders on the host's file system: one level only,
// and a failed attempt leaves the current directory alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "datafolder/path_ops.h"

class EnterFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, getcwd(saved_, sizeof saved_));
        char pattern[] = "/tmp/datafolder_test.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
    }
    void TearDown() override {
        ASSERT_EQ(0, chdir(saved_));
        std::string command = "rm -rf '" + root_ + "'";
        ASSERT_EQ(0, std::system(command.c_str()));
    }
    std::string Current() {
        char here[PATH_MAX];
        return getcwd(here, sizeof here) ? here : "";
    }
    char saved_[PATH_MAX];
    std::string root_;
};

TEST_F(EnterFolder, EntersMakesOneLevelOrFails) {
    std::string existing = root_;
    EXPECT_EQ(0, enterFolder(existing.c_str(), 0));
    EXPECT_EQ(root_, Current());

    std::string fresh = root_ + "/fresh";
    EXPECT_EQ(-1, enterFolder(fresh.c_str(), 0));
    EXPECT_NE(0, access(fresh.c_str(), F_OK)) << "made without create";
    EXPECT_EQ(0, enterFolder(fresh.c_str(), 1));
    EXPECT_EQ(fresh, Current());

    std::string deep = root_ + "/one/two";
    EXPECT_EQ(-1, enterFolder(deep.c_str(), 1));
    EXPECT_NE(0, access((root_ + "/one").c_str(), F_OK)) << "made more than one level";
    EXPECT_EQ(fresh, Current()) << "a failed attempt moved the current directory";

    EXPECT_EQ(-1, enterFolder("", 1));
}
