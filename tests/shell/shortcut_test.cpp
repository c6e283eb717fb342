// Shortcuts created through the real shell link object and read back the
// same way: where they land, what they hold, the folder notification, and
// the limits on their paths.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/shortcut.h"
#include "tests/shell/support/shell_test_support.h"

using shell_test::FileExists;
using shell_test::FolderExists;
using shell_test::LinkContents;
using shell_test::ReadLink;
using shell_test::SpecialFolder;

namespace {

constexpr char kFolder[] = "Varnlet Shell Shortcuts";
constexpr char kMissingParent[] = "Varnlet Shell Missing";
constexpr int kNotifyTimeoutMs = 10000;

struct ExpectedLink {
    std::string path;
    std::string target;
    std::string workingFolder;
    std::string description;
    std::string arguments;
    int showCommand;
};

void ExpectLink(const ExpectedLink& expected) {
    SCOPED_TRACE(expected.path);
    LinkContents link = ReadLink(expected.path);
    ASSERT_TRUE(link.loaded) << "the shell could not load the link";
    EXPECT_STREQ(expected.target.c_str(), link.target.c_str());
    EXPECT_STREQ(expected.workingFolder.c_str(), link.workingFolder.c_str());
    EXPECT_STREQ(expected.description.c_str(), link.description.c_str());
    EXPECT_STREQ(expected.arguments.c_str(), link.arguments.c_str());
    EXPECT_STREQ(expected.target.c_str(), link.iconPath.c_str());
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_EQ(expected.showCommand, link.showCommand);
}

void RemoveFolderWithLinks(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.lnk").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do (void)DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        (void)FindClose(search);
    }
    (void)RemoveDirectoryA(folder.c_str());
}

class ShortcutTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(data.ok()) << "the test data folder could not be prepared";
        ASSERT_FALSE(programs.empty());
        ASSERT_FALSE(startup.empty());
        RemoveAll();
        ASSERT_FALSE(FolderExists(programs + "\\" + kFolder));
    }
    void TearDown() override { RemoveAll(); }

    void RemoveAll() {
        RemoveFolderWithLinks(programs + "\\" + kFolder);
        (void)RemoveDirectoryA((programs + "\\" + kMissingParent + "\\Deeper").c_str());
        RemoveFolderWithLinks(programs + "\\" + kMissingParent);
        for (const char* name : {"Varnlet Shell Startup A", "Varnlet Shell Startup B", "Varnlet Shell Apartment"})
            (void)DeleteFileA((startup + "\\" + name + ".lnk").c_str());
    }

    shell_test::TestDataFolder data{"Shortcuts", "varnlet probe.exe"};
    std::string programs = SpecialFolder(CSIDL_PROGRAMS);
    std::string startup = SpecialFolder(CSIDL_STARTUP);
};

TEST_F(ShortcutTest, ProgramsSubfolderIsCreatedAndAnnouncedOnceThenReused) {
    shell_test::MkdirWatcher watcher(programs);
    ASSERT_TRUE(watcher.ok()) << "no change notification registration on " << programs;
    const std::string folder = programs + "\\" + kFolder;

    struct Round {
        const char* productArguments;
        std::vector<std::string> announced;
    };
    const Round rounds[] = {
        {nullptr, {folder}},  // the folder is new
        {"--again", {}},      // the folder exists; the links are replaced
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.productArguments ? "second round" : "first round");
        EXPECT_EQ(0, CreateShortcut(kFolder, "Varnlet Shell Product", data.Program().c_str(), data.path().c_str(),
                                    round.productArguments));
        EXPECT_EQ(0, CreateShortcut(kFolder, "Uninstall", data.Uninstaller().c_str(), data.path().c_str(), nullptr));
        EXPECT_TRUE(shell_test::ThreadHasNoComApartment()) << "COM was left initialised";

        bool complete = false;
        std::vector<std::string> announced = watcher.Collect(kNotifyTimeoutMs, &complete);
        ASSERT_TRUE(complete) << "the shell delivered no change notification at all";
        ASSERT_EQ(round.announced.size(), announced.size());
        for (size_t i = 0; i < announced.size(); ++i)
            EXPECT_EQ(0, _stricmp(round.announced[i].c_str(), announced[i].c_str())) << announced[i];

        ExpectLink({folder + "\\Varnlet Shell Product.lnk", data.Program(), data.path(), "Varnlet Shell Product",
                    round.productArguments ? round.productArguments : "", SW_SHOWNORMAL});
        ExpectLink({folder + "\\Uninstall.lnk", data.Uninstaller(), data.path(), "Uninstall", "", SW_SHOWNORMAL});
    }
}

