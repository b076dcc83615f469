// Tokens and the access check on the simulated machine. SIDs, access lists and
// security descriptors are kept in the platform's own binary layouts, and the check
// really walks the access list against the token's groups: the machine's user is in
// Administrators, enabled, only when the machine says the user is an administrator.

#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/security.h"
#include "platform/sim/fail.h"
#include "platform/sim/handles.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"

namespace platform {

namespace sim {
namespace {

constexpr Dword kErrNoImpersonationToken = 1309;
constexpr Dword kErrInvalidSid = 1337;
constexpr Dword kErrInvalidAcl = 1336;
constexpr Dword kErrInvalidSecurityDescr = 1338;
constexpr Dword kErrAllottedSpaceExceeded = 1344;
constexpr Dword kErrGenericNotMapped = 1360;
constexpr Dword kErrUnknownRevision = 1305;

constexpr uint16_t kSeOwnerDefaulted = 0x1;
constexpr uint16_t kSeGroupDefaulted = 0x2;
constexpr uint16_t kSeDaclPresent = 0x4;
constexpr uint16_t kSeDaclDefaulted = 0x8;

constexpr uint8_t kAccessAllowedAceType = 0;
constexpr uint8_t kAccessDeniedAceType = 1;

struct AclHeader {
    uint8_t revision;
    uint8_t sbz1;
    uint16_t size;
    uint16_t aceCount;
    uint16_t sbz2;
};

struct AceHeader {
    uint8_t type;
    uint8_t flags;
    uint16_t size;
};

struct DescriptorLayout {
    uint8_t revision;
    uint8_t sbz1;
    uint16_t control;
    Sid* owner;
    Sid* group;
    Acl* sacl;
    Acl* dacl;
};
static_assert(sizeof(DescriptorLayout) == kSecurityDescriptorMinLength);

thread_local bool impersonating = false;

bool ValidSid(const uint8_t* sid) { return sid && sid[0] == 1 && sid[1] <= 15; }
size_t SidLength(const uint8_t* sid) { return 8 + 4 * static_cast<size_t>(sid[1]); }

std::vector<uint8_t> MakeSid(std::initializer_list<uint8_t> authority, std::initializer_list<uint32_t> subs) {
    std::vector<uint8_t> sid = {1, static_cast<uint8_t>(subs.size())};
    sid.insert(sid.end(), authority.begin(), authority.end());
    for (uint32_t sub : subs) {
        for (int i = 0; i < 4; ++i) sid.push_back(static_cast<uint8_t>(sub >> (8 * i)));
    }
    return sid;
}

// "S-1-5-21-a-b-c-d" as the binary form.
std::vector<uint8_t> ParseSid(const std::string& text) {
    std::vector<uint64_t> parts;
    size_t pos = 2;
    while (pos < text.size()) {
        size_t end = text.find('-', pos);
        if (end == std::string::npos) end = text.size();
        parts.push_back(std::stoull(text.substr(pos, end - pos)));
        pos = end + 1;
    }
    if (parts.size() < 2) return {};
    std::vector<uint8_t> sid = {static_cast<uint8_t>(parts[0]), static_cast<uint8_t>(parts.size() - 2)};
    for (int i = 5; i >= 0; --i) sid.push_back(static_cast<uint8_t>(parts[1] >> (8 * i)));
    for (size_t i = 2; i < parts.size(); ++i) {
        for (int b = 0; b < 4; ++b) sid.push_back(static_cast<uint8_t>(parts[i] >> (8 * b)));
    }
    return sid;
}

// The SIDs the token of the machine's user has enabled.
std::vector<std::vector<uint8_t>> EnabledSids() {
    const MachineSettings& s = Machine::Current().Settings();
    std::vector<std::vector<uint8_t>> sids;
    sids.push_back(ParseSid(ToHost(s.sid)));
    sids.push_back(MakeSid({0, 0, 0, 0, 0, 1}, {0}));         // Everyone
    sids.push_back(MakeSid({0, 0, 0, 0, 0, 5}, {11}));        // Authenticated Users
    sids.push_back(MakeSid({0, 0, 0, 0, 0, 5}, {4}));         // INTERACTIVE
    sids.push_back(MakeSid({0, 0, 0, 0, 0, 5}, {32, 545}));   // Users
    if (s.admin) sids.push_back(MakeSid({0, 0, 0, 0, 0, 5}, {32, 544}));  // Administrators
    return sids;
}

bool SidIn(const uint8_t* sid, const std::vector<std::vector<uint8_t>>& sids) {
    size_t n = SidLength(sid);
    for (const auto& s : sids) {
        if (s.size() == n && std::memcmp(s.data(), sid, n) == 0) return true;
    }
    return false;
}

bool ValidAcl(const Acl* acl) {
    auto* header = reinterpret_cast<const AclHeader*>(acl);
    if (header->revision != 2 && header->revision != 4) return false;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(acl);
    size_t offset = sizeof(AclHeader);
    for (uint16_t i = 0; i < header->aceCount; ++i) {
        if (offset + sizeof(AceHeader) > header->size) return false;
        auto* ace = reinterpret_cast<const AceHeader*>(base + offset);
        if (ace->size < sizeof(AceHeader) || offset + ace->size > header->size) return false;
        offset += ace->size;
    }
    return true;
}

}  // namespace
}  // namespace sim

using namespace sim;

bool ImpersonateSelf(int /*level*/) {
    impersonating = true;
    return true;
}

bool RevertToSelf() {
    impersonating = false;
    return true;
}

bool OpenThreadToken(Handle /*thread*/, Dword /*access*/, bool /*openAsSelf*/, Handle* token) {
    *token = nullptr;
    if (!impersonating) return Fail(kErrNoToken);
    *token = AddHandle(TokenObject{true});
    return true;
}

bool OpenProcessToken(Handle /*process*/, Dword /*access*/, Handle* token) {
    *token = AddHandle(TokenObject{false});
    return true;
}

bool AllocateAndInitializeSid(const SidIdentifierAuthority* authority, uint8_t count,
                              Dword sub0, Dword sub1, Dword sub2, Dword sub3, Dword sub4,
                              Dword sub5, Dword sub6, Dword sub7, Sid** sid) {
    *sid = nullptr;
    if (count == 0 || count > 8) return Fail(kErrInvalidSid);
    const Dword subs[8] = {sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7};
    auto* bytes = new uint8_t[8 + 4 * count];
    bytes[0] = 1;
    bytes[1] = count;
    std::memcpy(bytes + 2, authority->value, 6);
    for (uint8_t i = 0; i < count; ++i) std::memcpy(bytes + 8 + 4 * i, &subs[i], 4);
    *sid = reinterpret_cast<Sid*>(bytes);
    return true;
}

void FreeSid(Sid* sid) { delete[] reinterpret_cast<uint8_t*>(sid); }

Dword GetLengthSid(Sid* sid) { return static_cast<Dword>(SidLength(reinterpret_cast<uint8_t*>(sid))); }

bool InitializeAcl(Acl* acl, Dword length, Dword revision) {
    if (length < sizeof(AclHeader) || length > 0xFFFF) return Fail(kErrInsufficientBuffer);
    if (revision != 2 && revision != 4) return Fail(kErrUnknownRevision);
    AclHeader header{static_cast<uint8_t>(revision), 0, static_cast<uint16_t>(length & ~3u), 0, 0};
    std::memcpy(acl, &header, sizeof header);
    return true;
}

bool AddAccessAllowedAce(Acl* acl, Dword /*revision*/, Dword mask, Sid* sid) {
    auto* s = reinterpret_cast<uint8_t*>(sid);
    if (!ValidSid(s)) return Fail(kErrInvalidSid);
    if (!ValidAcl(acl)) return Fail(kErrInvalidAcl);
    auto* header = reinterpret_cast<AclHeader*>(acl);
    uint8_t* base = reinterpret_cast<uint8_t*>(acl);
    size_t offset = sizeof(AclHeader);
    for (uint16_t i = 0; i < header->aceCount; ++i) offset += reinterpret_cast<AceHeader*>(base + offset)->size;
    size_t aceSize = sizeof(AceHeader) + 4 + SidLength(s);
    if (offset + aceSize > header->size) return Fail(kErrAllottedSpaceExceeded);
    AceHeader ace{kAccessAllowedAceType, 0, static_cast<uint16_t>(aceSize)};
    std::memcpy(base + offset, &ace, sizeof ace);
    std::memcpy(base + offset + sizeof ace, &mask, 4);
    std::memcpy(base + offset + sizeof ace + 4, s, SidLength(s));
    ++header->aceCount;
    return true;
}

bool InitializeSecurityDescriptor(SecurityDescriptor* descriptor, Dword revision) {
    if (revision != kSecurityDescriptorRevision) return Fail(kErrUnknownRevision);
    DescriptorLayout layout{};
    layout.revision = 1;
    std::memcpy(descriptor, &layout, sizeof layout);
    return true;
}

bool SetSecurityDescriptorDacl(SecurityDescriptor* descriptor, bool present, Acl* dacl,
                               bool defaulted) {
    auto* d = reinterpret_cast<DescriptorLayout*>(descriptor);
    if (d->revision != 1) return Fail(kErrUnknownRevision);
    d->control &= static_cast<uint16_t>(~(kSeDaclPresent | kSeDaclDefaulted));
    if (present) {
        d->control |= kSeDaclPresent;
        if (defaulted) d->control |= kSeDaclDefaulted;
        d->dacl = dacl;
    } else {
        d->dacl = nullptr;
    }
    return true;
}

bool SetSecurityDescriptorOwner(SecurityDescriptor* descriptor, Sid* owner, bool defaulted) {
    auto* d = reinterpret_cast<DescriptorLayout*>(descriptor);
    if (d->revision != 1) return Fail(kErrUnknownRevision);
    d->owner = owner;
    d->control = static_cast<uint16_t>(defaulted ? d->control | kSeOwnerDefaulted : d->control & ~kSeOwnerDefaulted);
    return true;
}

bool SetSecurityDescriptorGroup(SecurityDescriptor* descriptor, Sid* group, bool defaulted) {
    auto* d = reinterpret_cast<DescriptorLayout*>(descriptor);
    if (d->revision != 1) return Fail(kErrUnknownRevision);
    d->group = group;
    d->control = static_cast<uint16_t>(defaulted ? d->control | kSeGroupDefaulted : d->control & ~kSeGroupDefaulted);
    return true;
}

bool IsValidSecurityDescriptor(SecurityDescriptor* descriptor) {
    auto* d = reinterpret_cast<DescriptorLayout*>(descriptor);
    if (d->revision != 1) return Fail(kErrInvalidSecurityDescr);
    if (d->owner && !ValidSid(reinterpret_cast<uint8_t*>(d->owner))) return Fail(kErrInvalidSecurityDescr);
    if (d->group && !ValidSid(reinterpret_cast<uint8_t*>(d->group))) return Fail(kErrInvalidSecurityDescr);
    if ((d->control & kSeDaclPresent) && d->dacl && !ValidAcl(d->dacl)) return Fail(kErrInvalidSecurityDescr);
    return true;
}

bool AccessCheck(SecurityDescriptor* descriptor, Handle token, Dword desiredAccess,
                 const GenericMapping* /*mapping*/, void* /*privilegeSet*/, Dword* privilegeSetLength,
                 Dword* grantedAccess, bool* accessStatus) {
    *grantedAccess = 0;
    *accessStatus = false;
    TokenObject* t = GetHandle<TokenObject>(token);
    if (!t) return Fail(kErrInvalidHandle);
    if (!t->impersonation) return Fail(kErrNoImpersonationToken);
    if (*privilegeSetLength < kPrivilegeSetSize) {
        *privilegeSetLength = kPrivilegeSetSize;
        return Fail(kErrInsufficientBuffer);
    }
    if (desiredAccess & 0xF0000000u) return Fail(kErrGenericNotMapped);
    if (!IsValidSecurityDescriptor(descriptor)) return false;
    auto* d = reinterpret_cast<DescriptorLayout*>(descriptor);
    if (!d->owner || !d->group) return Fail(kErrInvalidSecurityDescr);
    Dword granted = 0;
    Dword denied = 0;
    if (!(d->control & kSeDaclPresent) || !d->dacl) {
        granted = desiredAccess;
    } else {
        std::vector<std::vector<uint8_t>> sids = EnabledSids();
        auto* header = reinterpret_cast<AclHeader*>(d->dacl);
        uint8_t* base = reinterpret_cast<uint8_t*>(d->dacl);
        size_t offset = sizeof(AclHeader);
        for (uint16_t i = 0; i < header->aceCount; ++i) {
            auto* ace = reinterpret_cast<AceHeader*>(base + offset);
            Dword mask;
            std::memcpy(&mask, base + offset + sizeof(AceHeader), 4);
            const uint8_t* sid = base + offset + sizeof(AceHeader) + 4;
            if (SidIn(sid, sids)) {
                if (ace->type == kAccessAllowedAceType) granted |= mask & ~denied;
                if (ace->type == kAccessDeniedAceType) denied |= mask & ~granted;
            }
            offset += ace->size;
        }
    }
    if ((granted & desiredAccess) == desiredAccess && desiredAccess != 0) {
        *grantedAccess = desiredAccess;
        *accessStatus = true;
    } else {
        SetLastError(kErrAccessDenied);
    }
    return true;
}

}  // namespace platform
