#include "ReminderApp.h"

#include "AccountRegistry.h"
#include "AlertDialog.h"
#include "ErrorMessage.h"
#include "ReminderListDialog.h"
#include "PictureIds.h"
#include "ProgramMessages.h"
#include "ResourceText.h"
#include "StartupSetting.h"
#include "StringIds.h"
#include "TrayMenu.h"
#include "TrayMenuRes.h"
#include "Url.h"
#include "WideText.h"
#include "Win32Time.h"

#include <algorithm>

ReminderApp::ReminderApp()
    : reminders(eventList, keeper, system, desktop, loadTexts())
{
}

namespace {

SyncSchedule::Millis ticks()
{
    return ::GetTickCount64();
}

// The calendar's address as the sync state keeps it: a collection, with its slash.
std::string calendarAddress(const std::string& url)
{
    const std::optional<Url> calendar = Url::parse(url);
    if (!calendar)
        return url;
    return calendar->path().back() == '/' ? calendar->text() : calendar->withPath(calendar->path() + "/").text();
}

} // namespace

ReminderApp::~ReminderApp()
{
    watcher.stop();
    desktop.killTimer();
    if (window)
        ::KillTimer(window, syncTimer);
    // A sync still running ends on its own; its result is never taken.
    // The tray part then removes the icon from the notification area.
}

EventStore::Loaded ReminderApp::loadEvents()
{
    return keeper.load();
}

void ReminderApp::saveAtEnd()
{
    keeper.saveAtEnd();
}

FileTexts ReminderApp::loadFileTexts() const
{
    const HINSTANCE program = ::GetModuleHandleA(nullptr);
    FileTexts texts;
    texts.cannotOpen = loadResourceTextUtf8(program, IDS_CANNOT_OPEN_FILE);
    texts.saveFailed = loadResourceTextUtf8(program, IDS_SAVE_FAILED);
    texts.saveFailedAtEnd = loadResourceTextUtf8(program, IDS_SAVE_FAILED_AT_END);
    texts.savedCopy = loadResourceTextUtf8(program, IDS_SAVED_COPY);
    texts.copyFailed = loadResourceTextUtf8(program, IDS_COPY_FAILED);
    texts.tooLarge = loadResourceTextUtf8(program, IDS_FILE_TOO_LARGE);
    texts.keptChanging = loadResourceTextUtf8(program, IDS_KEPT_CHANGING);
    texts.unreadable = loadResourceTextUtf8(program, IDS_UNREADABLE_NOW);
    texts.replaceUnreadable = loadResourceTextUtf8(program, IDS_REPLACE_UNREADABLE);
    texts.changedUnreadable = loadResourceTextUtf8(program, IDS_CHANGED_UNREADABLE);
    texts.eventChanged = loadResourceTextUtf8(program, IDS_EVENT_CHANGED);
    texts.eventsChanged = loadResourceTextUtf8(program, IDS_EVENTS_CHANGED);
    return texts;
}

std::string ReminderApp::loadText(UINT id) const
{
    return loadResourceText(::GetModuleHandleA(nullptr), id);
}

ReminderTexts ReminderApp::loadTexts() const
{
    ReminderTexts texts;
    texts.summaryTitle = loadText(IDS_SUMMARY_TITLE);
    texts.today = loadText(IDS_TODAY);
    texts.tomorrow = loadText(IDS_TOMORROW);
    texts.threeDays = loadText(IDS_THREE_DAYS);
    texts.noEventsToday = loadText(IDS_NO_EVENTS_TODAY);
    texts.eventTitle = loadText(IDS_EVENT_TITLE);
    return texts;
}

void ReminderApp::start(HINSTANCE moduleInstance)
{
    create(moduleInstance);
    reminders.start();
    watcher.start(keeper.path(), window, WM_EVENTFILECHANGED);
    // Without an account nothing of the sync wakes the program.
    account = AccountRegistry::read();
    SyncState::load(files, SyncState::pathFor(keeper.path()), syncState);
    knownEvents = eventList.all();
    schedule.setAccount(account.present(), account.intervalMinutes, ticks());
    armSyncTimer();
}

void ReminderApp::onTimer(UINT_PTR firedTimer)
{
    if (firedTimer == syncTimer) {
        ::KillTimer(window, syncTimer);
        startSync();
        armSyncTimer();
        return;
    }
    if (firedTimer != fileSettleTimer) {
        reminders.onTimer();
        return;
    }
    ::KillTimer(window, fileSettleTimer);
    takeOutsideChanges();
}