TEST_F(ShortcutTest, OnlyOneMissingFolderLevelIsCreated) {
    std::string nested = std::string(kMissingParent) + "\\Deeper";
    EXPECT_EQ(-1, CreateShortcut(nested.c_str(), "Varnlet Shell Product", data.Program().c_str(),
                                 data.path().c_str(), nullptr));
    EXPECT_FALSE(FolderExists(programs + "\\" + kMissingParent));
    EXPECT_TRUE(shell_test::ThreadHasNoComApartment()) << "COM was left initialised";
}

TEST_F(ShortcutTest, StartupLinksLandInTheStartupFolderMinimised) {
    struct Case {
        const char* linkName;
        const char* arguments;
    };
    const Case cases[] = {
        {"Varnlet Shell Startup A", "-tray -quiet"},
        {"Varnlet Shell Startup B", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linkName);
        EXPECT_EQ(0, CreateShortcut(nullptr, c.linkName, data.Program().c_str(), data.path().c_str(), c.arguments));
        ExpectLink({startup + "\\" + c.linkName + ".lnk", data.Program(), data.path(), c.linkName,
                    c.arguments ? c.arguments : "", SW_SHOWMINNOACTIVE});
    }
    EXPECT_TRUE(shell_test::ThreadHasNoComApartment()) << "COM was left initialised";
}

TEST_F(ShortcutTest, LinkPathsUpTo259CharactersOnlyAndNothingWrittenBeyond) {
    const std::string folder = programs + "\\" + kFolder;
    // Everything but the link name: "<folder>\" and ".lnk".
    const size_t fixedLength = folder.size() + 1 + 4;
    ASSERT_LT(fixedLength + 10, 259u) << "the Programs folder path leaves no room: " << folder;
    struct Case {
        size_t pathLength;
        int result;
    };
    for (const Case& c : {Case{259, 0}, Case{260, -1}}) {
        SCOPED_TRACE("link path of " + std::to_string(c.pathLength) + " characters");
        RemoveFolderWithLinks(folder);
        std::string linkName(c.pathLength - fixedLength, 'v');
        std::string linkPath = folder + "\\" + linkName + ".lnk";
        ASSERT_EQ(c.pathLength, linkPath.size());
        EXPECT_EQ(c.result, CreateShortcut(kFolder, linkName.c_str(), data.Program().c_str(), data.path().c_str(),
                                           nullptr));
        EXPECT_EQ(c.result == 0, FileExists(linkPath));
        EXPECT_EQ(c.result == 0, FolderExists(folder)) << "a refused link must not leave its folder behind";
    }
}

TEST_F(ShortcutTest, FailedSaveReportsFailureAndReleasesCom) {
    // A name the file system refuses: the shell link object cannot save it.
    EXPECT_EQ(-1, CreateShortcut(kFolder, "Varnlet|Shell", data.Program().c_str(), data.path().c_str(), nullptr));
    EXPECT_FALSE(FileExists(programs + "\\" + kFolder + "\\Varnlet|Shell.lnk"));
    EXPECT_TRUE(shell_test::ThreadHasNoComApartment()) << "COM was left initialised on the failure path";
}

TEST_F(ShortcutTest, CallersMultithreadedApartmentSurvives) {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    int result = CreateShortcut(nullptr, "Varnlet Shell Apartment", data.Program().c_str(), data.path().c_str(),
                                nullptr);
    // Still in the caller's apartment: entering it again only counts up.
    HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_FALSE, again) << "the shortcut creation tore down the caller's COM apartment (result "
                              << result << ")";
    if (SUCCEEDED(again)) CoUninitialize();
    CoUninitialize();
}

}  // namespace
