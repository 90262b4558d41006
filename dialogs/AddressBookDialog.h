#pragma once

#include "ModalDialog.h"

#include <optional>
#include <string>

class ListView;

// The modal "Windows Address Book" picker: lists the entries of the user's
// address book by name and e-mail address, and gives back the address of the
// one chosen. Where no address book can be opened it lists the vCards in the
// user's Contacts folder instead.
class AddressBookDialog : public ModalDialog {
public:
    // Shows the picker, modal to `owner`: the accepted row's address (empty
    // for an entry without one), nothing after Cancel, Escape or the close
    // box.
    static std::optional<std::string> pick(HINSTANCE moduleInstance, HWND owner);

private:
    AddressBookDialog();
    void onInit() override;
    void onDpiChanged() override;
    ListView contactRows() const;
    void fitListToDpi();
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void accept();

    std::string chosenAddress;
};
