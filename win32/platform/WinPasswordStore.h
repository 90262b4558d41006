#pragma once

#include "PasswordStore.h"

#include <optional>
#include <string>

// The account's password in the Windows credential store: one generic
// credential of the program's, kept for this user on this computer, its
// user name beside it so that the password of another user is never handed
// out.
class WinPasswordStore : public PasswordStore {
public:
    static constexpr const char* defaultTarget = "Vellumere/CalDAV account";

    // `target` names the credential; tests take one of their own.
    explicit WinPasswordStore(std::string target = defaultTarget);

    std::optional<std::string> read(const std::string& user) override;
    bool write(const std::string& user, const std::string& password) override;
    void remove() override;

private:
    std::string target;
};
