#include "SnoozeChoiceBox.h"

#include "DisplaySettings.h"
#include "ResourceText.h"
#include "StringIds.h"

namespace {

const char* const settingName = "SnoozeChoice";

} // namespace

void SnoozeChoiceBox::fill(HWND box, HINSTANCE texts)
{
    for (unsigned choice = 0; choice < Snooze::choices; ++choice) {
        const std::string text = loadResourceText(texts, IDS_SNOOZE_FIRST + choice);
        ::SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    ::SendMessageA(box, CB_SETCURSEL, Snooze::fromStored(DisplaySettings::read(settingName, 0)), 0);
}

Snooze::Choice SnoozeChoiceBox::take(HWND box)
{
    const LRESULT selected = ::SendMessageA(box, CB_GETCURSEL, 0, 0);
    const Snooze::Choice choice = Snooze::fromStored(selected == CB_ERR ? 0u : static_cast<unsigned>(selected));
    DisplaySettings::write(settingName, choice);
    return choice;
}
