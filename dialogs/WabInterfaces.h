#pragma once

// The few Windows Address Book types the picker uses, declared here because
// MinGW-w64's wab.h does not compile (wabdefs.h and mapidefs.h define the
// same types twice). The vtables follow the published interfaces slot by
// slot; each interface stops after the last method anyone here calls, so the
// slots after it are simply not declared. The order of the declared slots is
// what matters: a method out of place calls the wrong function.
//
// Shared by the picker and the test address book, which implements them.

#include <windows.h>

namespace wab {

using Ulong = ULONG;

// Object types reported by OpenEntry.
Ulong const objectTypeAddressBookContainer = 0x00000004; // MAPI_ABCONT
Ulong const bestAccess = 0x00000010;                     // MAPI_BEST_ACCESS

// Property tags of the 8-bit string values (PT_STRING8, 0x001E).
Ulong const tagDisplayNameA = 0x3001001E;  // PR_DISPLAY_NAME_A
Ulong const tagEmailAddressA = 0x3003001E; // PR_EMAIL_ADDRESS_A

struct EntryId { // ENTRYID
    BYTE flags[4];
    BYTE data[1];
};

struct Binary { // SBinary
    Ulong cb;
    BYTE* lpb;
};

struct MultiValue { // the SxxxArray members: a count and a pointer
    Ulong cValues;
    void* values;
};

union PropertyData { // union _PV; its size and alignment must match
    short i;
    LONG l;
    Ulong ul;
    float flt;
    double dbl;
    unsigned short b;
    LONGLONG cur; // CURRENCY
    double at;
    FILETIME ft;
    LPSTR lpszA;
    Binary bin;
    LPWSTR lpszW;
    GUID* lpguid;
    LARGE_INTEGER li;
    MultiValue mv;
    LONG err; // SCODE
    LONG x;
};

struct PropertyValue { // SPropValue
    Ulong ulPropTag;
    Ulong dwAlignPad;
    PropertyData Value;
};

struct Row { // SRow
    Ulong ulAdrEntryPad;
    Ulong cValues;
    PropertyValue* lpProps;
};

struct RowSet { // SRowSet: cRows rows follow in the same block
    Ulong cRows;
    Row aRow[1];
};

// WAB_PARAM. The published size, 32, is the 32-bit layout's; a 64-bit build
// passes its own sizeof.
struct OpenParameters {
    Ulong cbSize;
    HWND hwnd;
    LPSTR szFileName;
    Ulong ulFlags;
    GUID guidPSExt;
};

// The interfaces never delete through a base pointer: Release does.
#define VELLUMERE_WAB_METHOD(name) virtual HRESULT STDMETHODCALLTYPE name

struct Unknown { // IUnknown, with a destructor no one may call from outside
    VELLUMERE_WAB_METHOD(QueryInterface)(const IID& iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~Unknown() = default;
};

struct MapiProp : Unknown { // IMAPIProp
    VELLUMERE_WAB_METHOD(GetLastError)(HRESULT result, Ulong flags, void** error) = 0;
    VELLUMERE_WAB_METHOD(SaveChanges)(Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(GetProps)(void* tags, Ulong flags, Ulong* count, PropertyValue** values) = 0;
    VELLUMERE_WAB_METHOD(GetPropList)(Ulong flags, void** tags) = 0;
    VELLUMERE_WAB_METHOD(OpenProperty)(Ulong tag, const IID* iid, Ulong options, Ulong flags, Unknown** object) = 0;
    VELLUMERE_WAB_METHOD(SetProps)(Ulong count, PropertyValue* values, void** problems) = 0;
    VELLUMERE_WAB_METHOD(DeleteProps)(void* tags, void** problems) = 0;
    VELLUMERE_WAB_METHOD(CopyTo)(Ulong excludeCount, const IID* exclude, void* excludeProps, ULONG_PTR uiParam,
                                 void* progress, const IID* iid, void* destination, Ulong flags, void** problems) = 0;
    VELLUMERE_WAB_METHOD(CopyProps)(void* includeProps, ULONG_PTR uiParam, void* progress, const IID* iid,
                                    void* destination, Ulong flags, void** problems) = 0;
    VELLUMERE_WAB_METHOD(GetNamesFromIDs)(void** tags, GUID* propertySet, Ulong flags, Ulong* count, void*** names) = 0;
    VELLUMERE_WAB_METHOD(GetIDsFromNames)(Ulong count, void** names, Ulong flags, void** tags) = 0;

protected:
    ~MapiProp() = default;
};

struct MapiTable; // below

struct MapiContainer : MapiProp { // IMAPIContainer; the first slot is all the picker uses
    VELLUMERE_WAB_METHOD(GetContentsTable)(Ulong flags, MapiTable** table) = 0;

protected:
    ~MapiContainer() = default;
};

// IABContainer adds its methods after IMAPIContainer's; the picker calls none
// of them, and only GetContentsTable of IMAPIContainer.
using AbContainer = MapiContainer;

struct MapiTable : Unknown { // IMAPITable, up to QueryRows
    VELLUMERE_WAB_METHOD(GetLastError)(HRESULT result, Ulong flags, void** error) = 0;
    VELLUMERE_WAB_METHOD(Advise)(Ulong eventMask, void* sink, Ulong* connection) = 0;
    VELLUMERE_WAB_METHOD(Unadvise)(Ulong connection) = 0;
    VELLUMERE_WAB_METHOD(GetStatus)(Ulong* status, Ulong* type) = 0;
    VELLUMERE_WAB_METHOD(SetColumns)(void* tags, Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(QueryColumns)(Ulong flags, void** tags) = 0;
    VELLUMERE_WAB_METHOD(GetRowCount)(Ulong flags, Ulong* count) = 0;
    VELLUMERE_WAB_METHOD(SeekRow)(ULONG_PTR origin, LONG rowCount, LONG* sought) = 0;
    VELLUMERE_WAB_METHOD(SeekRowApprox)(Ulong numerator, Ulong denominator) = 0;
    VELLUMERE_WAB_METHOD(QueryPosition)(Ulong* row, Ulong* numerator, Ulong* denominator) = 0;
    VELLUMERE_WAB_METHOD(FindRow)(void* restriction, ULONG_PTR origin, Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(Restrict)(void* restriction, Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(CreateBookmark)(ULONG_PTR* position) = 0;
    VELLUMERE_WAB_METHOD(FreeBookmark)(ULONG_PTR position) = 0;
    VELLUMERE_WAB_METHOD(SortTable)(void* criteria, Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(QuerySortOrder)(void** criteria) = 0;
    VELLUMERE_WAB_METHOD(QueryRows)(LONG rowCount, Ulong flags, RowSet** rows) = 0;

protected:
    ~MapiTable() = default;
};

struct AddrBook : MapiProp { // IAddrBook, up to GetPAB
    VELLUMERE_WAB_METHOD(OpenEntry)(Ulong entryIdSize, EntryId* entryId, const IID* iid, Ulong flags,
                                    Ulong* objectType, Unknown** object) = 0;
    VELLUMERE_WAB_METHOD(CompareEntryIDs)(Ulong size1, EntryId* id1, Ulong size2, EntryId* id2, Ulong flags,
                                          Ulong* result) = 0;
    VELLUMERE_WAB_METHOD(Advise)(Ulong entryIdSize, EntryId* entryId, Ulong eventMask, void* sink,
                                 Ulong* connection) = 0;
    VELLUMERE_WAB_METHOD(Unadvise)(Ulong connection) = 0;
    VELLUMERE_WAB_METHOD(CreateOneOff)(LPSTR name, LPSTR addressType, LPSTR address, Ulong flags,
                                       Ulong* entryIdSize, EntryId** entryId) = 0;
    VELLUMERE_WAB_METHOD(NewEntry)(ULONG_PTR uiParam, Ulong flags, Ulong containerSize, EntryId* container,
                                   Ulong templateSize, EntryId* templateId, Ulong* newSize, EntryId** newId) = 0;
    VELLUMERE_WAB_METHOD(ResolveName)(ULONG_PTR uiParam, Ulong flags, LPSTR title, void* addressList) = 0;
    VELLUMERE_WAB_METHOD(Address)(ULONG_PTR* uiParam, void* parameters, void** addressList) = 0;
    VELLUMERE_WAB_METHOD(Details)(ULONG_PTR* uiParam, void* dismiss, void* dismissContext, Ulong entryIdSize,
                                  EntryId* entryId, void* buttonCallback, void* buttonContext, LPSTR buttonText,
                                  Ulong flags) = 0;
    VELLUMERE_WAB_METHOD(RecipOptions)(ULONG_PTR uiParam, Ulong flags, void* recipient) = 0;
    VELLUMERE_WAB_METHOD(QueryDefaultRecipOpt)(LPSTR addressType, Ulong flags, Ulong* count,
                                               PropertyValue** options) = 0;
    VELLUMERE_WAB_METHOD(GetPAB)(Ulong* entryIdSize, EntryId** entryId) = 0;

protected:
    ~AddrBook() = default;
};

struct WabObject : Unknown { // IWABObject, up to FreeBuffer
    VELLUMERE_WAB_METHOD(GetLastError)(HRESULT result, Ulong flags, void** error) = 0;
    VELLUMERE_WAB_METHOD(AllocateBuffer)(Ulong size, void** buffer) = 0;
    VELLUMERE_WAB_METHOD(AllocateMore)(Ulong size, void* object, void** buffer) = 0;
    VELLUMERE_WAB_METHOD(FreeBuffer)(void* buffer) = 0;

protected:
    ~WabObject() = default;
};

#undef VELLUMERE_WAB_METHOD

// WABOpen, exported by the address book library.
using OpenFunction = HRESULT(STDMETHODCALLTYPE*)(AddrBook** addressBook, WabObject** wabObject,
                                                 OpenParameters* parameters, DWORD reserved);

} // namespace wab
