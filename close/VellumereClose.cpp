// VellumereClose: asks a running Vellumere to end in its orderly way, so it
// writes its event file and removes its icon, and waits for it to end. Shows
// nothing. Exit code 0 when Vellumere ended, or none was running; 1 when it
// did not answer (a hung window is not waited for) or did not end in time.

#include "ProgramMessages.h"
#include "TrayWindowNames.h"
#include "UniqueHandle.h"

#include <windows.h>

namespace {

// An installer that upgrades or uninstalls waits for this program: it must
// never wait for ever.
constexpr DWORD limitMilliseconds = 30000;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const HWND window = ::FindWindowA(trayWindowClass, trayWindowTitle);
    if (!window)
        return 0;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Opened before asking, so that an end that comes at once is still seen.
    const KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    const ULONGLONG deadline = ::GetTickCount64() + limitMilliseconds;
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(window, WM_QUITREQUEST, 0, 0, SMTO_ABORTIFHUNG, limitMilliseconds, &answer))
        return 1;
    if (!process)
        return 0; // it answered; its end cannot be watched
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    return ::WaitForSingleObject(process.get(), left) == WAIT_OBJECT_0 ? 0 : 1;
}
