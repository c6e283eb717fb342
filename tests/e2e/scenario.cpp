#include "tests/e2e/scenario.h"

#include <shlobj.h>

#include <algorithm>

#include "tests/e2e/children/child_log_format.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"

namespace e2e {

namespace {

std::vector<std::string> FoldersToClean() {
    return {kScratchRoot, JoinPath(ShellFolder(CSIDL_PROGRAM_FILES), kProduct), JoinPath(kSmallDrive, kProduct)};
}

// Programs of earlier scenarios that may still run and hold files.
constexpr const char* kStartedPrograms[] = {"vrl32.exe", "vmain.exe"};

void EndStartedPrograms() {
    for (const char* program : kStartedPrograms)
        for (const ProcessSeen& process : ProcessesNamed(program)) EndProcess(process.id);
}

std::string Describe(const std::vector<std::string>& names) {
    std::string text = "{";
    for (const std::string& name : names) text += (text.size() > 1 ? ", " : "") + Quoted(name);
    return text + "}";
}

void ExpectLink(const std::string& linkPath, const std::string& target, const std::string& workingFolder,
                const std::string& description, const std::string& arguments, int showCommand) {
    SCOPED_TRACE("link " + linkPath);
    LinkSeen link = ReadLink(linkPath);
    ASSERT_TRUE(link.present) << "the link is missing";
    ASSERT_EQ("", link.error);
    EXPECT_EQ(target, link.target);
    EXPECT_EQ(workingFolder, link.workingFolder);
    EXPECT_EQ(description, link.description);
    EXPECT_EQ(arguments, link.arguments);
    EXPECT_EQ(target, link.iconPath);
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_EQ(showCommand, link.showCommand);
}

}  // namespace

std::string BuiltProgram(const char* unixPath) { return WindowsPathOf(unixPath); }

std::vector<PayloadFile> VarnletPayload() {
    std::string files = WindowsPathOf(VARNLET_FILES_DIR);
    return {
        {"vrl32.exe", WindowsPathOf(VRL32_EXE), "2004-09-09T14:15:38Z"},
        {"vrl32.exe.manifest", JoinPath(files, "vrl32.exe.manifest"), "2004-03-09T15:36:00Z"},
        {"manual.htm", JoinPath(files, "manual.htm"), "2004-09-09T13:49:39Z"},
        {"varnlet.jpg", JoinPath(files, "varnlet.jpg"), "2002-05-20T18:11:04Z"},
        {"sample1.jpg", JoinPath(files, "sample1.jpg"), "2004-02-20T20:24:50Z"},
        {"sample2.jpg", JoinPath(files, "sample2.jpg"), "2004-02-20T20:24:48Z"},
        {"rtuninst.exe", WindowsPathOf(RTUNINST_EXE), "2004-09-09T14:15:38Z"},
    };
}

std::vector<PayloadFile> RecorderPayload(const std::vector<const char*>& programNames, const char* time) {
    std::vector<PayloadFile> files;
    for (const char* name : programNames) files.push_back({name, WindowsPathOf(RECORDER_EXE), time});
    return files;
}

std::string VarnletLicence() {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(WindowsPathOf(VARNLET_LICENCE), &text)) << VARNLET_LICENCE;
    return text;
}

void Scenario::SetUp() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    outputFolder_ = JoinPath(testing_support::TestOutputFolder(),
                             std::string(test->test_suite_name()) + "." + test->name());
    ASSERT_TRUE(RemoveTree(outputFolder_)) << "stale output in " << outputFolder_;
    ASSERT_TRUE(CreateFolders(outputFolder_)) << outputFolder_;
    childLog_ = JoinPath(outputFolder_, "children.log");
    user_.reset(new UserDriver(outputFolder_, stdout));

    EndStartedPrograms();
    std::string left = RemoveProductTraces(kProductNames, FoldersToClean());
    ASSERT_EQ("", left) << "traces of an earlier run could not be removed";
}

void Scenario::TearDown() {
    // The driver ends an installer that a failed scenario left running.
    user_.reset();
    EndStartedPrograms();
    std::string left = RemoveProductTraces(kProductNames, FoldersToClean());
    EXPECT_EQ("", left) << "the scenario's traces could not be removed";
}

bool Scenario::StartInstaller(const std::string& installer, const std::string& arguments,
                              const std::vector<std::string>& environment) {
    std::vector<std::string> variables = environment;
    variables.push_back(std::string(kChildLogVariable) + "=" + childLog_);
    return user_->Start(installer, arguments, "C:\\", variables);
}

