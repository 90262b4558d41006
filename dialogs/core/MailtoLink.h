#pragma once

#include <string>

// The "mailto:" address handed to the system's mail program: the e-mail
// address, and the event's description as the subject. The subject is
// percent-encoded, and in the address what would break the address apart, so
// that "Dinner & drinks" or "Call #3" reaches the mail program whole.
// Bytes stay bytes of the system's code page: nothing converts them.
class MailtoLink {
public:
    static std::string build(const std::string& address, const std::string& subject);
};
