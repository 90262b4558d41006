// Vellumere: reminders from the notification area.

#include "ErrorMessage.h"
#include "ReminderApp.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <commctrl.h>

#include <exception>

namespace {

void runMessageLoop()
{
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

// One run: read the events, start, remind until told to quit, write the
// events. An error is thrown on to WinMain, which tells the user.
void run(HINSTANCE instance)
{
    ReminderApp app;
    app.loadEvents();
    std::exception_ptr failure;
    try {
        app.start(instance);
        runMessageLoop();
    } catch (...) {
        failure = std::current_exception();
    }
    // What the run changed is written even when the start failed half-way.
    app.saveAtEnd();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);

    // One copy per logged-on user; a second one ends at once.
    KernelHandle mutex(::CreateMutexA(nullptr, TRUE, "VellumereMutex"));
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    try {
        run(instance);
    } catch (...) {
        showCurrentError(nullptr);
    }

    // Only now, with the file written, may another copy start and read it.
    if (mutex)
        ::ReleaseMutex(mutex.get());
    return 0;
}