bool Scenario::StartAndChooseFolder(const std::string& installer, const std::string& parent,
                                    const std::string& application, const std::vector<std::string>& environment) {
    if (!StartInstaller(installer, "", environment) || !AnswerLicence(*user_, true, nullptr)) return false;
    std::string proposedParent, proposedApplication;
    HWND dialog = WaitForFolderDialog(*user_, &proposedParent, &proposedApplication);
    return dialog && ChooseFolder(*user_, dialog, parent, application);
}

bool Scenario::ExpectOlderVersionWarning() {
    return ExpectBox(kOlderVersionTitle, FormatText(kOlderVersionFormat, kProduct, kProduct), true, {IDOK}, IDOK);
}

std::string Scenario::BackgroundTitle() { return FormatText(kBackgroundTitleFormat, kProduct); }

bool Scenario::ExpectBox(const char* title, const std::string& text, bool warningIcon, const std::vector<int>& buttons,
                         int answer, int timeoutMs) {
    MessageBoxSeen seen;
    if (!user_->WaitForMessageBox(title, timeoutMs, &seen)) return false;
    EXPECT_EQ(Quoted(text), Quoted(seen.text)) << "text of message box " << Quoted(title);
    EXPECT_EQ(warningIcon, seen.hasIcon) << "icon of message box " << Quoted(title);
    EXPECT_EQ(buttons, seen.buttons) << "buttons of message box " << Quoted(title);
    return user_->Answer(seen, answer);
}

bool Scenario::ExpectEndsWithStatusZero(int timeoutMs) {
    DWORD status = 0xFFFFFFFF;
    if (!user_->WaitForExit(timeoutMs, &status)) return false;
    EXPECT_EQ(0u, status) << "exit status of the installer";
    return true;
}

RunningCopy::RunningCopy(const std::string& title, const std::string& logPath, bool ignoresClose)
    : title_(title), logPath_(logPath), ignoresClose_(ignoresClose) {}

RunningCopy::~RunningCopy() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        (void)TerminateProcess(process_.hProcess, 1);
        (void)WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool RunningCopy::Start(std::string* failure) {
    (void)RemoveTree(logPath_);
    std::string program = WindowsPathOf(PRODUCT_WINDOW_EXE);
    std::string commandLine = "\"" + program + "\" \"" + title_ + "\" \"" + logPath_ + "\"";
    if (ignoresClose_) commandLine += " --ignore-close";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
        *failure = "cannot start " + commandLine;
        return false;
    }
    if (!testing_support::WaitForWindow(process_.dwProcessId, title_.c_str(), nullptr, kNextWindowMs)) {
        *failure = "no window " + Quoted(title_) + " came\n" + testing_support::DescribeWindows(0);
        return false;
    }
    return true;
}

std::string RunningCopy::Log() const {
    std::string text;
    (void)ReadWholeFile(logPath_, &text);
    return text;
}

int RunningCopy::ExitStatus() const {
    DWORD status = 0;
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.hProcess, &status))
        return -1;
    return static_cast<int>(status);
}

bool RunningCopy::WaitForExit(int timeoutMs) const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

std::vector<std::string> LinkTargets(const char* mainExecutable) { return {mainExecutable, "rtuninst.exe"}; }

void ExpectPayloadInstalled(const std::string& folder, const std::vector<PayloadFile>& files,
                            const std::vector<std::string>& extraNames, const std::vector<std::string>& readSince) {
    std::vector<std::string> names = extraNames;
    for (const PayloadFile& file : files) {
        SCOPED_TRACE("installed file " + file.name);
        std::string path = JoinPath(folder, file.name);
        names.push_back(file.name);
        // Times first: reading the file may move its access time.
        long long accessed = 0, modified = 0;
        ASSERT_TRUE(FileTimes(path, &accessed, &modified)) << path << " is missing";
        long long stored = UnixTimeFromIso(file.time);
        EXPECT_EQ(stored, modified) << "modification time of " << path;
        if (std::find(readSince.begin(), readSince.end(), file.name) == readSince.end()) {
            EXPECT_EQ(stored, accessed) << "access time of " << path;
        }
        std::string installed, source;
        ASSERT_TRUE(ReadWholeFile(path, &installed)) << path;
        ASSERT_TRUE(ReadWholeFile(file.source, &source)) << file.source;
        ASSERT_EQ(source.size(), installed.size()) << "size of " << path;
        auto difference = std::mismatch(source.begin(), source.end(), installed.begin());
        EXPECT_TRUE(difference.first == source.end())
            << path << " differs from " << file.source << " at byte " << (difference.first - source.begin());
    }
    ExpectFolderHolds(folder, names);
}

