#include "WindowsAddressBook.h"

#include "UniqueHandle.h"
#include "WabInterfaces.h"

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

} // namespace

std::optional<std::vector<VCardReader::Contact>> WindowsAddressBook::read(HWND owner)
{
    char path[1025] = "";
    {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ, &opened) !=
            ERROR_SUCCESS)
            return std::nullopt;
        const RegistryKey key(opened);
        DWORD size = 0;
        if (::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        size = 1024;
        if (::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
    }

    // Destroyed in reverse: everything the library gave out goes back before
    // the library itself.
    const LibraryHandle library(::LoadLibraryA(path));
    if (!library)
        return std::nullopt;
    const auto open = reinterpret_cast<wab::OpenFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library.get(), "WABOpen")));
    if (!open)
        return std::nullopt;

    ComPointer<wab::WabObject> wabObject;
    ComPointer<wab::AddrBook> addressBook;
    wab::OpenParameters parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.hwnd = owner;
    if (open(addressBook.out(), wabObject.out(), &parameters, 0) != S_OK || !addressBook.get() || !wabObject.get())
        return std::nullopt;

    WabBuffer<wab::EntryId> entryId(wabObject.get());
    wab::Ulong entryIdSize = 0;
    if (FAILED(addressBook->GetPAB(&entryIdSize, entryId.out())))
        return std::nullopt;

    ComPointer<wab::Unknown> entry;
    wab::Ulong objectType = 0;
    if (FAILED(addressBook->OpenEntry(entryIdSize, entryId.get(), nullptr, wab::bestAccess, &objectType,
                                      entry.out())) ||
        !entry.get() || objectType != wab::objectTypeAddressBookContainer)
        return std::nullopt;
    // Without an interface identifier OpenEntry gives the container's own.
    auto* const container = static_cast<wab::AbContainer*>(entry.get());

    // The address book is open: from here on an empty list is its answer.
    std::vector<VCardReader::Contact> contacts;
    ComPointer<wab::MapiTable> table;
    if (FAILED(container->GetContentsTable(0, table.out())) || !table.get())
        return contacts;
    wab::Ulong rowCount = 0;
    if (FAILED(table->GetRowCount(0, &rowCount)) || rowCount == 0 || rowCount > 0x7FFFFFFF)
        return contacts;
    HeldRows rows(wabObject.get());
    if (FAILED(table->QueryRows(static_cast<LONG>(rowCount), 0, rows.out())) || !rows.get())
        return contacts;
    for (wab::Ulong i = 0; i < rows.get()->cRows; ++i) {
        const wab::Row& row = rows.get()->aRow[i];
        contacts.push_back({stringValue(row, wab::tagDisplayNameA), stringValue(row, wab::tagEmailAddressA)});
        rows.freeValues(i);
    }
    return contacts;
}
