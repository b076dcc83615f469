// Tokens, access lists and the access check behave alike on the simulated machine and
// on Windows (Wine). Wine's user is always an administrator; the other case is the
// simulated machine's alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/security.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

constexpr Dword kAccessRead = 1;
constexpr Dword kAccessWrite = 2;
constexpr Dword kErrNoImpersonationToken = 1309;
constexpr Dword kUntouched = 0xDEADBEEF;
constexpr SidIdentifierAuthority kWorldAuthority = {{0, 0, 0, 0, 0, 1}};

// A SID from its authority and sub-authorities, freed with the object.
class OwnedSid {
public:
    OwnedSid(const SidIdentifierAuthority& authority, std::initializer_list<Dword> subs) {
        Dword s[8] = {};
        std::copy(subs.begin(), subs.end(), s);
        ok_ = AllocateAndInitializeSid(&authority, static_cast<uint8_t>(subs.size()), s[0], s[1], s[2], s[3], s[4],
                                       s[5], s[6], s[7], &sid_);
    }
    OwnedSid(const OwnedSid&) = delete;
    OwnedSid& operator=(const OwnedSid&) = delete;
    ~OwnedSid() {
        if (sid_) FreeSid(sid_);
    }
    bool ok() const { return ok_ && sid_; }
    Sid* get() const { return sid_; }

private:
    Sid* sid_ = nullptr;
    bool ok_ = false;
};

// A security descriptor owned by `sid` whose access list allows `mask` to it alone.
class OneEntryDescriptor {
public:
    OneEntryDescriptor(Sid* sid, Dword mask) {
        Dword aclSize = kAclHeaderSize + kAccessAllowedAceSize + GetLengthSid(sid) - sizeof(Dword);
        acl_.resize((aclSize + 7) / 8);
        auto* acl = reinterpret_cast<Acl*>(acl_.data());
        ok_ = InitializeAcl(acl, aclSize, kAclRevision) && AddAccessAllowedAce(acl, kAclRevision, mask, sid) &&
              InitializeSecurityDescriptor(get(), kSecurityDescriptorRevision) &&
              SetSecurityDescriptorDacl(get(), true, acl, false) && SetSecurityDescriptorOwner(get(), sid, false) &&
              SetSecurityDescriptorGroup(get(), sid, false) && IsValidSecurityDescriptor(get());
    }
    bool ok() const { return ok_; }
    SecurityDescriptor* get() { return reinterpret_cast<SecurityDescriptor*>(bytes_); }

private:
    std::vector<uint64_t> acl_;  // 8-byte units keep the list aligned
    alignas(void*) unsigned char bytes_[kSecurityDescriptorMinLength] = {};
    bool ok_ = false;
};

struct CheckResult {
    bool called = false;
    Dword error = 0;
    Dword granted = 0;
    bool status = false;
};

CheckResult Check(OneEntryDescriptor& descriptor, Handle token, Dword desired) {
    const GenericMapping mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    alignas(8) unsigned char privileges[kPrivilegeSetSize] = {};
    Dword privilegesLength = sizeof privileges;
    CheckResult r;
    SetLastError(kUntouched);
    r.called = AccessCheck(descriptor.get(), token, desired, &mapping, privileges, &privilegesLength, &r.granted,
                           &r.status);
    r.error = GetLastError();
    return r;
}

// The thread impersonates its own process for the life of the object and holds the
// impersonation token.
class Impersonation {
public:
    Impersonation() {
        if (ImpersonateSelf(kSecurityImpersonation) &&
            !OpenThreadToken(GetCurrentThread(), kTokenQuery, true, &token_)) {
            token_ = nullptr;
        }
    }
    ~Impersonation() {
        if (token_) CloseHandle(token_);
        RevertToSelf();
    }
    Handle token() const { return token_; }

private:
    Handle token_ = nullptr;
};

TEST(SecurityTest, AdministratorsEntryGrantsAccessToAnAdministrator) {
    OwnedSid admins(kSecurityNtAuthority, {kSecurityBuiltinDomainRid, kDomainAliasRidAdmins});
    ASSERT_TRUE(admins.ok());
    EXPECT_EQ(16u, GetLengthSid(admins.get()));
    OneEntryDescriptor descriptor(admins.get(), kAccessRead | kAccessWrite);
    ASSERT_TRUE(descriptor.ok());
    Impersonation self;
    ASSERT_NE(nullptr, self.token());
    CheckResult r = Check(descriptor, self.token(), kAccessRead);
    EXPECT_TRUE(r.called) << r.error;
    EXPECT_TRUE(r.status);
    EXPECT_EQ(kAccessRead, r.granted);
}

TEST(SecurityTest, EveryoneEntryGrantsAccess) {
    OwnedSid everyone(kWorldAuthority, {0});
    ASSERT_TRUE(everyone.ok());
    EXPECT_EQ(12u, GetLengthSid(everyone.get()));
    OneEntryDescriptor descriptor(everyone.get(), kAccessRead);
    ASSERT_TRUE(descriptor.ok());
    Impersonation self;
    ASSERT_NE(nullptr, self.token());
    CheckResult r = Check(descriptor, self.token(), kAccessRead);
    EXPECT_TRUE(r.called) << r.error;
    EXPECT_TRUE(r.status);
    EXPECT_EQ(kAccessRead, r.granted);
}

TEST(SecurityTest, NonAdministratorIsDenied) {
    if (!testsupport::CanChangeMachine()) GTEST_SKIP() << "Wine's user is always an administrator";
    testsupport::ScopedMachineSetting user("admin", "0");
    OwnedSid admins(kSecurityNtAuthority, {kSecurityBuiltinDomainRid, kDomainAliasRidAdmins});
    ASSERT_TRUE(admins.ok());
    OneEntryDescriptor descriptor(admins.get(), kAccessRead | kAccessWrite);
    ASSERT_TRUE(descriptor.ok());
    Impersonation self;
    ASSERT_NE(nullptr, self.token());
    // The check itself succeeds; its answer is the denial.
    CheckResult r = Check(descriptor, self.token(), kAccessRead);
    EXPECT_TRUE(r.called) << r.error;
    EXPECT_FALSE(r.status);
    EXPECT_EQ(0u, r.granted);
    EXPECT_EQ(kErrAccessDenied, r.error);
}

TEST(SecurityTest, ProcessTokenCannotBeChecked) {
    OwnedSid admins(kSecurityNtAuthority, {kSecurityBuiltinDomainRid, kDomainAliasRidAdmins});
    ASSERT_TRUE(admins.ok());
    OneEntryDescriptor descriptor(admins.get(), kAccessRead);
    ASSERT_TRUE(descriptor.ok());
    Handle token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), kTokenDuplicate | kTokenQuery, &token));
    // The access check wants an impersonation token; the process has a primary one.
    CheckResult r = Check(descriptor, token, kAccessRead);
    EXPECT_FALSE(r.called);
    EXPECT_EQ(kErrNoImpersonationToken, r.error);
    EXPECT_FALSE(r.status);
    CloseHandle(token);
}

TEST(SecurityTest, ThreadHasNoTokenWithoutImpersonation) {
    Handle token = nullptr;
    SetLastError(kUntouched);
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), kTokenQuery, true, &token));
    EXPECT_EQ(kErrNoToken, GetLastError());
    // After an impersonation ends the thread is back to none.
    {
        Impersonation self;
        EXPECT_NE(nullptr, self.token());
    }
    SetLastError(kUntouched);
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), kTokenQuery, false, &token));
    EXPECT_EQ(kErrNoToken, GetLastError());
}

}  // namespace
