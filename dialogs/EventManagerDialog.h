#pragma once

#include "EventRows.h"

#include "DialogProcedure.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

class EventList;
class ReminderApp;

// The modal list of all events: filter by month and hide old ones; add, edit
// and remove through the event editor. Every change is made in the list at
// once and re-arms the reminder timer; closing stores the two display
// settings and writes the event file.
class EventManagerDialog {
public:
    static constexpr const char* settingsKey = "Software\\Norvask\\Vellumere";

    EventManagerDialog();
    EventManagerDialog(const EventManagerDialog&) = delete;
    EventManagerDialog& operator=(const EventManagerDialog&) = delete;
    virtual ~EventManagerDialog();

    // Runs the manager, standing alone on the desktop; 0. When it is open
    // already it is brought to the front instead.
    int show(HINSTANCE moduleInstance, HWND owner, ReminderApp& application, EventList& list);
    bool isOpen() const { return open; }
    void bringToFront();
    // Rebuilds the rows after the list or a filter changed, and re-arms the timer.
    void refresh();

    static EventManagerDialog* currentInstance;

private:
    friend INT_PTR CALLBACK dialogProcedure<EventManagerDialog>(HWND, UINT, WPARAM, LPARAM);
    void handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void onCommand(int id);
    void onNotify(const NMHDR& header, LPARAM lParam);
    void fillRow(NMLVDISPINFOA& info);
    void enableMonthControls(bool enable);
    int selectedRow() const;
    void addEvent();
    void editEvent();
    void removeEvent();
    void closeDialog();
    std::string loadText(UINT id) const;

    int firstShownIndex = 0;
    EventList* eventList = nullptr;
    ReminderApp* app = nullptr;
    HIMAGELIST imageList = nullptr; // the list view owns it
    HINSTANCE instance = nullptr;
    bool open = false;
    bool ready = false; // set up, so that control notifications count
    HWND dialog = nullptr;
    int rowCount = 0;
    SystemTime shownAt{}; // the moment the rows' images were worked out for
    char rowText[512] = "";
};
