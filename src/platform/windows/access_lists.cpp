#include "platform/windows/access_lists.h"

#include <initializer_list>

namespace platform {
namespace windows {
namespace {

// What a file made from another is never given: the right to run it (as a
// copy on POSIX systems gets no execute bit; under wine the right becomes
// one).
constexpr ACCESS_MASK kNeverGranted = FILE_EXECUTE;

// What the generic rights of an entry come to for a file.
GENERIC_MAPPING fileRightsMapping() {
    return {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
}

// The user running the tool, as its access token names it; null when that
// cannot be asked (then no list is made that would need it).
PSID runningUser() {
    static std::vector<std::uint8_t> user = [] {
        std::vector<std::uint8_t> info;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return info;
        DWORD needed = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
        info.resize(needed);
        if (needed == 0 || !GetTokenInformation(token, TokenUser, info.data(), needed, &needed)) info.clear();
        CloseHandle(token);
        return info;
    }();
    return user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
}

// Whether `sid` stands for every user of the machine.
bool isEveryUser(PSID sid) {
    return IsWellKnownSid(sid, WinWorldSid) || IsWellKnownSid(sid, WinAuthenticatedUserSid) ||
           IsWellKnownSid(sid, WinBuiltinUsersSid);
}

// The rights an entry gives or takes, and whom; false for an entry of
// another kind (object and callback entries name no plain user).
bool plainEntry(void* ace, ACCESS_MASK& rights, PSID& sid) {
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) return false;
    // Both kinds are laid out alike: header, rights, then the user.
    auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    rights = entry->Mask;
    GENERIC_MAPPING mapping = fileRightsMapping();
    MapGenericMask(&rights, &mapping);
    sid = &entry->SidStart;
    return true;
}

// Whether a file with the list `acl` may be read by every user: one entry
// lets all of them read it, and none keeps anyone from reading. An entry
// for folders' children only (inherit-only) says nothing of the file; one of
// a kind not read here might keep someone out.
bool listLetsAllRead(ACL* acl) {
    bool allowed = false;
    for (DWORD index = 0; index < acl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(acl, index, &ace)) return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        ACCESS_MASK rights = 0;
        PSID sid = nullptr;
        if (!plainEntry(ace, rights, sid)) return false;
        if ((rights & FILE_READ_DATA) == 0) continue;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) return false;
        if (isEveryUser(sid)) allowed = true;
    }
    return allowed;
}

// A self-relative descriptor that holds `acl` as its list, protected from
// its folder's inheritable entries where `isProtected`.
AccessList descriptorWith(ACL* acl, bool isProtected) {
    SECURITY_DESCRIPTOR absolute;
    AccessList result;
    if (!InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&absolute, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&absolute, SE_DACL_PROTECTED, isProtected ? SE_DACL_PROTECTED : 0)) {
        return result;
    }
    DWORD size = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &size);
    result.resize(size);
    if (size == 0 || !MakeSelfRelativeSD(&absolute, result.data(), &size)) result.clear();
    return result;
}

// The room a list needs for `entries` more entries that allow `sid`.
DWORD roomForAllowing(PSID sid, DWORD entries) {
    return entries * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid));
}

}  // namespace

bool readableByAll(HANDLE file) {
    DWORD needed = 0;
    GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<std::uint8_t> descriptor(needed);
    if (needed == 0 || !GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) {
        return false;
    }
    BOOL present = FALSE, defaulted = FALSE;
    ACL* acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted)) return false;
    // No list at all lets everyone do anything.
    return !present || acl == nullptr || listLetsAllRead(acl);
}

AccessList privateAccess() {
    PSID user = runningUser();
    BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system, administratorsSize = sizeof administrators;
    if (user == nullptr || !CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize)) {
        return AccessList();
    }
    std::vector<std::uint8_t> room(sizeof(ACL) + roomForAllowing(user, 1) + roomForAllowing(system, 1) +
                                   roomForAllowing(administrators, 1));
    ACL* acl = reinterpret_cast<ACL*>(room.data());
    if (!InitializeAcl(acl, static_cast<DWORD>(room.size()), ACL_REVISION)) return AccessList();
    for (PSID sid : {user, static_cast<PSID>(system), static_cast<PSID>(administrators)}) {
        if (!AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS & ~kNeverGranted, sid)) return AccessList();
    }
    return descriptorWith(acl, true);
}

}  // namespace windows
}  // namespace platform
