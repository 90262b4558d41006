#pragma once

#include <optional>
#include <string>

// Where the account's password is kept between runs: the system's own
// secret store, never the event file, the settings or a log.
class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // Nothing when none is kept for `user`, or it cannot be read.
    virtual std::optional<std::string> read(const std::string& user) = 0;
    virtual bool write(const std::string& user, const std::string& password) = 0;
    virtual void remove() = 0;
};
