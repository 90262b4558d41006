#include "ErrorMessage.h"

#include "ResourceText.h"
#include "StringIds.h"
#include "WideText.h"

#include <exception>

void showErrorMessage(HWND owner, const std::string& text)
{
    const HINSTANCE program = ::GetModuleHandleA(nullptr);
    ::MessageBoxA(owner, text.c_str(), loadResourceText(program, IDS_TIP).c_str(),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

int showProgramMessage(HWND owner, const std::string& utf8Text, UINT style)
{
    const std::string title = loadResourceTextUtf8(::GetModuleHandleA(nullptr), IDS_TIP);
    return ::MessageBoxW(owner, toWide(utf8Text).c_str(), toWide(title).c_str(), style | MB_SETFOREGROUND);
}

void showCurrentError(HWND owner)
{
    std::string text;
    try {
        throw;
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        text = loadResourceText(::GetModuleHandleA(nullptr), IDS_UNEXPECTED_ERROR);
    }
    showErrorMessage(owner, text);
}
