#pragma once

#include "AboutDialog.h"
#include "AccountDialog.h"
#include "AccountSettings.h"
#include "CalendarFiles.h"
#include "EventFileKeeper.h"
#include "EventList.h"
#include "EventManagerDialog.h"
#include "FileNotices.h"
#include "FileWatcher.h"
#include "ReminderDelivery.h"
#include "ReminderOutput.h"
#include "SyncSchedule.h"
#include "SyncState.h"
#include "SyncWorker.h"
#include "TrayIcon.h"
#include "UniqueHandle.h"
#include "Win32FileSystem.h"
#include "Win32SystemServices.h"
#include "WinPasswordStore.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The application: the tray icon's behaviour, the user's events, and the
// reminders. One lives for the whole run, as a local of WinMain, which reads
// the event file before the start and writes it after the run.
class ReminderApp : public TrayIcon {
public:
    ReminderApp();
    ~ReminderApp() override;

    // Finds the event file (showing the path of "-file:") and reads it; a
    // file that could not be opened is told of.
    EventStore::Loaded loadEvents();
    // The last save of the run: a failure asks Retry or Cancel, and Cancel
    // writes the events to a copy.
    void saveAtEnd();

    // Shows the icon, carries repeating events forward, shows the summary and
    // arms the reminder timer. Throws when the tray window cannot be made.
    void start(HINSTANCE moduleInstance);

    // The right-click menu: event manager, run at startup, export and
    // import, About, Exit.
    void showTrayMenu();
    // Takes down any balloon and opens the event manager (or brings it forward).
    void openEventManager();

    const EventList& events() const { return eventList; }
    // The event file's path (UTF-8).
    const std::string& eventFile() const { return keeper.path(); }

protected:
    void onTimer(UINT_PTR timerId) override;
    void onAppMessage(UINT message) override;
    void onLeftClick() override;
    void onRightClick() override;
    void onDoubleClick() override;
    void onBalloonClick() override;
    void loadTipText(char* buffer, int size) override;
    HICON loadTrayIcon(HINSTANCE moduleInstance) override;
    void onClockChange() override;
    void onResume() override;
    void onEndSession() override;

private:
    // The reminders' way to the desktop: this window's balloons, the alert
    // dialog and timer 1 of the hidden window.
    class Desktop : public ReminderOutput {
    public:
        explicit Desktop(ReminderApp& owner) : app(owner) {}
        void showBalloon(const std::string& title, const std::string& text, std::uint32_t infoFlags,
                         std::uint32_t timeout) override;
        void showAlert(const Event& event) override;
        void showBacklog(const std::vector<Event>& newestFirst) override;
        void armTimer(std::uint32_t milliseconds) override;
        void killTimer() override;
        void eventsChanged() override;
        void eventAdded() override;

    private:
        ReminderApp& app;
    };

    // The event file's notices: message boxes owned by the hidden window,
    // or a balloon while none of the program's windows is open.
    class Notices : public FileNotices {
    public:
        explicit Notices(ReminderApp& owner) : app(owner) {}
        void tell(const std::string& message) override;
        void mention(const std::string& message) override;
        bool askRetry(const std::string& message) override;
        bool askYesNo(const std::string& message) override;
        void inform(const std::string& message) override;

    private:
        ReminderApp& app;
    };

    class AlertOpen;
    friend class AlertOpen;

    // The event file changed on disk and the changes settled: brings in what
    // another program changed.
    void takeOutsideChanges();
    // A balloon that waits while an alert is open.
    void showInfo(const std::string& title, const std::string& text);
    std::string loadText(UINT id) const;

    // The calendar account: the menu's dialog, the settings put in place or
    // removed, and the syncs the schedule calls for, each on a worker.
    void openAccountDialog();
    void applyAccount(const AccountDialog::Account& chosen);
    void removeAccount();
    // The events may have changed here: if so, a sync follows a few seconds later.
    void localChange();
    void syncNow();
    void armSyncTimer();
    void startSync();
    void syncEnded();
    void tellSyncProblem();
    ReminderTexts loadTexts() const;
    FileTexts loadFileTexts() const;

    AboutDialog aboutDialog;
    Win32SystemServices system;
    Win32FileSystem files;
    bool suppressNextClick = false;
    UINT_PTR timerId = 0;
    EventList eventList;
    Notices notices{*this};
    EventFileKeeper keeper{eventList, system, files, notices, loadFileTexts()};
    // An add, edit or remove in the manager moves the next reminder, and
    // goes to the calendar soon.
    EventManagerDialog eventManager{eventList, system,
                                    [this](const Event* entered) { reminders.eventsEdited(entered); },
                                    [this] {
                                        keeper.save();
                                        localChange();
                                    }};
    CalendarFiles calendars{eventList, system, files};
    Desktop desktop{*this};
    ReminderDelivery reminders;
    IconHandle appIcon;
    FileWatcher watcher;
    int alertsOpen = 0;
    std::string heldTitle, heldText;

    AccountSettings account;
    WinPasswordStore passwords;
    SyncSchedule schedule;
    SyncState syncState;          // as last synced, and saved beside the event file
    std::vector<Event> knownEvents; // the list as the sync last saw it
    std::shared_ptr<SyncWorker::Job> syncJob;
    std::vector<Event> syncedFrom; // the list the running sync started from
    unsigned accountGeneration = 0; // a sync of an account changed since is dropped
    unsigned syncGeneration = 0;
    AccountDialog accountDialog{{[this](const AccountDialog::Account& chosen) {
                                     applyAccount(chosen);
                                     syncNow();
                                 },
                                 [this] { removeAccount(); }}};
};
