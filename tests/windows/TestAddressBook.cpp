// A stand-in for the Windows Address Book library: WABOpen and the calls the
// picker makes, over a fixed set of entries handed out in no particular
// order. It keeps the books the tests read through its exported functions:
// which calls came, which objects are still referenced, which buffers are
// still out; and it can be told to fail at one step.

#include "WabInterfaces.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

struct Entry {
    const char* name;
    const char* address; // nullptr: the entry has none
};

// Deliberately out of order; one without an address, one with a byte of the
// code page in its name.
const Entry entries[] = {
    {"Dora Dunn", "dora@example.org"},
    {"Z\xE9lie Zola", "zelie@example.org"},
    {"Ann Archer", "ann@example.org"},
    {"Carl Cole", nullptr},
    {"Bob Brown", "bob.brown@example.org"},
};
wab::Ulong const entryCount = sizeof entries / sizeof entries[0];

wab::Ulong const tagEntryId = 0x0FFF0102;    // PR_ENTRYID, binary
wab::Ulong const tagObjectType = 0x0FFE0003; // PR_OBJECT_TYPE, long
wab::Ulong const mailUser = 6;               // MAPI_MAILUSER
HRESULT const notImplemented = static_cast<HRESULT>(0x80040102); // MAPI_E_NO_SUPPORT
HRESULT const invalidParameter = E_INVALIDARG;

const char pabId[] = "\0\0\0\0PAB";

struct Books {
    std::string calls;
    std::string failAt;
    long liveObjects = 0;
    std::set<void*> buffers;
    long strayFrees = 0;
    std::string openWindowCaption;
    wab::Ulong openSize = 0;
    bool openFileName = false;
    wab::Ulong openFlags = 0;
} books;

void record(const char* call)
{
    books.calls += books.calls.empty() ? "" : " ";
    books.calls += call;
}

bool failing(const char* step)
{
    return books.failAt == step;
}

void* allocate(std::size_t size)
{
    void* block = std::calloc(1, size);
    if (block)
        books.buffers.insert(block);
    return block;
}

// Every method the picker has no business calling.
#define UNUSED_METHOD(name, ...) \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { record("unexpected:" #name); return notImplemented; }