void ReminderApp::onAppMessage(UINT message)
{
    // Each notice starts the wait anew: a file written in several steps is
    // read once, whole.
    if (message == WM_EVENTFILECHANGED)
        ::SetTimer(window, fileSettleTimer, EventFileKeeper::settleMilliseconds, nullptr);
    else if (message == WM_SYNCDONE)
        syncEnded();
}

void ReminderApp::takeOutsideChanges()
{
    switch (keeper.takeOutsideChanges()) {
    case EventFileKeeper::OutsideChange::LookAgainSoon:
        ::SetTimer(window, fileSettleTimer, EventFileKeeper::settleMilliseconds, nullptr);
        break;
    case EventFileKeeper::OutsideChange::Taken:
        // The catch-up of what came in, the manager's rows and the next wake.
        reminders.catchUp();
        localChange();
        break;
    case EventFileKeeper::OutsideChange::None:
        break;
    }
}

void ReminderApp::showInfo(const std::string& title, const std::string& text)
{
    if (alertsOpen > 0) {
        heldTitle = title;
        heldText = text;
        return;
    }
    TrayIcon::showBalloon(title.c_str(), text.c_str(), NIIF_INFO, 0);
}

void ReminderApp::onClockChange()
{
    // Whatever came due while the computer slept comes now, and the timer
    // is set again from the new clock.
    reminders.catchUp();
}

void ReminderApp::onResume()
{
    syncNow();
}

void ReminderApp::onEndSession()
{
    // The process may be ended without a quit message after this returns,
    // and no one is there to answer a question.
    keeper.saveForEndOfSession();
}

void ReminderApp::onLeftClick()
{
    if (suppressNextClick) {
        suppressNextClick = false;
        return;
    }
    reminders.composeSummary();
    showBalloon(loadText(IDS_SUMMARY_TITLE).c_str(), reminders.summaryText().c_str(), ReminderDelivery::infoIcon, 0);
}

void ReminderApp::onDoubleClick()
{
    openEventManager();
}

void ReminderApp::onBalloonClick()
{
    onDoubleClick();
}

void ReminderApp::openEventManager()
{
    showBalloon("", "", 0, 0);
    // The button's release that follows a double click arrives while the
    // manager runs: it must not bring up the summary.
    suppressNextClick = true;
    eventManager.show(instance);
}

void ReminderApp::onRightClick()
{
    showTrayMenu();
}

void ReminderApp::showTrayMenu()
{
    TrayMenu menu(instance);
    const StartupSetting startup;
    menu.showRunAtStartup(startup.isOn());
    menu.offerSyncNow(account.present());
    switch (menu.track(window)) {
    case ID_EXIT:
        ::PostQuitMessage(0);
        break;
    case ID_RUN_AT_STARTUP:
        // The choice acts on the state the menu showed.
        if (menu.runAtStartupShown())
            startup.turnOff();
        else
            startup.turnOn(StartupSetting::valueForThisProgram());
        break;
    case ID_EVENT_MANAGER:
        onDoubleClick();
        break;
    case ID_ABOUT:
        aboutDialog.show(instance, window);
        break;
    case ID_CALENDAR_ACCOUNT:
        openAccountDialog();
        break;
    case ID_SYNC_NOW:
        syncNow();
        break;
    case ID_EXPORT_EVENTS:
        calendars.exportEvents(window);
        break;
    case ID_IMPORT_EVENTS:
        if (const std::vector<Event> added = calendars.importEvents(window); !added.empty()) {
            keeper.save();
            // What was over before the import gets no alert; then the
            // catch-up of what came in, the manager's rows and the next wake.
            reminders.eventsEntered(added);
            reminders.catchUp();
            localChange();
        }
        break;
    default:
        break;
    }
}

void ReminderApp::loadTipText(char* buffer, int size)
{
    ::LoadStringA(instance, IDS_TIP, buffer, size);
}

