#include "AccountDialog.h"

#include "AccountDialogRes.h"
#include "CalDavConnection.h"
#include "CalDavDiscovery.h"
#include "PictureIds.h"
#include "ProgramMessages.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "Url.h"
#include "WideText.h"
#include "WinHttpClient.h"

#include <commctrl.h>

#include <atomic>
#include <initializer_list>
#include <thread>
#include <utility>

// One conversation with the server, on a thread of its own. The dialog and
// the thread share it; the thread only writes its answer, and says so last.
struct AccountDialog::Search {
    std::string server, user, password, trusted, home, newCalendar;
    bool create = false;

    CalDavDiscovery::Result found;
    CalDavDiscovery::Created created;
    std::string untrusted; // the fingerprint of a certificate Windows does not trust
    std::atomic<bool> done{false};

    void run()
    {
        WinHttpClient http;
        CalDavConnection connection(http, user, password);
        connection.trustCertificate(trusted);
        CalDavDiscovery discovery(connection);
        if (create && !home.empty())
            found.home = home;
        else
            found = discovery.discover(server);
        if (found.problem == CalDavProblem::UntrustedCertificate) {
            // Discovery does not pass the certificate on; a bare request shows it.
            if (const std::optional<Url> url = Url::parse(server))
                untrusted = connection.send("OPTIONS", *url, {}, "").untrustedCertificateSha256;
            return;
        }
        if (create && found.problem == CalDavProblem::None) {
            if (found.home.empty())
                created.problem = CalDavProblem::NoCalendars;
            else
                created = discovery.createCalendar(found.home, newCalendar);
        }
    }
};

namespace {

std::string fillIn(std::string pattern, std::initializer_list<std::string> values)
{
    char mark[] = "%1";
    for (const std::string& value : values) {
        if (const auto at = pattern.find(mark); at != std::string::npos)
            pattern.replace(at, 2, value);
        ++mark[1];
    }
    return pattern;
}

std::string fieldText(HWND dialog, int id)
{
    const HWND field = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return fromWide(text);
}

void setFieldText(HWND dialog, int id, const std::string& utf8)
{
    ::SetDlgItemTextW(dialog, id, toWide(utf8).c_str());
}

} // namespace

AccountDialog::AccountDialog(Actions given) : ModalDialog(IDD_ACCOUNT, End::cancelled), actions(std::move(given)) {}

// A search still under way goes on alone; its answer is not looked at.
AccountDialog::~AccountDialog() = default;

std::optional<AccountDialog::Account> AccountDialog::ask(HINSTANCE moduleInstance, HWND owner, Account given)
{
    if (isOpen()) {
        bringToFront();
        return std::nullopt;
    }
    account = std::move(given);
    calendars.clear();
    home.clear();
    running.reset();
    if (account.settings.present())
        calendars.push_back({account.settings.calendarUrl, account.settings.calendarName, {}, {}, false});
    const End end = show(moduleInstance, owner);
    running.reset();
    if (end != End::ok)
        return std::nullopt;
    return account;
}

std::string AccountDialog::problemText(HINSTANCE moduleInstance, CalDavProblem problem, int status)
{
    if (problem == CalDavProblem::None)
        return loadResourceTextUtf8(moduleInstance, IDS_ACCOUNT_NO_PROBLEM);
    const std::string text =
        loadResourceTextUtf8(moduleInstance, IDS_SYNC_PROBLEM_FIRST + static_cast<UINT>(problem) - 1);
    if (!status)
        return text;
    return fillIn(loadResourceTextUtf8(moduleInstance, IDS_ACCOUNT_HTTP_STATUS), {text, std::to_string(status)});
}

void AccountDialog::onInit()
{
    const HWND dialog = window();
    setTitleIcon(IDI_APP);
    ::SendDlgItemMessageA(dialog, IDC_ACCOUNT_INTERVAL_SPIN, UDM_SETRANGE32, 0, 24 * 60);
    setFieldText(dialog, IDC_ACCOUNT_SERVER, account.settings.server);
    setFieldText(dialog, IDC_ACCOUNT_USER, account.settings.user);
    setFieldText(dialog, IDC_ACCOUNT_PASSWORD, account.password);
    ::SetDlgItemInt(dialog, IDC_ACCOUNT_INTERVAL, account.settings.intervalMinutes, FALSE);
    showCalendars(account.settings.calendarUrl);
    showStatus(account.settings);
}