template <typename Interface>
class Counted : public Interface {
public:
    Counted() { ++books.liveObjects; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    virtual ~Counted() { --books.liveObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(const IID&, void** object) override
    {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ULONG references = 1;
};

template <typename Interface>
class Prop : public Counted<Interface> {
public:
    UNUSED_METHOD(GetLastError, HRESULT, wab::Ulong, void**)
    UNUSED_METHOD(SaveChanges, wab::Ulong)
    UNUSED_METHOD(GetProps, void*, wab::Ulong, wab::Ulong*, wab::PropertyValue**)
    UNUSED_METHOD(GetPropList, wab::Ulong, void**)
    UNUSED_METHOD(OpenProperty, wab::Ulong, const IID*, wab::Ulong, wab::Ulong, wab::Unknown**)
    UNUSED_METHOD(SetProps, wab::Ulong, wab::PropertyValue*, void**)
    UNUSED_METHOD(DeleteProps, void*, void**)
    UNUSED_METHOD(CopyTo, wab::Ulong, const IID*, void*, ULONG_PTR, void*, const IID*, void*, wab::Ulong, void**)
    UNUSED_METHOD(CopyProps, void*, ULONG_PTR, void*, const IID*, void*, wab::Ulong, void**)
    UNUSED_METHOD(GetNamesFromIDs, void**, GUID*, wab::Ulong, wab::Ulong*, void***)
    UNUSED_METHOD(GetIDsFromNames, wab::Ulong, void**, wab::Ulong, void**)
};

class Table final : public Counted<wab::MapiTable> {
public:
    UNUSED_METHOD(GetLastError, HRESULT, wab::Ulong, void**)
    UNUSED_METHOD(Advise, wab::Ulong, void*, wab::Ulong*)
    UNUSED_METHOD(Unadvise, wab::Ulong)
    UNUSED_METHOD(GetStatus, wab::Ulong*, wab::Ulong*)
    UNUSED_METHOD(SetColumns, void*, wab::Ulong)
    UNUSED_METHOD(QueryColumns, wab::Ulong, void**)
    UNUSED_METHOD(SeekRow, ULONG_PTR, LONG, LONG*)
    UNUSED_METHOD(SeekRowApprox, wab::Ulong, wab::Ulong)
    UNUSED_METHOD(QueryPosition, wab::Ulong*, wab::Ulong*, wab::Ulong*)
    UNUSED_METHOD(FindRow, void*, ULONG_PTR, wab::Ulong)
    UNUSED_METHOD(Restrict, void*, wab::Ulong)
    UNUSED_METHOD(CreateBookmark, ULONG_PTR*)
    UNUSED_METHOD(FreeBookmark, ULONG_PTR)
    UNUSED_METHOD(SortTable, void*, wab::Ulong)
    UNUSED_METHOD(QuerySortOrder, void**)

    HRESULT STDMETHODCALLTYPE GetRowCount(wab::Ulong flags, wab::Ulong* count) override
    {
        record("GetRowCount");
        if (flags != 0 || !count)
            return invalidParameter;
        if (failing("GetRowCount"))
            return E_FAIL;
        *count = failing("ZeroRows") ? 0 : entryCount - position;
        return S_OK;
    }

    // Up to `rowCount` rows from the cursor on, each row's values one block
    // with its strings after them; the set another block.
    HRESULT STDMETHODCALLTYPE QueryRows(LONG rowCount, wab::Ulong flags, wab::RowSet** rows) override
    {
        record("QueryRows");
        if (rowCount <= 0 || flags != 0 || !rows)
            return invalidParameter;
        *rows = nullptr;
        if (failing("QueryRows"))
            return E_FAIL;
        const wab::Ulong count = std::min(static_cast<wab::Ulong>(rowCount), entryCount - position);
        auto* set = static_cast<wab::RowSet*>(allocate(sizeof(wab::RowSet) + count * sizeof(wab::Row)));
        set->cRows = count;
        for (wab::Ulong i = 0; i < count; ++i, ++position) {
            const Entry& entry = entries[position];
            const std::size_t nameSize = std::strlen(entry.name) + 1;
            const std::size_t addressSize = entry.address ? std::strlen(entry.address) + 1 : 0;
            const wab::Ulong values = entry.address ? 4 : 3;
            auto* props = static_cast<wab::PropertyValue*>(
                allocate(values * sizeof(wab::PropertyValue) + sizeof position + nameSize + addressSize));
            char* strings = reinterpret_cast<char*>(props + values);
            // The picker must look for its values, not count on their places.
            props[0].ulPropTag = tagEntryId;
            props[0].Value.bin.cb = sizeof position;
            props[0].Value.bin.lpb = reinterpret_cast<BYTE*>(strings);
            std::memcpy(strings, &position, sizeof position);
            strings += sizeof position;
            props[1].ulPropTag = tagObjectType;
            props[1].Value.ul = mailUser;
            props[2].ulPropTag = wab::tagDisplayNameA;
            props[2].Value.lpszA = std::strcpy(strings, entry.name);
            strings += nameSize;
            if (entry.address) {
                props[3] = props[2];
                props[2].ulPropTag = wab::tagEmailAddressA;
                props[2].Value.lpszA = std::strcpy(strings, entry.address);
            }
            set->aRow[i].cValues = values;
            set->aRow[i].lpProps = props;
        }
        *rows = set;
        return S_OK;
    }

private:
    wab::Ulong position = 0;
};

class Container final : public Prop<wab::AbContainer> {
public:
    HRESULT STDMETHODCALLTYPE GetContentsTable(wab::Ulong flags, wab::MapiTable** table) override
    {
        record("GetContentsTable");
        if (flags != 0 || !table)
            return invalidParameter;
        *table = nullptr;
        if (failing("GetContentsTable"))
            return E_FAIL;
        *table = new Table;
        return S_OK;
    }
};

class AddressBook final : public Prop<wab::AddrBook> {
public:
    UNUSED_METHOD(CompareEntryIDs, wab::Ulong, wab::EntryId*, wab::Ulong, wab::EntryId*, wab::Ulong, wab::Ulong*)
    UNUSED_METHOD(Advise, wab::Ulong, wab::EntryId*, wab::Ulong, void*, wab::Ulong*)
    UNUSED_METHOD(Unadvise, wab::Ulong)
    UNUSED_METHOD(CreateOneOff, LPSTR, LPSTR, LPSTR, wab::Ulong, wab::Ulong*, wab::EntryId**)
    UNUSED_METHOD(NewEntry, ULONG_PTR, wab::Ulong, wab::Ulong, wab::EntryId*, wab::Ulong, wab::EntryId*, wab::Ulong*,
                  wab::EntryId**)
    UNUSED_METHOD(ResolveName, ULONG_PTR, wab::Ulong, LPSTR, void*)
    UNUSED_METHOD(Address, ULONG_PTR*, void*, void**)
    UNUSED_METHOD(Details, ULONG_PTR*, void*, void*, wab::Ulong, wab::EntryId*, void*, void*, LPSTR, wab::Ulong)
    UNUSED_METHOD(RecipOptions, ULONG_PTR, wab::Ulong, void*)
    UNUSED_METHOD(QueryDefaultRecipOpt, LPSTR, wab::Ulong, wab::Ulong*, wab::PropertyValue**)

    HRESULT STDMETHODCALLTYPE GetPAB(wab::Ulong* entryIdSize, wab::EntryId** entryId) override
    {
        record("GetPAB");
        if (!entryIdSize || !entryId)
            return invalidParameter;
        if (failing("GetPAB"))
            return E_FAIL;
        *entryIdSize = sizeof pabId;
        *entryId = static_cast<wab::EntryId*>(allocate(sizeof pabId));
        std::memcpy(*entryId, pabId, sizeof pabId);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OpenEntry(wab::Ulong entryIdSize, wab::EntryId* entryId, const IID* iid,
                                        wab::Ulong flags, wab::Ulong* objectType, wab::Unknown** object) override
    {
        record("OpenEntry");
        if (entryIdSize != sizeof pabId || !entryId || std::memcmp(entryId, pabId, sizeof pabId) != 0 || iid ||
            flags != wab::bestAccess || !objectType || !object)
            return invalidParameter;
        *object = nullptr;
        if (failing("OpenEntry"))
            return E_FAIL;
        *objectType = failing("ObjectType") ? mailUser : wab::objectTypeAddressBookContainer;
        *object = new Container;
        return S_OK;
    }
};

class WabObject final : public Counted<wab::WabObject> {
public:
    UNUSED_METHOD(GetLastError, HRESULT, wab::Ulong, void**)
    UNUSED_METHOD(AllocateBuffer, wab::Ulong, void**)
    UNUSED_METHOD(AllocateMore, wab::Ulong, void*, void**)

    HRESULT STDMETHODCALLTYPE FreeBuffer(void* buffer) override
    {
        if (!buffer)
            return S_OK;
        if (books.buffers.erase(buffer) == 0) {
            ++books.strayFrees;
            return invalidParameter;
        }
        std::free(buffer);
        return S_OK;
    }
};

} // namespace

extern "C" {

__declspec(dllexport) HRESULT STDMETHODCALLTYPE WABOpen(wab::AddrBook** addressBook, wab::WabObject** wabObject,
                                                        wab::OpenParameters* parameters, DWORD reserved)
{
    record("WABOpen");
    if (!addressBook || !wabObject || reserved != 0)
        return invalidParameter;
    *addressBook = nullptr;
    *wabObject = nullptr;
    if (parameters) {
        books.openSize = parameters->cbSize;
        books.openFileName = parameters->szFileName != nullptr;
        books.openFlags = parameters->ulFlags;
        char caption[256] = "";
        if (::IsWindow(parameters->hwnd))
            ::GetWindowTextA(parameters->hwnd, caption, sizeof caption);
        books.openWindowCaption = caption;
    }
    if (failing("WABOpen"))
        return E_FAIL;
    *addressBook = new AddressBook;
    *wabObject = new WabObject;
    return S_OK;
}

// Starts the books afresh; `step` names the call that is to fail ("" none).
__declspec(dllexport) void testWabReset(const char* step)
{
    books = Books{};
    books.failAt = step;
}

__declspec(dllexport) const char* testWabCalls()
{
    return books.calls.c_str();
}

__declspec(dllexport) long testWabLiveObjects()
{
    return books.liveObjects;
}

__declspec(dllexport) long testWabBuffersOut()
{
    return static_cast<long>(books.buffers.size());
}

__declspec(dllexport) long testWabStrayFrees()
{
    return books.strayFrees;
}

__declspec(dllexport) const char* testWabOpenWindowCaption()
{
    return books.openWindowCaption.c_str();
}

__declspec(dllexport) unsigned long testWabOpenSize()
{
    return books.openSize;
}

__declspec(dllexport) int testWabOpenDefaults()
{
    return !books.openFileName && books.openFlags == 0;
}

} // extern "C"
