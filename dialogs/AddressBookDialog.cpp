#include "AddressBookDialog.h"

#include "AddressBookDialogRes.h"
#include "ContactsFolder.h"
#include "ListView.h"
#include "PictureIds.h"
#include "StringIds.h"
#include "WindowsAddressBook.h"

AddressBookDialog::AddressBookDialog()
    : ModalDialog(IDD_ADDRESS_BOOK, End::cancelled)
{
}

std::optional<std::string> AddressBookDialog::pick(HINSTANCE moduleInstance, HWND owner)
{
    AddressBookDialog picker;
    if (picker.show(moduleInstance, owner) != End::ok)
        return std::nullopt;
    return picker.chosenAddress;
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

    // The vCards only where there is no address book: an open one that is
    // empty is its answer.
    auto contacts = WindowsAddressBook::read(window());
    if (!contacts)
        contacts = ContactsFolder::read();
    const ListView list = contactRows();
    // The list view places each row by its name.
    for (const VCardReader::Contact& contact : *contacts)
        list.addRow({contact.name, contact.address}, 0);
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
    end(End::ok);
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