void AccountDialog::showStatus(const AccountSettings& status)
{
    if (!window())
        return;
    account.settings.lastSync = status.lastSync;
    account.settings.lastProblem = status.lastProblem;
    account.settings.lastStatus = status.lastStatus;
    setFieldText(window(), IDC_ACCOUNT_LAST_SYNC,
                 status.lastSync.empty() ? loadResourceTextUtf8(instance(), IDS_ACCOUNT_NEVER) : status.lastSync);
    setFieldText(window(), IDC_ACCOUNT_PROBLEM, problemText(instance(), status.lastProblem, status.lastStatus));
}

void AccountDialog::showCalendars(const std::string& chosen)
{
    const HWND combo = ::GetDlgItem(window(), IDC_ACCOUNT_CALENDAR);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    LRESULT selected = calendars.empty() ? -1 : 0;
    for (std::size_t i = 0; i < calendars.size(); ++i) {
        const CalDavCalendar& calendar = calendars[i];
        const std::string shown = calendar.displayName.empty() ? calendar.url : calendar.displayName;
        const LRESULT item = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(shown).c_str()));
        ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        if (calendar.url == chosen)
            selected = item;
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    enableButtons();
}

AccountDialog::Account AccountDialog::readFields() const
{
    const HWND dialog = window();
    Account read = account;
    read.settings.server = fieldText(dialog, IDC_ACCOUNT_SERVER);
    read.settings.user = fieldText(dialog, IDC_ACCOUNT_USER);
    read.password = fieldText(dialog, IDC_ACCOUNT_PASSWORD);
    BOOL number = FALSE;
    const UINT minutes = ::GetDlgItemInt(dialog, IDC_ACCOUNT_INTERVAL, &number, FALSE);
    read.settings.intervalMinutes = number && minutes <= 24 * 60 ? minutes : AccountSettings::defaultInterval;
    const LRESULT item = ::SendDlgItemMessageW(dialog, IDC_ACCOUNT_CALENDAR, CB_GETCURSEL, 0, 0);
    const LRESULT index =
        item < 0 ? -1 : ::SendDlgItemMessageW(dialog, IDC_ACCOUNT_CALENDAR, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (index >= 0 && static_cast<std::size_t>(index) < calendars.size()) {
        read.settings.calendarUrl = calendars[static_cast<std::size_t>(index)].url;
        read.settings.calendarName = calendars[static_cast<std::size_t>(index)].displayName;
    } else {
        read.settings.calendarUrl.clear();
        read.settings.calendarName.clear();
    }
    return read;
}

void AccountDialog::tell(UINT textId, const std::string& value)
{
    const std::string text = fillIn(loadResourceTextUtf8(instance(), textId), {value});
    ::MessageBoxW(window(), toWide(text).c_str(), toWide(loadResourceTextUtf8(instance(), IDS_ACCOUNT_TITLE)).c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
}

void AccountDialog::search(bool create)
{
    account = readFields();
    const std::optional<Url> address = Url::parse(account.settings.server);
    if (account.settings.server.empty() || !address) {
        tell(IDS_ACCOUNT_NEED_ADDRESS);
        ::SetFocus(::GetDlgItem(window(), IDC_ACCOUNT_SERVER));
        return;
    }
    // Checked here too, so that the user hears why before anything is tried.
    if (!address->mayCarryCredentials()) {
        tell(IDS_ACCOUNT_INSECURE, address->text());
        return;
    }
    auto job = std::make_shared<Search>();
    job->server = account.settings.server;
    job->user = account.settings.user;
    job->password = account.password;
    job->trusted = account.settings.trustedCertificate;
    job->home = home;
    job->create = create;
    job->newCalendar = loadResourceTextUtf8(instance(), IDS_ACCOUNT_NEW_CALENDAR);
    running = job;
    setFieldText(window(), IDC_ACCOUNT_PROBLEM, loadResourceTextUtf8(instance(), IDS_ACCOUNT_SEARCHING));
    enableButtons();
    const HWND dialog = window();
    std::thread([job, dialog] {
        job->run();
        job->done.store(true, std::memory_order_release);
        ::PostMessageA(dialog, WM_CALENDARSFOUND, 0, 0);
    }).detach();
}

void AccountDialog::onOwnMessage(UINT message)
{
    if (message == WM_CALENDARSFOUND && running && running->done.load(std::memory_order_acquire))
        searchEnded();
}

void AccountDialog::searchEnded()
{
    const std::shared_ptr<Search> job = std::move(running);
    running.reset();
    showStatus(account.settings);
    enableButtons();
    if (job->found.problem == CalDavProblem::UntrustedCertificate && !job->untrusted.empty()) {
        const std::string text = fillIn(loadResourceTextUtf8(instance(), IDS_ACCOUNT_TRUST_CERTIFICATE),
                                        {job->server, AccountSettings::fingerprintText(job->untrusted)});
        if (::MessageBoxW(window(), toWide(text).c_str(),
                          toWide(loadResourceTextUtf8(instance(), IDS_ACCOUNT_TITLE)).c_str(),
                          MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
            account.settings.trustedCertificate = job->untrusted;
            search(job->create);
        }
        return;
    }
    const CalDavProblem problem = job->found.problem != CalDavProblem::None ? job->found.problem : job->created.problem;
    const int status = job->found.problem != CalDavProblem::None ? job->found.status : job->created.status;
    if (problem != CalDavProblem::None) {
        const std::string text = problemText(instance(), problem, status);
        ::MessageBoxW(window(), toWide(text).c_str(),
                      toWide(loadResourceTextUtf8(instance(), IDS_ACCOUNT_TITLE)).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::string before = readFields().settings.calendarUrl;
    home = job->found.home;
    if (!job->create)
        calendars = job->found.calendars;
    std::string chosen = before;
    if (job->create) {
        calendars.push_back(job->created.calendar);
        chosen = job->created.calendar.url;
    } else if (!job->found.given.empty()) {
        chosen = job->found.given;
    }
    showCalendars(chosen);
    if (!job->create)
        setFieldText(window(), IDC_ACCOUNT_PROBLEM,
                     fillIn(loadResourceTextUtf8(instance(), IDS_ACCOUNT_FOUND), {std::to_string(calendars.size())}));
}

void AccountDialog::enableButtons()
{
    const bool idle = !running;
    for (const int id : {IDC_ACCOUNT_FIND, IDC_ACCOUNT_CREATE, IDOK})
        ::EnableWindow(::GetDlgItem(window(), id), idle ? TRUE : FALSE);
    const bool picked = ::SendDlgItemMessageW(window(), IDC_ACCOUNT_CALENDAR, CB_GETCURSEL, 0, 0) >= 0;
    ::EnableWindow(::GetDlgItem(window(), IDC_ACCOUNT_SYNC), idle && picked ? TRUE : FALSE);
}

void AccountDialog::onCommand(int id)
{
    switch (id) {
    case IDOK:
        account = readFields();
        end(End::ok);
        break;
    case IDC_ACCOUNT_FIND:
        search(false);
        break;
    case IDC_ACCOUNT_CREATE:
        search(true);
        break;
    case IDC_ACCOUNT_SYNC:
        account = readFields();
        if (!account.settings.present()) {
            tell(IDS_ACCOUNT_NEED_CALENDAR);
            break;
        }
        setFieldText(window(), IDC_ACCOUNT_PROBLEM, loadResourceTextUtf8(instance(), IDS_ACCOUNT_SYNCING));
        if (actions.syncNow)
            actions.syncNow(account);
        break;
    case IDC_ACCOUNT_REMOVE: {
        const std::wstring text = toWide(loadResourceTextUtf8(instance(), IDS_ACCOUNT_CONFIRM_REMOVE));
        const std::wstring title = toWide(loadResourceTextUtf8(instance(), IDS_ACCOUNT_TITLE));
        if (::MessageBoxW(window(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
            IDYES)
            break;
        if (actions.remove)
            actions.remove();
        end(End::closed);
        break;
    }
    default:
        if (id == IDC_ACCOUNT_CALENDAR)
            enableButtons();
        break;
    }
}
