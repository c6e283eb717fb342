// The lock that keeps a second installation or removal of a product from
// running: held by the first claim, refused to every further one until it is
// released, one per product (the installer and the uninstaller share it),
// usable whatever the product's name holds and however long it is, kept by a
// child that inherited it, and never given to a run that finds its name
// taken or closed to it.
#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

#include "common/run_lock.h"

namespace {

bool SystemHasPrivateNamespaces() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel && GetProcAddress(kernel, "CreatePrivateNamespaceW") && GetProcAddress(kernel, "OpenPrivateNamespaceW");
}

// Products of their own: the other tests' installers of Varnlet may be
// running beside this one and hold Varnlet's lock.
TEST(RunLock, OneHolderPerProduct) {
    struct Case {
        std::string product;
        std::string refusedWhileHeld;  // another spelling of the same product
    };
    const Case kCases[] = {
        {"Lock Test", "LOCK TEST"},  // the registry folds the case of the uninstall key
        {"Lock Test Pro", "lock test pro"},
        {"Tools\\Lock Test", "tools\\lock test"},  // a backslash may not stand in a mutex name
        {"Name/With:Marks", "NAME/WITH:MARKS"},
        {std::string(320, 'L') + " Long Product", std::string(320, 'l') + " long product"},
    };
    RunLock held[sizeof kCases / sizeof kCases[0]];
    for (size_t i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
        SCOPED_TRACE(kCases[i].product.substr(0, 40));
        EXPECT_TRUE(ClaimRunLock(kCases[i].product.c_str(), &held[i]));
        EXPECT_TRUE(held[i].Held()) << "no lock was made, so nothing would be kept out";
        RunLock second;
        EXPECT_FALSE(ClaimRunLock(kCases[i].product.c_str(), &second)) << "claimed twice";
        EXPECT_FALSE(second.Held());
        EXPECT_FALSE(ClaimRunLock(kCases[i].refusedWhileHeld.c_str(), &second)) << "claimed in another case";
    }
    held[0].Release();
    RunLock again;
    EXPECT_TRUE(ClaimRunLock(kCases[0].product.c_str(), &again)) << "not free again after release";
}

// Another run holds the lock and no window of it is found: the caller is
// told so, and holds nothing.
TEST(RunLock, TheOutcomeSaysWhetherAWindowWasRaised) {
    RunLock first;
    ASSERT_EQ(RunLockOutcome::kClaimed,
              ClaimRunLockOrRaise("Outcome Test", [](const char*) { return false; }, &first));
    RunLock second;
    EXPECT_EQ(RunLockOutcome::kHeldWithWindow,
              ClaimRunLockOrRaise("Outcome Test", [](const char*) { return true; }, &second));
    EXPECT_EQ(RunLockOutcome::kHeldNoWindow,
              ClaimRunLockOrRaise("Outcome Test", [](const char*) { return false; }, &second));
    EXPECT_FALSE(second.Held());
}

// The uninstaller's finishing copy is started with the uninstaller's
// inheritable handles: it holds the lock after the uninstaller has ended.
TEST(RunLock, AChildThatInheritedTheLockHoldsItUntilItEnds) {
    RunLock lock;
    ASSERT_TRUE(ClaimRunLock("Inherited Lock", &lock));
    ASSERT_TRUE(lock.HandDownToChildren());
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_TRUE(length > 0 && length < sizeof program);
    std::string commandLine = std::string("\"") + program + "\" --gtest_list_tests";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    // Handles are inherited when the process is made; it need never run.
    ASSERT_TRUE(CreateProcessA(program, &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &child))
        << "error " << GetLastError();
    lock.Release();
    RunLock other;
    EXPECT_FALSE(ClaimRunLock("Inherited Lock", &other)) << "the child did not keep the lock";
    (void)TerminateProcess(child.hProcess, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 10000));
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_TRUE(ClaimRunLock("Inherited Lock", &other)) << "not free after the child ended";
}

// The name the lock takes where the system has no private namespaces, made
// first by someone else. Where the system has them, the claim does not look
// at that name at all; elsewhere the name is taken, and whether the other
// mutex may be opened or not, the run does not go on.
TEST(RunLock, ANameTakenFirstIsNeverSharedOrIgnoredWithoutNamespaces) {
    char name[MAX_PATH];
    ASSERT_TRUE(FormatRunLockName(name, sizeof name, "Squatted Product"));
    std::string globalName = std::string("Global\\") + name;
    const char* const kDescriptors[] = {"D:P", "D:(A;;GA;;;WD)"};  // closed to us; open to everyone
    for (const char* descriptorText : kDescriptors) {
        SCOPED_TRACE(descriptorText);
        ScopedLocalMemory descriptor;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptorText, SDDL_REVISION_1,
                                                                         descriptor.Receive(), nullptr));
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
        ScopedHandle other(CreateMutexA(&attributes, FALSE, globalName.c_str()));
        ASSERT_TRUE(other.Valid());
        RunLock lock;
        EXPECT_EQ(SystemHasPrivateNamespaces(), ClaimRunLock("Squatted Product", &lock));
        EXPECT_EQ(SystemHasPrivateNamespaces(), lock.Held());
    }
}

// Another kind of object under the lock's name keeps the run out too.
TEST(RunLock, AnotherObjectUnderTheNameCountsAsHeld) {
    if (SystemHasPrivateNamespaces()) GTEST_SKIP() << "the lock is in the private namespace here";
    char name[MAX_PATH];
    ASSERT_TRUE(FormatRunLockName(name, sizeof name, "Event Product"));
    ScopedHandle event(CreateEventA(nullptr, TRUE, FALSE, (std::string("Global\\") + name).c_str()));
    ASSERT_TRUE(event.Valid());
    RunLock lock;
    EXPECT_FALSE(ClaimRunLock("Event Product", &lock));
}

}  // namespace
