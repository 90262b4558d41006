#pragma once

#include "VCardReader.h"

#include <vector>

// The recipients in the vCards (*.vcf) of the user's Contacts folder
// (%USERPROFILE%\Contacts), file by file, in the code page: newer vCards are
// UTF-8, and a card that is not is taken to be in the code page already.
class ContactsFolder {
public:
    static std::vector<VCardReader::Contact> read();
};
