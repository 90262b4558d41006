#include "AddressBookDialog.h"

#include "AddressBookDialogRes.h"
#include "ListView.h"
#include "PictureIds.h"
#include "StringIds.h"
#include "UniqueHandle.h"
#include "VCardReader.h"
#include "WabInterfaces.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// One block the address book handed out, given back to its FreeBuffer.
template <typename Block>
class WabBuffer {
public:
    explicit WabBuffer(wab::WabObject* allocator) : owner(allocator) {}
    WabBuffer(const WabBuffer&) = delete;
    WabBuffer& operator=(const WabBuffer&) = delete;
    ~WabBuffer()
    {
        if (block)
            owner->FreeBuffer(block);
    }
    Block** out() { return &block; }
    Block* get() const { return block; }

private:
    wab::WabObject* owner;
    Block* block = nullptr;
};

// The row set of QueryRows: each row's values are a block of their own, and
// go back before the set does.
class HeldRows {
public:
    explicit HeldRows(wab::WabObject* allocator) : owner(allocator) {}
    HeldRows(const HeldRows&) = delete;
    HeldRows& operator=(const HeldRows&) = delete;
    ~HeldRows()
    {
        if (!rows)
            return;
        for (wab::Ulong i = 0; i < rows->cRows; ++i)
            freeValues(i);
        owner->FreeBuffer(rows);
    }
    wab::RowSet** out() { return &rows; }
    wab::RowSet* get() const { return rows; }
    void freeValues(wab::Ulong row)
    {
        wab::Row& entry = rows->aRow[row];
        if (entry.lpProps)
            owner->FreeBuffer(entry.lpProps);
        entry.lpProps = nullptr;
    }

private:
    wab::WabObject* owner;
    wab::RowSet* rows = nullptr;
};

const char* stringValue(const wab::Row& row, wab::Ulong tag)
{
    for (wab::Ulong i = 0; i < row.cValues; ++i) {
        if (row.lpProps[i].ulPropTag == tag && row.lpProps[i].Value.lpszA)
            return row.lpProps[i].Value.lpszA;
    }
    return "";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Newer vCards are UTF-8; the list shows the system's code page. Text that is
// not valid UTF-8 is taken to be in the code page already.
std::string toCodePage(const std::string& text)
{
    if (text.empty() || text.size() > 0x7FFFFFFF)
        return text;
    const int size = static_cast<int>(text.size());
    const int wideSize = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wideSize <= 0)
        return text;
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wideSize);
    const int narrowSize = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (narrowSize <= 0)
        return text;
    std::string narrow(static_cast<std::size_t>(narrowSize), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, narrow.data(), narrowSize, nullptr, nullptr);
    return narrow;
}

} // namespace

AddressBookDialog::AddressBookDialog()
    : ModalDialog(IDD_ADDRESS_BOOK, -1)
{
}

ListView AddressBookDialog::contactRows() const
{
    return ListView(::GetDlgItem(window(), IDC_ADDRESS_LIST));
}

void AddressBookDialog::fitListToDpi()
{
    const ListView list = contactRows();
    list.setColumnWidths({170, 200});
    list.setSmallIcons(instance(), {IDI_CONTACT});
}

void AddressBookDialog::onDpiChanged()
{
    fitListToDpi();
}

void AddressBookDialog::onInit()
{
    setTitleIcon(IDI_ADDRESS_BOOK);
    contactRows().insertColumns(instance(), {IDS_NAME_COLUMN, IDS_ADDRESS_COLUMN});
    fitListToDpi();

    if (!fillFromAddressBook())
        fillFromContacts();
}

bool AddressBookDialog::fillFromAddressBook()
{
    char path[1025] = "";
    {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ, &opened) !=
            ERROR_SUCCESS)
            return false;
        const RegistryKey key(opened);
        DWORD size = 0;
        if (::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return false;
        size = 1024;
        if (::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size) !=
            ERROR_SUCCESS)
            return false;
    }

    // Destroyed in reverse: everything the library gave out goes back before
    // the library itself.
    const LibraryHandle library(::LoadLibraryA(path));
    if (!library)
        return false;
    const auto open = reinterpret_cast<wab::OpenFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library.get(), "WABOpen")));
    if (!open)
        return false;

    ComPointer<wab::WabObject> wabObject;
    ComPointer<wab::AddrBook> addressBook;
    wab::OpenParameters parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.hwnd = window();
    if (open(addressBook.out(), wabObject.out(), &parameters, 0) != S_OK || !addressBook.get() || !wabObject.get())
        return false;

    WabBuffer<wab::EntryId> entryId(wabObject.get());
    wab::Ulong entryIdSize = 0;
    if (FAILED(addressBook->GetPAB(&entryIdSize, entryId.out())))
        return false;

    ComPointer<wab::Unknown> entry;
    wab::Ulong objectType = 0;
    if (FAILED(addressBook->OpenEntry(entryIdSize, entryId.get(), nullptr, wab::bestAccess, &objectType,
                                      entry.out())) ||
        !entry.get() || objectType != wab::objectTypeAddressBookContainer)
        return false;
    // Without an interface identifier OpenEntry gives the container's own.
    auto* const container = static_cast<wab::AbContainer*>(entry.get());

    // The address book is open: from here on an empty list is its answer.
    ComPointer<wab::MapiTable> table;
    if (FAILED(container->GetContentsTable(0, table.out())) || !table.get())
        return true;
    wab::Ulong rowCount = 0;
    if (FAILED(table->GetRowCount(0, &rowCount)) || rowCount == 0 || rowCount > 0x7FFFFFFF)
        return true;
    HeldRows rows(wabObject.get());
    if (FAILED(table->QueryRows(static_cast<LONG>(rowCount), 0, rows.out())) || !rows.get())
        return true;
    for (wab::Ulong i = 0; i < rows.get()->cRows; ++i) {
        const wab::Row& row = rows.get()->aRow[i];
        addRow(stringValue(row, wab::tagDisplayNameA), stringValue(row, wab::tagEmailAddressA));
        rows.freeValues(i);
    }
    return true;
}

void AddressBookDialog::fillFromContacts()
{
    char profile[MAX_PATH] = "";
    const DWORD length = ::GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
    if (length == 0 || length >= sizeof profile)
        return;
    const std::string folder = std::string(profile) + "\\Contacts\\";
    WIN32_FIND_DATAA found{};
    const FindHandle search(::FindFirstFileA((folder + "*.vcf").c_str(), &found));
    if (!search)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        for (const VCardReader::Contact& contact : VCardReader::read(toCodePage(readFile(folder + found.cFileName))))
            addRow(contact.name.c_str(), contact.address.c_str());
    } while (::FindNextFileA(search.get(), &found));
}

void AddressBookDialog::addRow(const char* name, const char* rowAddress)
{
    // The list view places the row by its name.
    contactRows().addRow({name, rowAddress}, 0);
}

void AddressBookDialog::accept()
{
    const ListView list = contactRows();
    const int selected = list.selectedRow();
    if (selected < 0)
        return;
    char text[256] = "";
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list.handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
    chosenAddress = text;
    end(0);
}

void AddressBookDialog::onCommand(int id)
{
    if (id == IDOK)
        accept();
}

bool AddressBookDialog::onNotify(NMHDR& header, LRESULT&)
{
    if (header.idFrom == IDC_ADDRESS_LIST && header.code == NM_DBLCLK)
        accept();
    return false;
}
