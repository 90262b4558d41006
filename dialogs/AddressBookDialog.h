#pragma once

#include "ModalDialog.h"

#include <string>

class ListView;

// The modal "Windows Address Book" picker: lists the entries of the user's
// address book by name and e-mail address, and gives back the address of the
// one chosen. Where no address book can be opened it lists the vCards in the
// user's Contacts folder instead. Made on the caller's stack for one use.
// Ends with 0 after a row was accepted, -1 after Cancel, Escape or the close
// box.
class AddressBookDialog : public ModalDialog {
public:
    AddressBookDialog();

    // The accepted row's address; empty until then, and for an entry without one.
    const std::string& address() const { return chosenAddress; }

private:
    void onInit() override;
    void onDpiChanged() override;
    ListView contactRows() const;
    void fitListToDpi();
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void accept();

    std::string chosenAddress;
};
