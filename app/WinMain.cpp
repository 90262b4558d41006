// Vellumere: reminders from the notification area.

#include "ReminderApp.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <commctrl.h>

#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);

    // One copy per logged-on user; a second one ends at once.
    KernelHandle mutex(::CreateMutexA(nullptr, TRUE, "VellumereMutex"));
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    {
        ReminderApp app;
        bool started = false;
        try {
            app.start(instance);
            started = true;
        } catch (const std::exception& error) {
            ::MessageBoxA(nullptr, error.what(), "Vellumere", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        }
        if (started) {
            MSG message;
            while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
    } // the event file is written here

    // Only now may another copy start and read the file.
    if (mutex)
        ::ReleaseMutex(mutex.get());
    return 0;
}
