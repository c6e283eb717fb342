#include "setup/install_paths.h"

#include "common/bounded_format.h"

bool FormatInstallPaths(const char* dataFolder, const ProductConfigRecord& config, InstallPaths& paths) {
    paths.serviceExecutable[0] = '\0';
    paths.quotedServiceExecutable[0] = '\0';
    paths.companionInstaller[0] = '\0';
    paths.quotedCompanionInstaller[0] = '\0';
    bool fits =
        FormatBounded(paths.mainExecutable, sizeof paths.mainExecutable, "%s\\%s", dataFolder, config.mainExecutable) &&
        FormatBounded(paths.uninstaller, sizeof paths.uninstaller, "%s\\rtuninst.exe", dataFolder) &&
        FormatBounded(paths.startCommand, sizeof paths.startCommand, "\"%s\"", paths.mainExecutable);
    if (fits && config.serviceExecutable[0] != '\0') {
        fits = FormatBounded(paths.serviceExecutable, sizeof paths.serviceExecutable, "%s\\%s", dataFolder,
                      config.serviceExecutable) &&
               FormatBounded(paths.quotedServiceExecutable, sizeof paths.quotedServiceExecutable, "\"%s\"",
                      paths.serviceExecutable);
    }
    if (fits && config.installCompanion != 0) {
        fits = FormatBounded(paths.companionInstaller, sizeof paths.companionInstaller, "%s\\nsvcrun.exe", dataFolder) &&
               FormatBounded(paths.quotedCompanionInstaller, sizeof paths.quotedCompanionInstaller, "\"%s\"",
                      paths.companionInstaller);
    }
    return fits;
}
