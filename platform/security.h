#pragma once
// Tokens, security identifiers, access lists and the access check, as Win32 has them.
// The structures are opaque byte blocks in the platform's own binary layouts; the
// logic sizes them with the constants below.

#include "platform/types.h"

namespace platform {

struct Sid;
struct Acl;
struct SecurityDescriptor;

struct SidIdentifierAuthority {
    uint8_t value[6];
};
constexpr SidIdentifierAuthority kSecurityNtAuthority = {{0, 0, 0, 0, 0, 5}};
constexpr Dword kSecurityBuiltinDomainRid = 32;
constexpr Dword kDomainAliasRidAdmins = 544;

struct GenericMapping {
    Dword genericRead;
    Dword genericWrite;
    Dword genericExecute;
    Dword genericAll;
};

constexpr int kSecurityImpersonation = 2;
constexpr Dword kTokenQuery = 0x0008;
constexpr Dword kTokenDuplicate = 0x0002;
constexpr Dword kAclRevision = 2;
constexpr Dword kSecurityDescriptorRevision = 1;

// Sizes of the fixed parts: SECURITY_DESCRIPTOR (absolute), ACL header,
// ACCESS_ALLOWED_ACE without its SID beyond the first DWORD, PRIVILEGE_SET with one entry.
constexpr Dword kSecurityDescriptorMinLength = 4 + 4 * sizeof(void*) + (sizeof(void*) == 8 ? 4 : 0);
constexpr Dword kAclHeaderSize = 8;
constexpr Dword kAccessAllowedAceSize = 12;
constexpr Dword kPrivilegeSetSize = 20;

bool ImpersonateSelf(int level);
bool RevertToSelf();
bool OpenThreadToken(Handle thread, Dword access, bool openAsSelf, Handle* token);
bool OpenProcessToken(Handle process, Dword access, Handle* token);

bool AllocateAndInitializeSid(const SidIdentifierAuthority* authority, uint8_t count,
                              Dword sub0, Dword sub1, Dword sub2, Dword sub3, Dword sub4,
                              Dword sub5, Dword sub6, Dword sub7, Sid** sid);
void FreeSid(Sid* sid);
Dword GetLengthSid(Sid* sid);

bool InitializeAcl(Acl* acl, Dword length, Dword revision);
bool AddAccessAllowedAce(Acl* acl, Dword revision, Dword mask, Sid* sid);

bool InitializeSecurityDescriptor(SecurityDescriptor* descriptor, Dword revision);
bool SetSecurityDescriptorDacl(SecurityDescriptor* descriptor, bool present, Acl* dacl,
                               bool defaulted);
bool SetSecurityDescriptorOwner(SecurityDescriptor* descriptor, Sid* owner, bool defaulted);
bool SetSecurityDescriptorGroup(SecurityDescriptor* descriptor, Sid* group, bool defaulted);
bool IsValidSecurityDescriptor(SecurityDescriptor* descriptor);

bool AccessCheck(SecurityDescriptor* descriptor, Handle token, Dword desiredAccess,
                 const GenericMapping* mapping, void* privilegeSet, Dword* privilegeSetLength,
                 Dword* grantedAccess, bool* accessStatus);

}  // namespace platform
