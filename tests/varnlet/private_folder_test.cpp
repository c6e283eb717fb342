// The private folder of the uninstaller's copy: the descriptor an elevated
// run gives it, and how a run counts as elevated where the system has no
// elevation (Windows XP). Wine keeps no descriptor of a file (it shows one
// made from the Unix permissions, owned by the user), so the descriptor is
// read back as it is handed to CreateDirectory.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "common/scoped.h"
#include "varnlet/rtuninst/private_folder.h"

namespace {

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return "<none>";
    std::string result = text;
    LocalFree(text);
    return result;
}

}  // namespace

TEST(PrivateFolderTest, TheDescriptorIsOwnedByTheAdministratorsAndLetsNobodyElseIn) {
    ScopedLocalMemory descriptor;
    ASSERT_TRUE(varnlet::MakeAdministratorsOnlyDescriptor(&descriptor));
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted));
    EXPECT_EQ("S-1-5-32-544", SidText(owner)) << "owner Administrators";

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.Get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the parent folder";
    BOOL present = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.Get(), &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    std::string allowed;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        allowed += SidText(&ace->SidStart) + " ";
    }
    EXPECT_EQ("S-1-5-18 S-1-5-32-544 ", allowed) << "SYSTEM and Administrators only";
}

// Without elevation the decision rests on the token's groups: an enabled
// Administrators group counts, one a restricted token holds for denying
// only does not.
TEST(PrivateFolderTest, WithoutElevationAnAdministratorsTokenCountsAndARestrictedOneDoesNot) {
    HANDLE opened = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &opened));
    ScopedHandle own(opened);
    // Wine runs every program as an administrator.
    EXPECT_TRUE(varnlet::TokenHoldsAdministratorsOrSystem(nullptr));

    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(own.Get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted));
    ScopedHandle restrictedOwner(restricted);
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateToken(restricted, SecurityIdentification, &impersonation));
    ScopedHandle impersonationOwner(impersonation);
    EXPECT_FALSE(varnlet::TokenHoldsAdministratorsOrSystem(impersonation));

    HANDLE ownImpersonation = nullptr;
    ASSERT_TRUE(DuplicateToken(own.Get(), SecurityIdentification, &ownImpersonation));
    ScopedHandle ownImpersonationOwner(ownImpersonation);
    EXPECT_TRUE(varnlet::TokenHoldsAdministratorsOrSystem(ownImpersonation));
}
