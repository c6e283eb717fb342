// The uninstaller and its finishing copy never delete through a junction or
// symbolic link that someone planted in the data folder, and the copy
// deletes nothing but the uninstaller it was started for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/varnlet/varnlet_fixture.h"

using namespace varnlet_test;

namespace {

const char kOutside[] = "C:\\VarnletTests\\Outside";

class RtuninstLinksTest : public UninstallerTest {
protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        // What a link could point at: files and an empty folder under the
        // payload's names, which are not the product's.
        ASSERT_TRUE(CreateFolders(JoinPath(kOutside, "deep")));
        for (const char* name : {"guide.txt", "rtuninst.exe", "vrl32.exe", "victim.txt"})
            ASSERT_TRUE(WriteWholeFile(JoinPath(kOutside, name), "not the product's")) << name;
    }

    std::vector<std::string> OutsideEntries() const { return FolderEntries(kOutside); }
};

const std::vector<std::string> kOutsideEntries = {"deep", "guide.txt", "rtuninst.exe", "victim.txt", "vrl32.exe"};

}  // namespace

// A product whose payload has files in a sub-folder ("docs/guide.txt",
// "docs/deep/notes.txt"), with "docs" planted as a link to another folder:
// the uninstaller removes the rest, names the link once as left behind, and
// deletes nothing it points at, neither a file of a payload name nor an
// empty folder.
TEST_F(RtuninstLinksTest, TheUninstallerLeavesALinkInTheDataFolderAndNothingBehindItGoes) {
    const std::string folder = JoinPath(kTestRoot, "Nested");
    ASSERT_TRUE(CreateFolders(folder));
    ASSERT_TRUE(WriteWholeFile(JoinPath(folder, "nested.exe"), "the product's"));
    const std::string uninstaller = JoinPath(folder, "rtuninst.exe");
    ASSERT_TRUE(CopyFileA(WindowsPathOf(NESTED_RTUNINST_EXE).c_str(), uninstaller.c_str(), FALSE));
    const std::string link = JoinPath(folder, "docs");
    PlantLink(link, kOutside);

    ASSERT_TRUE(Start(uninstaller, "", folder, &uninstaller_));
    std::string question = AnswerBox(uninstaller_, "Uninstall VarnletNested", IDYES);
    EXPECT_TRUE(Contains(question, "Do you want to remove VarnletNested")) << question;
    std::string outcome = AnswerBox(uninstaller_, "Uninstall VarnletNested", IDOK);
    EXPECT_EQ(3u, WaitForExit(uninstaller_, kUninstallerTimeoutMs));

    EXPECT_TRUE(Contains(outcome, "VarnletNested was removed, except for the following")) << outcome;
    const std::string listed = link + " (a junction or symbolic link, which is not followed)";
    EXPECT_TRUE(Contains(outcome, listed)) << outcome;
    EXPECT_EQ(outcome.find(link), outcome.rfind(link)) << "the link is named once: " << outcome;
    EXPECT_EQ(kOutsideEntries, OutsideEntries()) << Listing(OutsideEntries());
    EXPECT_EQ("not the product's", ReadFileText(JoinPath(kOutside, "guide.txt")));
    // The product's own file went, the uninstaller through its copy.
    EXPECT_TRUE(WaitUntilGone(uninstaller, kUninstallerTimeoutMs));
    EXPECT_EQ(std::vector<std::string>{"docs"}, FolderEntries(folder)) << Listing(FolderEntries(folder));
}

namespace {

// Starts the uninstaller's finishing job as its copy is started, with a
// handle that is already signalled in place of the ended uninstaller.
bool StartFinisher(const std::string& exe, const std::string& uninstallerPath, Process* process) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE ended = CreateEventA(&inherit, TRUE, TRUE, nullptr);
    if (!ended) return false;
    std::string commandLine = "\"" + exe + "\" /finish " +
                              std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(ended))) +
                              " \"" + uninstallerPath + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    BOOL started = CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process->info);
    CloseHandle(ended);
    return started != 0;
}

}  // namespace

// The finishing copy deletes only the uninstaller's own file (a payload
// file of that name), and not when the file or its folder is a link.
TEST_F(RtuninstLinksTest, TheFinishingCopyDeletesNothingButTheUninstallerAndNothingThroughALink) {
    // The copy runs from a folder of its own, as it does when the
    // uninstaller starts it.
    const std::string copyFolder = JoinPath(kTestRoot, "Finisher");
    const std::string copy = JoinPath(copyFolder, "rtuninst.exe");
    ASSERT_TRUE(CreateFolders(copyFolder));
    ASSERT_TRUE(CopyFileA(RtuninstExe().c_str(), copy.c_str(), FALSE));
    const std::string linked = JoinPath(kTestRoot, "Linked");
    PlantLink(linked, kOutside);

    struct Case {
        const char* what;
        std::string path;
        DWORD status;
    };
    const Case cases[] = {
        {"a file of no payload name", JoinPath(kOutside, "victim.txt"), 4},
        {"a payload file that is not the uninstaller", JoinPath(kOutside, "vrl32.exe"), 4},
        {"the uninstaller's name in a folder that is a link", JoinPath(linked, "rtuninst.exe"), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Process finisher;
        ASSERT_TRUE(StartFinisher(copy, c.path, &finisher));
        if (c.status == 3) {
            std::string report = AnswerBox(finisher, "Uninstall Varnlet", IDOK);
            EXPECT_TRUE(Contains(report, c.path + " (a junction or symbolic link, which is not followed)")) << report;
        }
        EXPECT_EQ(c.status, WaitForExit(finisher, kUninstallerTimeoutMs));
        EndIfRunning(finisher);
        EXPECT_EQ(kOutsideEntries, OutsideEntries()) << Listing(OutsideEntries());
    }

    // The control: the uninstaller's own file in a plain folder goes.
    const std::string plain = JoinPath(kTestRoot, "Plain");
    ASSERT_TRUE(CreateFolders(plain));
    ASSERT_TRUE(WriteWholeFile(JoinPath(plain, "rtuninst.exe"), "the product's"));
    Process finisher;
    ASSERT_TRUE(StartFinisher(copy, JoinPath(plain, "rtuninst.exe"), &finisher));
    EXPECT_EQ(0u, WaitForExit(finisher, kUninstallerTimeoutMs));
    EXPECT_FALSE(PathExists(plain)) << Listing(FolderEntries(plain));
}
