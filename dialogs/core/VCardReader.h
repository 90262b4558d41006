#pragma once

#include <string>
#include <vector>

// The recipients in the text of a vCard file (.vcf): for each card that has
// an e-mail address, its formatted name (FN) and its first EMAIL. Folded
// lines are joined, property names may carry a group ("item1.EMAIL") and
// parameters ("EMAIL;TYPE=INTERNET"), line ends may be CR LF or LF. Bytes
// stay bytes: nothing converts between character sets.
class VCardReader {
public:
    struct Contact {
        std::string name;
        std::string address;
        bool operator==(const Contact& other) const { return name == other.name && address == other.address; }
    };

    static std::vector<Contact> read(const std::string& text);
};
