#pragma once

#include "VCardReader.h"

#include <windows.h>

#include <optional>
#include <vector>

// The entries of the user's Windows Address Book, each its display name and
// e-mail address in the code page (empty when it has none), in the order the
// address book gives them. The library is the one the registry names
// (HKLM\Software\Microsoft\WAB\DLLPath); everything it hands out goes back
// before the call returns, the library last.
class WindowsAddressBook {
public:
    // No value when no address book could be opened; once one is open, its
    // answer, empty when it could not be read. `owner` is the window its
    // own prompts would belong to.
    static std::optional<std::vector<VCardReader::Contact>> read(HWND owner);
};
