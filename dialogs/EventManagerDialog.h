#pragma once

#include "EventRows.h"
#include "ModalDialog.h"
#include "SystemTime.h"

#include <functional>
#include <string>

class EventList;
class ListView;
class SystemServices;

// The modal list of all events: filter by month and hide old ones; add, edit
// and remove through the event editor. Every change is made in the list at
// once and reported through the events-changed callback; closing stores the
// two display settings and writes the event file.
class EventManagerDialog : public ModalDialog {
public:
    // The manager works on `events` in place and takes the present moment
    // from `clock`; `eventsChanged` is called after every add, edit and
    // remove (with the event added or edited into being, null for a remove),
    // never for a change of filter, and `saveEvents` when it closes.
    EventManagerDialog(EventList& events, SystemServices& clock,
                       std::function<void(const Event* entered)> eventsChanged, std::function<void()> saveEvents);

    // Runs the manager, standing alone on the desktop, until it is closed.
    // When it is open already it is brought to the front instead.
    End show(HINSTANCE moduleInstance);
    // Rebuilds the rows after the list or a filter changed; the selection goes.
    void refresh();
    // Rebuilds the rows after the clock moved on (a timer tick): the images
    // and the old events follow the clock; the selection and the scroll
    // position stay when the rows stand for the same events.
    void refreshAfterTick();

private:
    void onInit() override;
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void onCancel() override;
    void onDpiChanged() override;
    ListView eventRows() const;
    void fitListToDpi();
    void fillRow(NMLVDISPINFOA& info);
    void enableMonthControls(bool enable);
    int selectedRow() const;
    void addEvent();
    void editEvent();
    void removeEvent();
    void closeDialog();
    void rebuildRows(bool keepSelection);
    // The row for typing in the list (LVN_ODFINDITEM): `typed` from row `start`.
    int findRow(int start, UINT flags, const std::string& typed) const;

    EventList& eventList;
    SystemServices& system;
    std::function<void(const Event* entered)> eventsChanged;
    std::function<void()> saveEvents;
    EventRows shown;
    unsigned long shownVersion = 0; // of the list the rows were worked out for
    bool ready = false;   // set up, so that control notifications count
    SystemTime shownAt{}; // the moment the rows' images were worked out for
    char rowText[512] = "";
};