void ExpectFolderHolds(const std::string& folder, std::vector<std::string> names, bool mayBeMissing) {
    if (!mayBeMissing) {
        EXPECT_TRUE(IsFolder(folder)) << folder << " is not a folder";
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> found = FolderEntries(folder);
    EXPECT_EQ(Describe(names), Describe(found)) << "contents of " << folder;
}

void ExpectStartMenuLinks(const std::string& dataFolder, const char* mainExecutable) {
    std::string menuFolder = JoinPath(ShellFolder(CSIDL_PROGRAMS), kProduct);
    ExpectFolderHolds(menuFolder, {std::string(kProduct) + ".lnk", "Uninstall.lnk"});
    ExpectLink(JoinPath(menuFolder, std::string(kProduct) + ".lnk"), JoinPath(dataFolder, mainExecutable),
               dataFolder, kProduct, "", SW_SHOWNORMAL);
    ExpectLink(JoinPath(menuFolder, "Uninstall.lnk"), JoinPath(dataFolder, "rtuninst.exe"), dataFolder, "Uninstall",
               "", SW_SHOWNORMAL);
}

void ExpectUninstallEntry(const std::string& dataFolder) {
    UninstallEntry entry = ReadUninstallEntry(kProduct);
    ASSERT_TRUE(entry.present) << "no uninstall key for " << kProduct;
    EXPECT_TRUE(entry.displayName.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), entry.displayName.type);
    EXPECT_EQ(kProduct, entry.displayName.text);
    EXPECT_EQ(sizeof kProduct, entry.displayName.size) << "DisplayName with its terminator";
    // Quoted, so that a data folder with blanks cannot make Windows run a
    // shorter path (C:\Program.exe) when the entry is used.
    std::string uninstaller = "\"" + JoinPath(dataFolder, "rtuninst.exe") + "\"";
    EXPECT_TRUE(entry.uninstallString.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), entry.uninstallString.type);
    EXPECT_EQ(uninstaller, entry.uninstallString.text);
    EXPECT_EQ(uninstaller.size() + 1, entry.uninstallString.size) << "UninstallString with its terminator";
}

void ExpectIniDataFolder(const std::string& dataFolder) {
    std::string value;
    bool present = ReadIniValue(kIniFile, kIniSection, kIniKey, &value);
    if (dataFolder.empty()) {
        EXPECT_FALSE(present) << "the ini file records the data folder " << Quoted(value);
    } else {
        EXPECT_TRUE(present) << "the ini file records no data folder";
        EXPECT_EQ(dataFolder, value) << "data folder in " << kIniFile;
    }
}

void ExpectRegistered(const std::string& dataFolder, const char* mainExecutable) {
    ExpectStartMenuLinks(dataFolder, mainExecutable);
    ExpectUninstallEntry(dataFolder);
    ExpectIniDataFolder(dataFolder);
}

void ExpectNothingRegistered() {
    EXPECT_FALSE(ReadUninstallEntry(kProduct).present) << "an uninstall key was written";
    std::string menuFolder = JoinPath(ShellFolder(CSIDL_PROGRAMS), kProduct);
    EXPECT_FALSE(PathExists(menuFolder)) << menuFolder << " was created";
    std::string startupLink = JoinPath(ShellFolder(CSIDL_STARTUP), std::string(kProduct) + ".lnk");
    EXPECT_FALSE(PathExists(startupLink)) << startupLink << " was created";
}

void ExpectNotRunning(const char* exeName) {
    std::vector<ProcessSeen> running = ProcessesNamed(exeName);
    EXPECT_TRUE(running.empty()) << exeName << " runs: " << (running.empty() ? "" : running.front().image);
}

void ExpectNoTraceOfTheProduct() {
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
    std::string proposed = JoinPath(ShellFolder(CSIDL_PROGRAM_FILES), kProduct);
    EXPECT_FALSE(PathExists(proposed)) << proposed << " was created";
    ExpectFolderHolds(kScratchRoot, {}, true);
    ExpectNotRunning("vrl32.exe");
}

}  // namespace e2e
