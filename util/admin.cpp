#include "util/admin.h"

#include <vector>

#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/security.h"

namespace {

// Releases what the check holds on every path: the impersonation, the token and the SID.
struct CheckResources {
    platform::Handle token = nullptr;
    platform::Sid* admins = nullptr;
    ~CheckResources() {
        if (token) platform::CloseHandle(token);
        if (admins) platform::FreeSid(admins);
        platform::RevertToSelf();
    }
};

constexpr platform::Dword kAccessRead = 1;
constexpr platform::Dword kAccessWrite = 2;

}  // namespace

bool IsAdministrator() {
    CheckResources held;
    platform::ImpersonateSelf(platform::kSecurityImpersonation);
    if (!platform::OpenThreadToken(platform::GetCurrentThread(), platform::kTokenQuery, true, &held.token)) {
        held.token = nullptr;
        if (platform::GetLastError() != platform::kErrNoToken) return false;
        if (!platform::OpenProcessToken(platform::GetCurrentProcess(),
                                        platform::kTokenDuplicate | platform::kTokenQuery, &held.token)) {
            held.token = nullptr;
            return false;
        }
    }
    if (!platform::AllocateAndInitializeSid(&platform::kSecurityNtAuthority, 2,
                                            platform::kSecurityBuiltinDomainRid,
                                            platform::kDomainAliasRidAdmins, 0, 0, 0, 0, 0, 0,
                                            &held.admins)) {
        held.admins = nullptr;
        return false;
    }
    platform::Dword aclSize = platform::kAclHeaderSize + platform::kAccessAllowedAceSize +
                              platform::GetLengthSid(held.admins) - sizeof(platform::Dword);
    std::vector<unsigned char> aclBytes(aclSize);
    auto* acl = reinterpret_cast<platform::Acl*>(aclBytes.data());
    alignas(void*) unsigned char descriptorBytes[platform::kSecurityDescriptorMinLength] = {};
    auto* descriptor = reinterpret_cast<platform::SecurityDescriptor*>(descriptorBytes);
    if (!platform::InitializeAcl(acl, aclSize, platform::kAclRevision) ||
        !platform::AddAccessAllowedAce(acl, platform::kAclRevision, kAccessRead | kAccessWrite, held.admins) ||
        !platform::InitializeSecurityDescriptor(descriptor, platform::kSecurityDescriptorRevision) ||
        !platform::SetSecurityDescriptorDacl(descriptor, true, acl, false) ||
        !platform::SetSecurityDescriptorGroup(descriptor, held.admins, false) ||
        !platform::SetSecurityDescriptorOwner(descriptor, held.admins, false) ||
        !platform::IsValidSecurityDescriptor(descriptor)) {
        return false;
    }
    const platform::GenericMapping mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    alignas(8) unsigned char privileges[platform::kPrivilegeSetSize] = {};
    platform::Dword privilegesLength = sizeof privileges;
    platform::Dword granted = 0;
    bool status = false;
    if (!platform::AccessCheck(descriptor, held.token, kAccessRead, &mapping, privileges,
                               &privilegesLength, &granted, &status)) {
        return false;
    }
    return status;
}
