#include "ReminderApp.h"

#include "AlertDialog.h"
#include "PictureIds.h"
#include "ResourceText.h"
#include "StartupSetting.h"
#include "StringIds.h"
#include "TrayMenu.h"
#include "TrayMenuRes.h"

ReminderApp::ReminderApp()
    : reminders(eventList, system, desktop, loadTexts())
{
}

ReminderApp::~ReminderApp()
{
    desktop.killTimer();
    // The tray part then removes the icon from the notification area.
}

bool ReminderApp::loadEvents()
{
    return eventList.load();
}

bool ReminderApp::saveEvents()
{
    return eventList.save();
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
}

void ReminderApp::onTimer()
{
    reminders.onTimer();
}

void ReminderApp::onClockChange()
{
    // Whatever came due while the computer slept comes now, and the timer
    // is set again from the new clock.
    reminders.onTimer();
}

void ReminderApp::onEndSession()
{
    // The process may be ended without a quit message after this returns.
    eventList.save();
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

void ReminderApp::Desktop::showAlert(const Event& event)
{
    AlertDialog alert;
    alert.setEvent(event);
    alert.show(app.instance, app.window);
}

void ReminderApp::Desktop::armTimer(std::uint32_t milliseconds)
{
    killTimer();
    app.timerId = ::SetTimer(app.window, 1, milliseconds, nullptr);
}

void ReminderApp::Desktop::eventsChanged()
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
