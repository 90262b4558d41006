#include "ErrorMessage.h"

#include "ResourceText.h"
#include "StringIds.h"

#include <exception>

void showErrorMessage(HWND owner, const std::string& text)
{
    const HINSTANCE program = ::GetModuleHandleA(nullptr);
    ::MessageBoxA(owner, text.c_str(), loadResourceText(program, IDS_TIP).c_str(),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
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
