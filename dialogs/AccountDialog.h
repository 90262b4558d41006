#pragma once

#include "AccountSettings.h"
#include "CalDavCalendar.h"
#include "ModalDialog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The "Calendar account" dialog: the server's address, the user name and
// the password, the user's calendars as the server lists them (from a
// server's address or a calendar's own) to pick one of, or a new one named
// "Vellumere"; how often to sync, the last sync and its problem; "Sync now"
// and "Remove account". The server is asked on a worker thread, so the
// dialog and the reminders behind it go on meanwhile. No password is sent
// unencrypted, and a certificate Windows does not trust is accepted only
// when the user trusts exactly that one for the account.
class AccountDialog : public ModalDialog {
public:
    struct Account {
        AccountSettings settings;
        std::string password;
    };
    struct Actions {
        // "Sync now": the account as the fields show it, put in place and synced.
        std::function<void(const Account&)> syncNow;
        // "Remove account", confirmed.
        std::function<void()> remove;
    };

    explicit AccountDialog(Actions actions);
    ~AccountDialog() override;

    // The account after OK; nothing after Cancel, Escape, the close box,
    // "Remove account" or a quit.
    std::optional<Account> ask(HINSTANCE moduleInstance, HWND owner, Account account);

    // The last sync and its problem, while the dialog is open.
    void showStatus(const AccountSettings& status);

    // A problem in the user's words, with its HTTP status if there was one.
    static std::string problemText(HINSTANCE moduleInstance, CalDavProblem problem, int status);

private:
    struct Search;

    void onInit() override;
    void onCommand(int id) override;
    void onOwnMessage(UINT message) override;

    Account readFields() const;
    void search(bool create);
    void searchEnded();
    void showCalendars(const std::string& chosen);
    void enableButtons();
    void tell(UINT textId, const std::string& value = {});

    Actions actions;
    Account account;
    std::vector<CalDavCalendar> calendars;
    std::string home; // the calendar-home-set, once found
    std::shared_ptr<Search> running;
};
