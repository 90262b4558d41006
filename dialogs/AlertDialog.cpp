#include "AlertDialog.h"

#include "AlertDialogRes.h"
#include "MailtoLink.h"
#include "PictureIds.h"
#include "SnoozeChoiceBox.h"
#include "Win32CodePage.h"

#include <shellapi.h>

#include <string>

AlertDialog::AlertDialog(const Event& due)
    : ModalDialog(IDD_ALERT, End::cancelled), event(due)
{
}

AlertDialog::Answer AlertDialog::ask(HINSTANCE moduleInstance, HWND owner, const Event& due)
{
    AlertDialog alert(due);
    const End how = alert.show(moduleInstance, owner);
    return {how, alert.choice};
}

void AlertDialog::onInit()
{
    const HWND dialog = window();
    setTitleIcon(IDI_TODAY);

    ::SetDlgItemTextA(dialog, IDC_DESCRIPTION, event.description.c_str());
    ::SetDlgItemTextA(dialog, IDC_NOTE, event.note.c_str());
    if (event.sendEmail)
        ::SetDlgItemTextA(dialog, IDC_EMAIL_ADDRESS, event.emailAddress.c_str());
    if (event.launchProgram)
        ::SetDlgItemTextA(dialog, IDC_PROGRAM_PATH, event.programPath.c_str());

    // An offered action starts ticked; the user may untick it, not add one.
    ::EnableWindow(::GetDlgItem(dialog, IDC_SEND_EMAIL), event.sendEmail);
    ::EnableWindow(::GetDlgItem(dialog, IDC_LAUNCH_PROGRAM), event.launchProgram);
    ::CheckDlgButton(dialog, IDC_SEND_EMAIL, event.sendEmail ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(dialog, IDC_LAUNCH_PROGRAM, event.launchProgram ? BST_CHECKED : BST_UNCHECKED);
    SnoozeChoiceBox::fill(::GetDlgItem(dialog, IDC_SNOOZE_CHOICE), instance());
}

void AlertDialog::onOk()
{
    const HWND dialog = window();
    // The program first, then the e-mail; the shell reports its own failures.
    if (::IsDlgButtonChecked(dialog, IDC_LAUNCH_PROGRAM) == BST_CHECKED)
        ::ShellExecuteA(nullptr, nullptr, event.programPath.c_str(), nullptr, nullptr, SW_SHOW);
    if (::IsDlgButtonChecked(dialog, IDC_SEND_EMAIL) == BST_CHECKED) {
        const std::string link = MailtoLink::build(event.emailAddress, event.description, Win32CodePage());
        ::ShellExecuteA(dialog, nullptr, link.c_str(), nullptr, nullptr, SW_SHOW);
    }
    end(End::ok);
}

void AlertDialog::onCommand(int id)
{
    if (id == IDOK) {
        onOk();
    } else if (id == IDC_SNOOZE) {
        choice = SnoozeChoiceBox::take(::GetDlgItem(window(), IDC_SNOOZE_CHOICE));
        end(End::snoozed);
    }
}
