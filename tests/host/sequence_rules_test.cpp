// The pure parts of the installation sequence: the root of the free-space
// check, the cluster arithmetic, the paths derived from the data folder, and
// the bounded formatting that all of them use.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "common/bounded_format.h"
#include "setup/free_space.h"
#include "setup/install_paths.h"

namespace {

TEST(FreeSpaceRootPath, DriveLetterUncAndCurrentDriveRoots) {
    struct Case {
        const char* folder;
        int currentDrive;
        const char* expected;
    };
    const Case cases[] = {
        {"D:\\Data\\Varnlet", 3, "D:\\"},
        {"d:/x", 3, "d:/"},
        {"C:", 3, "C:"},                       // cut after the third character, as it stands
        {"\\Varnlet", 3, "C:/"},               // no drive: the current drive, forward slash
        {"Varnlet", 4, "D:/"},
        {"", 1, "A:/"},
        {"\\\\server\\share\\Varnlet", 3, "\\\\server\\share\\"},
        {"\\\\server\\share", 3, "\\\\server\\share\\"},
        {"//server/share/x/y", 3, "//server/share\\"},
        {"\\\\server", 3, "C:/"},              // no share named: not a usable UNC root
        {"\\\\server\\", 3, "C:/"},
        {"\\\\\\share", 3, "C:/"},             // no server named
    };
    for (const Case& c : cases) {
        char root[64];
        ASSERT_TRUE(FreeSpaceRootPath(c.folder, c.currentDrive, root, sizeof root)) << c.folder;
        EXPECT_STREQ(c.expected, root) << "folder \"" << c.folder << "\"";
    }
}

TEST(FreeSpaceRootPath, ALongUncRootIsRefusedNotCut) {
    std::string folder = "\\\\server\\" + std::string(40, 's') + "\\Varnlet";
    char root[32];
    EXPECT_FALSE(FreeSpaceRootPath(folder.c_str(), 3, root, sizeof root));
    EXPECT_STREQ("", root);
}

TEST(HasEnoughSpace, ComparesWholeClustersIn32Bits) {
    struct Case {
        uint32_t requiredMegabytes;
        DriveSpace space;
        bool enough;
    };
    const Case cases[] = {
        {0, {8, 512, 0}, true},                  // nothing required
        {1, {8, 512, 256}, true},                // 1 MB = 256 clusters of 4 KB, exactly
        {1, {8, 512, 255}, false},
        {4095, {64, 512, 131040}, true},         // 4095 MB in 32 KB clusters, exactly
        {4095, {64, 512, 131039}, false},
        {3, {1, 4096, 500}, false},              // a 2 MB drive
        {1, {3, 1000, 349}, true},               // 1048576 / 3000 = 349.5: truncated to 349
        {1, {0, 512, 0}, true},                  // clusters of no size: cannot judge, passes
        {1, {8, 0, 0}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.enough, HasEnoughSpace(c.requiredMegabytes, c.space))
            << c.requiredMegabytes << " MB, " << c.space.sectorsPerCluster << "x" << c.space.bytesPerSector
            << " bytes a cluster, " << c.space.freeClusters << " free";
}

TEST(FreeMegabytes, CountsAbove4GBWithoutWrapping) {
    struct Case {
        DriveSpace space;
        int expected;
    };
    const Case cases[] = {
        {{8, 512, 256}, 1},
        {{8, 512, 255}, 0},
        {{1, 4096, 500}, 1},
        {{8, 512, 1048576}, 4096},               // 4 GB: wraps to 0 in 32 bits
        {{8, 512, 26214400}, 102400},            // 100 GB
        {{128, 4096, 0xFFFFFFFFu}, INT_MAX},     // beyond what %d can show
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, FreeMegabytes(c.space)) << c.space.freeClusters << " clusters";
}

ProductConfigRecord Config(const char* mainExecutable, const char* serviceExecutable, int installCompanion) {
    ProductConfigRecord config{};
    config.folderName = "Varnlet";
    config.productName = "Varnlet";
    config.iniFileName = "varnlet2.ini";
    config.startupQuestion = "";
    config.mainExecutable = mainExecutable;
    config.startupArguments = "";
    config.installCompanion = installCompanion;
    config.serviceExecutable = serviceExecutable;
    config.serviceName = "";
    config.startupLinkName = "";
    return config;
}

TEST(FormatInstallPaths, EveryPathAndCommandOfTheDataFolder) {
    InstallPaths paths;
    ASSERT_TRUE(FormatInstallPaths("C:\\Program Files\\Varnlet", Config("vrl32.exe", "vsvc.exe", 1), paths));
    EXPECT_STREQ("C:\\Program Files\\Varnlet\\vrl32.exe", paths.mainExecutable);
    EXPECT_STREQ("C:\\Program Files\\Varnlet\\rtuninst.exe", paths.uninstaller);
    EXPECT_STREQ("\"C:\\Program Files\\Varnlet\\vrl32.exe\"", paths.startCommand);
    EXPECT_STREQ("C:\\Program Files\\Varnlet\\vsvc.exe", paths.serviceExecutable);
    EXPECT_STREQ("\"C:\\Program Files\\Varnlet\\vsvc.exe\"", paths.quotedServiceExecutable);
    EXPECT_STREQ("C:\\Program Files\\Varnlet\\nsvcrun.exe", paths.companionInstaller);
    EXPECT_STREQ("\"C:\\Program Files\\Varnlet\\nsvcrun.exe\"", paths.quotedCompanionInstaller);

    ASSERT_TRUE(FormatInstallPaths("D:\\V", Config("vrl32.exe", "", 0), paths));
    EXPECT_STREQ("", paths.serviceExecutable);
    EXPECT_STREQ("", paths.companionInstaller);
}

TEST(FormatInstallPaths, AFolderTooLongForAnyDerivedPathIsRefused) {
    // The uninstaller is the longest path of a plain product: the folder and
    // "\rtuninst.exe" (13) must fit 1024 bytes with the terminator.
    struct Case {
        size_t folderLength;
        const char* serviceExecutable;
        int installCompanion;
        bool fits;
    };
    const Case cases[] = {
        {1010, "", 0, true},            // 1010 + 13 = 1023 characters
        {1011, "", 0, false},
        {1009, "", 1, true},            // "\nsvcrun.exe" (12) in quotes: 1023
        {1010, "", 1, false},           // the same folder fits when the companion is not installed
        {1000, "a-very-long-service-name.exe", 0, false},
        {900, "a-very-long-service-name.exe", 0, true},
    };
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.folderLength - 3, 'f');
        InstallPaths paths;
        EXPECT_EQ(c.fits, FormatInstallPaths(folder.c_str(), Config("vrl32.exe", c.serviceExecutable,
                                                                     c.installCompanion), paths))
            << "folder of " << c.folderLength << " characters, service \"" << c.serviceExecutable
            << "\", companion " << c.installCompanion;
    }
}

TEST(FormatBounded, ExactFitSucceedsOneMoreIsRefusedAndEmptied) {
    char buffer[6];
    EXPECT_TRUE(FormatBounded(buffer, sizeof buffer, "%s-%d", "ab", 12));
    EXPECT_STREQ("ab-12", buffer);
    EXPECT_FALSE(FormatBounded(buffer, sizeof buffer, "%s-%d", "ab", 123));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(FormatBounded(buffer, 0, "%s", ""));
}

}  // namespace
