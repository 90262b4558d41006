#pragma once

#include <string>

class CodePage;

// The "mailto:" address handed to the system's mail program: the e-mail
// address, and the event's description as the subject. Both are taken from
// the code page into UTF-8 and percent-encoded as RFC 6068 asks, every
// character outside the URI's unreserved set ("@" of the address aside), so
// that "Dinner & drinks", "Call #3" or "Café" reach the mail program whole.
class MailtoLink {
public:
    static std::string build(const std::string& address, const std::string& subject, const CodePage& codePage);
};
