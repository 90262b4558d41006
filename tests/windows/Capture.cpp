// capture: a stand-in for the programs Vellumere hands work to (an event's
// program, the mail handler). It appends its whole command line, as one line,
// to the file named by VELLUMERE_CAPTURE_FILE, so a test can read exactly
// what it was given.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = "";
    if (!::GetEnvironmentVariableA("VELLUMERE_CAPTURE_FILE", path, sizeof path))
        return 1;
    // Several captures may run at once: wait for the file rather than fail.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 200 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (file == INVALID_HANDLE_VALUE)
            ::Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(::lstrlenA(line)), &written, nullptr);
    ::WriteFile(file, "\n", 1, &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
