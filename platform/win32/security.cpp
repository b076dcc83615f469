#include "platform/security.h"

#include "platform/win32/win32.h"

namespace platform {

static HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
static PSID S(Sid* s) { return reinterpret_cast<PSID>(s); }
static PACL A(Acl* a) { return reinterpret_cast<PACL>(a); }
static PSECURITY_DESCRIPTOR D(SecurityDescriptor* d) { return reinterpret_cast<PSECURITY_DESCRIPTOR>(d); }

static_assert(kSecurityDescriptorMinLength == SECURITY_DESCRIPTOR_MIN_LENGTH);
static_assert(kAclHeaderSize == sizeof(ACL));
static_assert(kAccessAllowedAceSize == sizeof(ACCESS_ALLOWED_ACE));
static_assert(kPrivilegeSetSize == sizeof(PRIVILEGE_SET));

bool ImpersonateSelf(int level) {
    return ::ImpersonateSelf(static_cast<SECURITY_IMPERSONATION_LEVEL>(level)) != FALSE;
}
bool RevertToSelf() { return ::RevertToSelf() != FALSE; }

bool OpenThreadToken(Handle thread, Dword access, bool openAsSelf, Handle* token) {
    HANDLE t = nullptr;
    BOOL ok = ::OpenThreadToken(H(thread), access, openAsSelf, &t);
    *token = reinterpret_cast<Handle>(t);
    return ok != FALSE;
}

bool OpenProcessToken(Handle process, Dword access, Handle* token) {
    HANDLE t = nullptr;
    BOOL ok = ::OpenProcessToken(H(process), access, &t);
    *token = reinterpret_cast<Handle>(t);
    return ok != FALSE;
}

bool AllocateAndInitializeSid(const SidIdentifierAuthority* authority, uint8_t count,
                              Dword sub0, Dword sub1, Dword sub2, Dword sub3, Dword sub4,
                              Dword sub5, Dword sub6, Dword sub7, Sid** sid) {
    SID_IDENTIFIER_AUTHORITY a;
    for (int i = 0; i < 6; ++i) a.Value[i] = authority->value[i];
    PSID out = nullptr;
    BOOL ok = ::AllocateAndInitializeSid(&a, count, sub0, sub1, sub2, sub3, sub4, sub5, sub6,
                                         sub7, &out);
    *sid = reinterpret_cast<Sid*>(out);
    return ok != FALSE;
}

void FreeSid(Sid* sid) { ::FreeSid(S(sid)); }
Dword GetLengthSid(Sid* sid) { return ::GetLengthSid(S(sid)); }

bool InitializeAcl(Acl* acl, Dword length, Dword revision) {
    return ::InitializeAcl(A(acl), length, revision) != FALSE;
}
bool AddAccessAllowedAce(Acl* acl, Dword revision, Dword mask, Sid* sid) {
    return ::AddAccessAllowedAce(A(acl), revision, mask, S(sid)) != FALSE;
}

bool InitializeSecurityDescriptor(SecurityDescriptor* descriptor, Dword revision) {
    return ::InitializeSecurityDescriptor(D(descriptor), revision) != FALSE;
}
bool SetSecurityDescriptorDacl(SecurityDescriptor* descriptor, bool present, Acl* dacl,
                               bool defaulted) {
    return ::SetSecurityDescriptorDacl(D(descriptor), present, A(dacl), defaulted) != FALSE;
}
bool SetSecurityDescriptorOwner(SecurityDescriptor* descriptor, Sid* owner, bool defaulted) {
    return ::SetSecurityDescriptorOwner(D(descriptor), S(owner), defaulted) != FALSE;
}
bool SetSecurityDescriptorGroup(SecurityDescriptor* descriptor, Sid* group, bool defaulted) {
    return ::SetSecurityDescriptorGroup(D(descriptor), S(group), defaulted) != FALSE;
}
bool IsValidSecurityDescriptor(SecurityDescriptor* descriptor) {
    return ::IsValidSecurityDescriptor(D(descriptor)) != FALSE;
}

bool AccessCheck(SecurityDescriptor* descriptor, Handle token, Dword desiredAccess,
                 const GenericMapping* mapping, void* privilegeSet, Dword* privilegeSetLength,
                 Dword* grantedAccess, bool* accessStatus) {
    GENERIC_MAPPING m{mapping->genericRead, mapping->genericWrite, mapping->genericExecute,
                      mapping->genericAll};
    DWORD granted = 0;
    BOOL status = FALSE;
    BOOL ok = ::AccessCheck(D(descriptor), H(token), desiredAccess, &m,
                            static_cast<PPRIVILEGE_SET>(privilegeSet),
                            reinterpret_cast<DWORD*>(privilegeSetLength), &granted, &status);
    *grantedAccess = granted;
    *accessStatus = status != FALSE;
    return ok != FALSE;
}

}  // namespace platform
