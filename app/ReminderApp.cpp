#include "ReminderApp.h"

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

ReminderApp::ReminderApp()
    : reminders(eventList, keeper, system, desktop, loadTexts())
{
}

ReminderApp::~ReminderApp()
{
    watcher.stop();
    desktop.killTimer();
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
}

void ReminderApp::onTimer(UINT_PTR firedTimer)
{
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
    if (app.eventManager.isOpen())
        app.eventManager.refreshAfterTick();
}

void ReminderApp::Desktop::eventAdded()
{
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
