#include "VCardReader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

void PrintTo(const VCardReader::Contact& contact, std::ostream* out)
{
    *out << "{\"" << contact.name << "\", \"" << contact.address << "\"}";
}

namespace {

using Contacts = std::vector<VCardReader::Contact>;

TEST(VCardReader, ReadsNameAndAddressOfEachCard)
{
    const struct {
        const char* what;
        std::string text;
        Contacts contacts;
    } cases[] = {
        {"one card, CR LF",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Archer\r\nN:Archer;Ann;;;\r\nEMAIL:ann@example.org\r\nEND:VCARD\r\n",
         {{"Ann Archer", "ann@example.org"}}},
        {"lines outside any card", "FN:Ann Archer\r\nEMAIL:ann@example.org\r\n", {}},
        {"one card, LF, no final line end",
         "BEGIN:VCARD\nFN:Ann Archer\nEMAIL:ann@example.org\nEND:VCARD",
         {{"Ann Archer", "ann@example.org"}}},
        {"parameters on EMAIL",
         "BEGIN:VCARD\r\nFN:Bob Brown\r\nEMAIL;TYPE=INTERNET,PREF:bob@example.org\r\nEND:VCARD\r\n",
         {{"Bob Brown", "bob@example.org"}}},
        {"vCard 2.1 parameters",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Bob Brown\r\nEMAIL;INTERNET:bob@example.org\r\nEND:VCARD\r\n",
         {{"Bob Brown", "bob@example.org"}}},
        {"the first of several addresses",
         "BEGIN:VCARD\r\nFN:Carl Cole\r\nEMAIL;TYPE=WORK:carl@work.example\r\nEMAIL;TYPE=HOME:carl@home.example\r\n"
         "END:VCARD\r\n",
         {{"Carl Cole", "carl@work.example"}}},
        {"address before the name",
         "BEGIN:VCARD\r\nEMAIL:dora@example.org\r\nFN:Dora Dunn\r\nEND:VCARD\r\n",
         {{"Dora Dunn", "dora@example.org"}}},
        {"a card without an address is left out",
         "BEGIN:VCARD\r\nFN:No Mail\r\nTEL:123\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nFN:Ann Archer\r\nEMAIL:ann@example.org\r\nEND:VCARD\r\n",
         {{"Ann Archer", "ann@example.org"}}},
        {"an empty address counts as none",
         "BEGIN:VCARD\r\nFN:Empty\r\nEMAIL:\r\nEND:VCARD\r\n", {}},
        {"several cards in file order",
         "BEGIN:VCARD\nFN:Zoe Zane\nEMAIL:zoe@example.org\nEND:VCARD\n"
         "BEGIN:VCARD\nFN:Ann Archer\nEMAIL:ann@example.org\nEND:VCARD\n",
         {{"Zoe Zane", "zoe@example.org"}, {"Ann Archer", "ann@example.org"}}},
        {"folded lines, space and tab",
         "BEGIN:VCARD\r\nFN:Eva Ev\r\n ans-Long\r\nEMAIL;TYPE=INT\r\n\tERNET:eva@exa\r\n mple.org\r\nEND:VCARD\r\n",
         {{"Eva Evans-Long", "eva@example.org"}}},
        {"names in any case, with a group",
         "begin:vcard\r\nfn:Fay Fox\r\nitem1.Email;type=pref:fay@example.org\r\nend:vcard\r\n",
         {{"Fay Fox", "fay@example.org"}}},
        {"escaped characters in the name",
         "BEGIN:VCARD\r\nFN:Gil\\, Jr.\\; the \\\\ one\r\nEMAIL:gil@example.org\r\nEND:VCARD\r\n",
         {{"Gil, Jr.; the \\ one", "gil@example.org"}}},
        {"a colon in the value stays",
         "BEGIN:VCARD\r\nFN:Hal: the second\r\nEMAIL:hal@example.org\r\nEND:VCARD\r\n",
         {{"Hal: the second", "hal@example.org"}}},
        {"bytes of the code page pass unchanged",
         "BEGIN:VCARD\r\nFN:Z\xE9lie\r\nEMAIL:zelie@example.org\r\nEND:VCARD\r\n",
         {{"Z\xE9lie", "zelie@example.org"}}},
        {"a byte-order mark",
         "\xEF\xBB\xBF" "BEGIN:VCARD\r\nFN:Ivy\r\nEMAIL:ivy@example.org\r\nEND:VCARD\r\n",
         {{"Ivy", "ivy@example.org"}}},
        {"no name", "BEGIN:VCARD\r\nEMAIL:anon@example.org\r\nEND:VCARD\r\n", {{"", "anon@example.org"}}},
        {"lines outside a card are ignored",
         "FN:Stray\r\nEMAIL:stray@example.org\r\nBEGIN:VCARD\r\nFN:Ann\r\nEMAIL:ann@example.org\r\nEND:VCARD\r\n"
         "EMAIL:after@example.org\r\n",
         {{"Ann", "ann@example.org"}}},
        {"each card starts afresh",
         "BEGIN:VCARD\r\nFN:First\r\nEMAIL:first@example.org\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nEMAIL:second@example.org\r\nEND:VCARD\r\n",
         {{"First", "first@example.org"}, {"", "second@example.org"}}},
        {"a file cut short keeps its last card",
         "BEGIN:VCARD\r\nFN:Jo\r\nEMAIL:jo@example.org\r\n", {{"Jo", "jo@example.org"}}},
        {"a property that merely starts like one",
         "BEGIN:VCARD\r\nFN:Kim\r\nEMAILX:no@example.org\r\nX-EMAIL:no@example.org\r\nFNX:Wrong\r\n"
         "EMAIL:kim@example.org\r\nEND:VCARD\r\n",
         {{"Kim", "kim@example.org"}}},
        {"empty text", "", {}},
        {"not a vCard", "hello\nworld\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(VCardReader::read(c.text), c.contacts);
    }
}

} // namespace
