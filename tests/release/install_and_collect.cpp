// Installs Varnlet with the given installer the way a person does and keeps
// copies of the two programs that the installation put on the machine, so
// that the release build test can check their signatures outside Wine.
//
// usage: install_and_collect.exe INSTALLER COLLECT_FOLDER
//
// Installs into C:\release\Varnlet (answering No to starting Varnlet), copies
// vrl32.exe and rtuninst.exe from there into COLLECT_FOLDER, and removes
// every trace of the installation again, before and after. Exit status 0
// when all of that went, 1 otherwise (the reason is printed).
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"

namespace {

constexpr char kProduct[] = "Varnlet";
constexpr e2e::ProductNames kNames = {kProduct, kProduct, "varnlet2.ini", ""};
constexpr char kParent[] = "C:\\release";
constexpr const char* kPrograms[] = {"vrl32.exe", "rtuninst.exe"};

int Failed(const std::string& reason) {
    std::printf("install_and_collect: %s\n", reason.c_str());
    return 1;
}

std::string RemoveTraces() { return e2e::RemoveProductTraces(kNames, {kParent}); }

int Install(e2e::UserDriver& user, const std::string& installer, const std::string& collectFolder) {
    if (!e2e::CreateFolders(kParent)) return Failed(std::string("cannot create ") + kParent);
    if (!user.Start(installer, "", "C:\\", {}) || !e2e::AnswerLicence(user, true, nullptr))
        return Failed(user.Failure());
    std::string parent, application;
    HWND dialog = e2e::WaitForFolderDialog(user, &parent, &application);
    if (!dialog || !e2e::ChooseFolder(user, dialog, kParent, kProduct)) return Failed(user.Failure());
    e2e::MessageBoxSeen box;
    if (!e2e::AnswerMessageBox(user, e2e::kClosingTitle, IDOK, e2e::kNextWindowMs, &box) ||
        !e2e::AnswerMessageBox(user, e2e::kSuccessTitle, IDNO, e2e::kAfterWaitMs, &box))
        return Failed(user.Failure());
    DWORD status = 1;
    if (!user.WaitForExit(e2e::kNextWindowMs, &status)) return Failed(user.Failure());
    if (status != 0) return Failed("the installer ended with status " + std::to_string(status));

    std::string dataFolder = e2e::JoinPath(kParent, kProduct);
    if (!e2e::CreateFolders(collectFolder)) return Failed("cannot create " + collectFolder);
    for (const char* program : kPrograms) {
        std::string bytes, installed = e2e::JoinPath(dataFolder, program);
        if (!e2e::ReadWholeFile(installed, &bytes)) return Failed(installed + " was not installed");
        std::string copy = e2e::JoinPath(collectFolder, program);
        if (!e2e::WriteWholeFile(copy, bytes)) return Failed("cannot write " + copy);
        std::printf("collected %s (%u bytes)\n", installed.c_str(), static_cast<unsigned>(bytes.size()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_and_collect.exe INSTALLER COLLECT_FOLDER\n");
        return 2;
    }
    std::string left = RemoveTraces();
    if (!left.empty()) return Failed("traces of an earlier run could not be removed: " + left);
    int result;
    {
        e2e::UserDriver user("", stdout);
        result = Install(user, argv[1], argv[2]);
    }  // ends an installer left running before its traces go
    left = RemoveTraces();
    if (!left.empty()) return Failed("the installation's traces could not be removed: " + left);
    return result;
}