HICON ReminderApp::loadTrayIcon(HINSTANCE moduleInstance)
{
    // The small size the notification area draws, for this screen's DPI.
    appIcon.reset(static_cast<HICON>(::LoadImageA(moduleInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    return appIcon.get();
}

void ReminderApp::Desktop::showBalloon(const std::string& title, const std::string& text, std::uint32_t infoFlags,
                                       std::uint32_t timeout)
{
    app.TrayIcon::showBalloon(title.c_str(), text.c_str(), infoFlags, timeout);
}

// Counts the open alerts; the last to close shows the balloon held meanwhile.
class ReminderApp::AlertOpen {
public:
    explicit AlertOpen(ReminderApp& owner) : app(owner) { ++app.alertsOpen; }
    ~AlertOpen()
    {
        if (--app.alertsOpen == 0 && !app.heldText.empty()) {
            app.TrayIcon::showBalloon(app.heldTitle.c_str(), app.heldText.c_str(), NIIF_INFO, 0);
            app.heldText.clear();
        }
    }
    AlertOpen(const AlertOpen&) = delete;
    AlertOpen& operator=(const AlertOpen&) = delete;

private:
    ReminderApp& app;
};

void ReminderApp::Desktop::showAlert(const Event& event)
{
    const AlertOpen open(app);
    const AlertDialog::Answer answer = AlertDialog::ask(app.instance, app.window, event);
    if (answer.end == ModalDialog::End::snoozed)
        app.reminders.snooze(event, answer.snoozeFor);
}

void ReminderApp::Desktop::showBacklog(const std::vector<Event>& newestFirst)
{
    const AlertOpen open(app);
    const auto snoozed =
        ReminderListDialog::ask(app.instance, app.window, newestFirst, [this](const Event& due) { showAlert(due); });
    if (!snoozed)
        return;
    for (const Event& due : snoozed->events)
        app.reminders.snooze(due, snoozed->choice);
}

void ReminderApp::Desktop::armTimer(std::uint32_t milliseconds)
{
    killTimer();
    app.timerId = ::SetTimer(app.window, reminderTimer, milliseconds, nullptr);
}

void ReminderApp::Desktop::eventsChanged()
{
    app.localChange();
    if (app.eventManager.isOpen())
        app.eventManager.refreshAfterTick();
}

void ReminderApp::Desktop::eventAdded()
{
    app.localChange();
    if (app.eventManager.isOpen())
        app.eventManager.refresh();
}

void ReminderApp::Desktop::killTimer()
{
    if (app.timerId) {
        ::KillTimer(app.window, app.timerId);
        app.timerId = 0;
    }
}

void ReminderApp::Notices::tell(const std::string& message)
{
    showProgramMessage(app.window, message, MB_OK | MB_ICONWARNING);
}

void ReminderApp::Notices::mention(const std::string& message)
{
    if (!app.window || app.eventManager.isOpen() || app.aboutDialog.isOpen()) {
        tell(message);
        return;
    }
    // A balloon takes the code page's text only.
    const std::string title = app.loadText(IDS_SAVE_FAILED_TITLE);
    const std::string text = app.system.codePage().fromUtf8(message);
    app.TrayIcon::showBalloon(title.c_str(), text.c_str(), NIIF_WARNING, 0);
}

bool ReminderApp::Notices::askRetry(const std::string& message)
{
    return showProgramMessage(app.window, message, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

bool ReminderApp::Notices::askYesNo(const std::string& message)
{
    return showProgramMessage(app.window, message, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void ReminderApp::Notices::inform(const std::string& message)
{
    // A balloon takes the code page's text only.
    app.showInfo(app.loadText(IDS_FILE_CHANGED_TITLE), app.system.codePage().fromUtf8(message));
}

void ReminderApp::openAccountDialog()
{
    AccountDialog::Account current{account, {}};
    if (!account.user.empty())
        current.password = passwords.read(account.user).value_or("");
    if (const std::optional<AccountDialog::Account> chosen = accountDialog.ask(instance, window, current)) {
        applyAccount(*chosen);
        syncNow();
    }
}

void ReminderApp::applyAccount(const AccountDialog::Account& chosen)
{
    AccountSettings settings = chosen.settings;
    const bool otherAccount = settings.server != account.server || settings.user != account.user ||
                              settings.calendarUrl != account.calendarUrl ||
                              settings.trustedCertificate != account.trustedCertificate;
    if (otherAccount) {
        // A sync under way speaks for the old account.
        ++accountGeneration;
        if (settings.calendarUrl != account.calendarUrl) {
            settings.lastSync.clear();
            settings.lastProblem = CalDavProblem::None;
            settings.lastStatus = 0;
        }
    }
    if (!settings.user.empty())
        passwords.write(settings.user, chosen.password);
    account = settings;
    AccountRegistry::write(account);
    schedule.setAccount(account.present(), account.intervalMinutes, ticks());
    armSyncTimer();
}

void ReminderApp::removeAccount()
{
    ++accountGeneration;
    passwords.remove();
    AccountRegistry::remove();
    ::DeleteFileW(systemPath(SyncState::pathFor(keeper.path())).c_str());
    account = AccountSettings{};
    syncState = SyncState{};
    schedule.setAccount(false, 0, ticks());
    armSyncTimer();
}

void ReminderApp::localChange()
{
    if (!schedule.hasAccount())
        return;
    std::vector<Event> now = eventList.all();
    if (now == knownEvents)
        return;
    knownEvents = std::move(now);
    schedule.localChange(ticks());
    armSyncTimer();
}

void ReminderApp::syncNow()
{
    schedule.syncNow(ticks());
    armSyncTimer();
}

void ReminderApp::armSyncTimer()
{
    if (!window)
        return;
    const std::optional<SyncSchedule::Millis> delay = schedule.delay(ticks());
    if (!delay) {
        ::KillTimer(window, syncTimer);
        return;
    }
    ::SetTimer(window, syncTimer, static_cast<UINT>(std::min<SyncSchedule::Millis>(*delay, 0x7FFFFFFF)), nullptr);
}

void ReminderApp::startSync()
{
    if (syncJob || !schedule.due(ticks()))
        return;
    auto job = std::make_shared<SyncWorker::Job>();
    job->events = eventList.all();
    job->state = syncState;
    const std::string calendar = calendarAddress(account.calendarUrl);
    // Another calendar: the sync starts afresh and matches the events by UID.
    if (job->state.calendarUrl != calendar) {
        job->state = SyncState{};
        job->state.calendarUrl = calendar;
    }
    job->user = account.user;
    if (!account.user.empty())
        job->password = passwords.read(account.user).value_or("");
    job->trustedCertificate = account.trustedCertificate;
    job->now = system.localTime();
    SYSTEMTIME utc{};
    ::GetSystemTime(&utc);
    job->stampUtc = fromWin32Time(utc);
    syncedFrom = job->events;
    syncGeneration = accountGeneration;
    syncJob = job;
    schedule.started();
    SyncWorker::start(std::move(job), window, WM_SYNCDONE);
}

void ReminderApp::syncEnded()
{
    if (!syncJob || !syncJob->done.load(std::memory_order_acquire))
        return;
    const std::shared_ptr<SyncWorker::Job> job = std::move(syncJob);
    syncJob.reset();
    const std::vector<Event> from = std::move(syncedFrom);
    syncedFrom.clear();
    if (syncGeneration != accountGeneration) {
        schedule.finished(SyncSchedule::Outcome::Stale, ticks());
        armSyncTimer();
        return;
    }
    const CalDavSync::Result& result = job->result;
    if (result.problem != CalDavProblem::None) {
        // Nothing here changed, nothing is lost: the next try takes it all up again.
        account.lastProblem = result.problem;
        account.lastStatus = result.status;
        AccountRegistry::write(account);
        if (schedule.finished(SyncSchedule::Outcome::Failed, ticks()))
            tellSyncProblem();
        accountDialog.showStatus(account);
        armSyncTimer();
        return;
    }
    if (eventList.all() != from) {
        // Changed here meanwhile: the result is dropped, nothing of it was saved.
        schedule.finished(SyncSchedule::Outcome::Stale, ticks());
        armSyncTimer();
        return;
    }
    const bool changed = job->events != from;
    std::vector<Event> received;
    bool saved = true;
    if (changed) {
        for (const Event& event : job->events) {
            if (std::find(from.begin(), from.end(), event) == from.end())
                received.push_back(event);
        }
        eventList.assign(std::move(job->events));
        // What came from the server is no change here; what the catch-up
        // carries on is.
        knownEvents = eventList.all();
        saved = keeper.save();
    }
    syncState = std::move(job->state);
    // The state goes with the file it describes: never ahead of it.
    if (saved)
        syncState.save(files, SyncState::pathFor(keeper.path()));
    const SystemTime now = system.localTime();
    account.lastSync = AccountSettings::timeText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
    account.lastProblem = CalDavProblem::None;
    account.lastStatus = 0;
    AccountRegistry::write(account);
    schedule.finished(SyncSchedule::Outcome::Synced, ticks());
    accountDialog.showStatus(account);
    armSyncTimer();
    if (changed) {
        // Last: an alert may open here and run its own loop. What was over
        // before it came gets no alert, as with an import.
        reminders.eventsEntered(received);
        reminders.catchUp();
        if (eventManager.isOpen())
            eventManager.refresh();
    }
}

void ReminderApp::tellSyncProblem()
{
    const std::string problem = AccountDialog::problemText(instance, account.lastProblem, account.lastStatus);
    const std::string text = EventFileKeeper::fillIn(loadResourceTextUtf8(instance, IDS_SYNC_PROBLEM_BALLOON), {problem});
    // A balloon takes the code page's text only.
    showInfo(loadText(IDS_SYNC_PROBLEM_TITLE), system.codePage().fromUtf8(text));
}
