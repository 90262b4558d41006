#include "WinPasswordStore.h"

#include "UniqueHandle.h"

#include <windows.h>

#include <wincred.h>

#include <utility>
#include <vector>

namespace {

// What CredRead hands out, freed with CredFree.
struct CredentialTraits {
    static PCREDENTIALA invalid() { return nullptr; }
    static void close(PCREDENTIALA credential) { ::CredFree(credential); }
};
using Credential = UniqueHandle<PCREDENTIALA, CredentialTraits>;

} // namespace

WinPasswordStore::WinPasswordStore(std::string targetName) : target(std::move(targetName)) {}

std::optional<std::string> WinPasswordStore::read(const std::string& user)
{
    Credential credential;
    if (!::CredReadA(target.c_str(), CRED_TYPE_GENERIC, 0, credential.out()))
        return std::nullopt;
    const char* const storedUser = credential->UserName ? credential->UserName : "";
    if (user != storedUser)
        return std::nullopt;
    const auto* const blob = reinterpret_cast<const char*>(credential->CredentialBlob);
    return std::string(blob, blob + credential->CredentialBlobSize);
}

bool WinPasswordStore::write(const std::string& user, const std::string& password)
{
    // CredWrite takes writable strings, though it only reads them.
    std::vector<char> targetName(target.begin(), target.end());
    targetName.push_back('\0');
    std::vector<char> userName(user.begin(), user.end());
    userName.push_back('\0');
    std::vector<BYTE> blob(password.begin(), password.end());

    CREDENTIALA credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = targetName.data();
    credential.UserName = userName.data();
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.CredentialBlob = blob.empty() ? nullptr : blob.data();
    // This computer only: a roaming profile would carry the password elsewhere.
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool written = ::CredWriteA(&credential, 0) != FALSE;
    SecureZeroMemory(blob.data(), blob.size());
    return written;
}

void WinPasswordStore::remove()
{
    ::CredDeleteA(target.c_str(), CRED_TYPE_GENERIC, 0);
}
