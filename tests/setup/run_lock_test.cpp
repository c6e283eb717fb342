// The lock that keeps a second installer or uninstaller of a product from
// running: held by the first claim, refused to every further one until it is
// released, separate per product and per program, and usable whatever
// characters the product's name holds.
#include <gtest/gtest.h>
#include <sddl.h>

#include "common/run_lock.h"

namespace {

struct Claim {
    const char* role;
    const char* product;
};

// Products of their own: the other tests' installers of Varnlet may be
// running beside this one and hold Varnlet's lock.
TEST(RunLock, OneHolderPerProgramAndProduct) {
    const Claim kClaims[] = {
        {"installer", "Lock Test"},
        {"uninstaller", "Lock Test"},        // the uninstaller does not wait for the installer
        {"installer", "Lock Test Pro"},      // nor does another product
        {"installer", "Tools\\Lock Test"},   // a backslash may not stand in a mutex name
        {"installer", "Name/With:Marks"},
    };
    ScopedHandle held[sizeof kClaims / sizeof kClaims[0]];
    for (size_t i = 0; i < sizeof kClaims / sizeof kClaims[0]; ++i) {
        SCOPED_TRACE(std::string(kClaims[i].role) + " of " + kClaims[i].product);
        EXPECT_TRUE(ClaimRunLock(kClaims[i].role, kClaims[i].product, &held[i]));
        EXPECT_TRUE(held[i].Valid()) << "no mutex was made, so nothing would be kept out";
        ScopedHandle second;
        EXPECT_FALSE(ClaimRunLock(kClaims[i].role, kClaims[i].product, &second)) << "claimed twice";
        EXPECT_FALSE(second.Valid());
    }
    held[0].Close();
    ScopedHandle again;
    EXPECT_TRUE(ClaimRunLock(kClaims[0].role, kClaims[0].product, &again)) << "not free again after release";
}

// A run with other rights (an elevated installer seen from one that is not)
// holds a mutex that may not even be opened: held all the same.
TEST(RunLock, AMutexThatMayNotBeOpenedCountsAsHeld) {
    char name[MAX_PATH];
    ASSERT_TRUE(FormatRunLockName(name, sizeof name, "installer", "Locked Product"));
    ScopedLocalMemory descriptor;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P", SDDL_REVISION_1, descriptor.Receive(),
                                                                     nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
    ScopedHandle other(CreateMutexA(&attributes, FALSE, name));
    ASSERT_TRUE(other.Valid());
    ScopedHandle lock;
    EXPECT_FALSE(ClaimRunLock("installer", "Locked Product", &lock));
}

}  // namespace
