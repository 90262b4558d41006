#include "ContactsFolder.h"

#include "UniqueHandle.h"
#include "WideText.h"
#include "Win32CodePage.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string inCodePage(const std::string& text)
{
    // UTF-8 alone comes back from UTF-16 byte for byte.
    const bool utf8 = fromWide(toWide(text)) == text;
    return utf8 ? Win32CodePage().fromUtf8(text) : text;
}

} // namespace

std::vector<VCardReader::Contact> ContactsFolder::read()
{
    std::vector<VCardReader::Contact> contacts;
    char profile[MAX_PATH] = "";
    const DWORD length = ::GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
    if (length == 0 || length >= sizeof profile)
        return contacts;
    const std::string folder = std::string(profile) + "\\Contacts\\";
    WIN32_FIND_DATAA found{};
    const FindHandle search(::FindFirstFileA((folder + "*.vcf").c_str(), &found));
    if (!search)
        return contacts;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        for (VCardReader::Contact& contact : VCardReader::read(inCodePage(readFile(folder + found.cFileName))))
            contacts.push_back(std::move(contact));
    } while (::FindNextFileA(search.get(), &found));
    return contacts;
}
