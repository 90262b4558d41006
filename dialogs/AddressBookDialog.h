#pragma once

#include "DialogProcedure.h"
#include "NewestInstance.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

// The modal "Windows Address Book" picker: lists the entries of the user's
// address book by name and e-mail address, and gives back the address of the
// one chosen. Where no address book can be opened it lists the vCards in the
// user's Contacts folder instead. Made on the caller's stack for one use.
class AddressBookDialog : public NewestInstance<AddressBookDialog> {
public:
    AddressBookDialog();
    virtual ~AddressBookDialog();

    // Runs the dialog; 0 after a row was accepted, -1 after Cancel, Escape or
    // the close box.
    INT_PTR show(HINSTANCE moduleInstance, HWND owner);

    // The accepted row's address; empty until then, and for an entry without one.
    const std::string& address() const { return chosenAddress; }

private:
    friend INT_PTR CALLBACK dialogProcedure<AddressBookDialog>(HWND, UINT, WPARAM, LPARAM);
    void handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    void accept();
    // False when no address book could be opened; rows may have been added
    // only when it returns true.
    bool fillFromAddressBook();
    void fillFromContacts();
    void addRow(const char* name, const char* rowAddress);

    std::string chosenAddress;
    HIMAGELIST imageList = nullptr; // the list view owns it
    HWND dialog = nullptr;
    HINSTANCE instance = nullptr;
};
