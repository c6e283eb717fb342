// A product made from folder entries without times (tests/e2e/products/
// folders.json): one entry adds a whole tree at the top of the data folder,
// another the tree's docs/ folder again under "manual". Installed under Wine,
// every file below both folders is there with its bytes, and each carries its
// source file's own modification time, to the second, as access and
// modification time.
#include "tests/e2e/scenario.h"
#include "tests/support/test_files.h"

namespace e2e {
namespace {

constexpr char kParent[] = "C:\\e2e\\Folders";
constexpr char kDataFolder[] = "C:\\e2e\\Folders\\Varnlet";

class FolderEntries : public Scenario {};

// One installed file and the file of the tree it was made from.
struct TreeFile {
    const char* installed;  // below the data folder
    const char* source;     // below the tree
};

TEST_F(FolderEntries, EveryFileBelowTheFoldersIsInstalledWithItsOwnTime) {
    ASSERT_TRUE(CreateFolders(kParent));
    ASSERT_TRUE(StartAndChooseFolder(BuiltProgram(E2E_FOLDERS_SETUP), kParent, kProduct)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK))
        << user().Failure();
    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDNO,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    const std::string tree = WindowsPathOf(FOLDER_TREE_DIR);
    const TreeFile kFiles[] = {
        {"readme.txt", "readme.txt"},
        {"docs\\guide.txt", "docs\\guide.txt"},
        {"docs\\img\\plate.txt", "docs\\img\\plate.txt"},
        {"manual\\guide.txt", "docs\\guide.txt"},
        {"manual\\img\\plate.txt", "docs\\img\\plate.txt"},
    };
    for (const TreeFile& file : kFiles) {
        SCOPED_TRACE(file.installed);
        std::string installed = JoinPath(kDataFolder, file.installed), source = JoinPath(tree, file.source);
        long long accessed = 0, modified = 0, sourceAccessed = 0, sourceModified = 0;
        ASSERT_TRUE(FileTimes(installed, &accessed, &modified)) << installed << " is missing";
        ASSERT_TRUE(FileTimes(source, &sourceAccessed, &sourceModified)) << source;
        EXPECT_EQ(sourceModified, modified) << "modification time of " << installed;
        EXPECT_EQ(sourceModified, accessed) << "access time of " << installed;
        std::string installedBytes, sourceBytes;
        ASSERT_TRUE(ReadWholeFile(installed, &installedBytes)) << installed;
        ASSERT_TRUE(ReadWholeFile(source, &sourceBytes)) << source;
        EXPECT_TRUE(installedBytes == sourceBytes) << installed << " differs from " << source;
    }
    // Nothing else: the folders hold exactly these files (and the product's
    // program and uninstaller at the top).
    ExpectFolderHolds(kDataFolder, {"docs", "manual", "readme.txt", "rtuninst.exe", "vmain.exe"});
    ExpectFolderHolds(JoinPath(kDataFolder, "docs"), {"guide.txt", "img"});
    ExpectFolderHolds(JoinPath(kDataFolder, "docs\\img"), {"plate.txt"});
    ExpectFolderHolds(JoinPath(kDataFolder, "manual"), {"guide.txt", "img"});
    ExpectFolderHolds(JoinPath(kDataFolder, "manual\\img"), {"plate.txt"});
    ExpectStartMenuLinks(kDataFolder, "vmain.exe");
}

}  // namespace
}  // namespace e2e
