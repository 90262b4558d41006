#pragma once

#include "AccountSettings.h"

// The account's settings as values of the program's key under
// HKEY_CURRENT_USER, beside its display settings. Texts are kept as UTF-16,
// so that any user or calendar name comes back as it went in.
class AccountRegistry {
public:
    static constexpr const char* key = "Software\\Norvask\\Vellumere";

    // Defaults for whatever is missing.
    static AccountSettings read();
    static bool write(const AccountSettings& settings);
    // Only the account's values: the other settings stay.
    static void remove();
};
