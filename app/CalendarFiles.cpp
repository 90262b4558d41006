#include "CalendarFiles.h"

#include "CalendarTransfer.h"
#include "CodePage.h"
#include "EventFileKeeper.h"
#include "ErrorMessage.h"
#include "EventList.h"
#include "FileSystem.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "SystemServices.h"
#include "VellumereVersion.h"
#include "WideText.h"
#include "Win32Time.h"
#include "Win32TimeZones.h"

#include <commdlg.h>

#include <utility>

namespace {

std::string text(UINT id)
{
    return loadResourceTextUtf8(::GetModuleHandleA(nullptr), id);
}

} // namespace

CalendarFiles::CalendarFiles(EventList& eventList, SystemServices& systemServices, FileSystem& fileSystem)
    : events(eventList), system(systemServices), files(fileSystem)
{
}

std::string CalendarFiles::askForFile(HWND owner, bool forSaving)
{
    // "name\0pattern\0name\0pattern\0\0", as the dialog takes its filter.
    const std::wstring filter = toWide(text(IDS_CALENDAR_FILTER)) + L'\0' + L"*.ics" + L'\0' +
                                toWide(text(IDS_ALL_FILES)) + L'\0' + L"*.*" + L'\0';
    const std::wstring title = toWide(text(forSaving ? IDS_EXPORT_TITLE : IDS_IMPORT_TITLE));
    std::wstring name = forSaving ? L"Vellumere.ics" : L"";
    name.resize(32768); // room for any path the user picks
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"ics";
    dialog.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   (forSaving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    // The hidden window owns it: the dialog must come to the front itself.
    ::SetForegroundWindow(owner);
    const BOOL chosen = forSaving ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    return chosen ? fromWide(name.data()) : std::string();
}

void CalendarFiles::exportEvents(HWND owner)
{
    const std::string path = askForFile(owner, true);
    if (path.empty())
        return;
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    const CalendarTransfer::Exported exported =
        CalendarTransfer::exportText(events.all(), fromWin32Time(now), system.codePage(), VELLUMERE_VERSION_SHORT);
    if (files.replaceFile(path, exported.text)) {
        std::string message = EventFileKeeper::fillIn(text(IDS_EXPORTED), {std::to_string(exported.written), path});
        if (exported.leftOut > 0)
            message += "\n" + EventFileKeeper::fillIn(text(IDS_EXPORT_LEFT_OUT), {std::to_string(exported.leftOut)});
        showProgramMessage(owner, message, MB_ICONINFORMATION);
    } else {
        showProgramMessage(owner, EventFileKeeper::fillIn(text(IDS_EXPORT_FAILED), {path, files.lastError()}),
                           MB_ICONWARNING);
    }
}

std::vector<Event> CalendarFiles::importEvents(HWND owner)
{
    const std::string path = askForFile(owner, false);
    if (path.empty())
        return {};
    std::string calendar;
    const FileSystem::ReadResult read = files.readFile(path, calendar, ICalendarReader::maxFileSize);
    if (read != FileSystem::ReadResult::Read) {
        const std::string reason = read == FileSystem::ReadResult::TooLarge
                                       ? text(IDS_CALENDAR_PROBLEM_FIRST + 5)
                                       : files.lastError();
        showProgramMessage(owner, EventFileKeeper::fillIn(text(IDS_IMPORT_REFUSED), {path, reason}), MB_ICONWARNING);
        return {};
    }
    const Win32TimeZones zones;
    CalendarTransfer::Imported imported =
        CalendarTransfer::importText(events, calendar, system.localTime(), system.codePage(), zones);
    if (imported.problem != ICalendarReader::Problem::None) {
        const UINT problem = imported.problem == ICalendarReader::Problem::TooManyTimeZones
                                 ? IDS_CALENDAR_TOO_MANY_ZONES
                                 : IDS_CALENDAR_PROBLEM_FIRST + static_cast<UINT>(imported.problem) - 1;
        showProgramMessage(owner, EventFileKeeper::fillIn(text(IDS_IMPORT_REFUSED), {path, text(problem)}),
                           MB_ICONWARNING);
        return {};
    }
    std::string message = EventFileKeeper::fillIn(
        text(IDS_IMPORTED), {path, std::to_string(imported.added), std::to_string(imported.alreadyPresent)});
    const struct {
        std::size_t count;
        UINT id;
    } changes[] = {{imported.changes.zoneTakenAsLocal, IDS_IMPORT_ZONES},
                   {imported.changes.zoneOutsideItsYears, IDS_IMPORT_ZONE_YEARS},
                   {imported.changes.ruleToOnce, IDS_IMPORT_RULES},
                   {imported.changes.alarmsDropped, IDS_IMPORT_ALARMS_LEFT},
                   {imported.changes.charactersLost, IDS_IMPORT_CHARACTERS},
                   {imported.changes.startMissing, IDS_IMPORT_NO_START},
                   {imported.changes.startImpossible, IDS_IMPORT_IMPOSSIBLE_START}};
    for (const auto& change : changes)
        if (change.count > 0)
            message += "\n" + EventFileKeeper::fillIn(text(change.id), {std::to_string(change.count)});
    for (const std::string& name : imported.changes.leftOut)
        message += "\n" + EventFileKeeper::fillIn(text(IDS_IMPORT_LEFT_OUT), {system.codePage().toUtf8(name)});
    const std::size_t unnamed = imported.changes.leftOutCount() - imported.changes.leftOut.size();
    if (unnamed > 0)
        message += "\n" + EventFileKeeper::fillIn(text(IDS_IMPORT_LEFT_OUT_MORE), {std::to_string(unnamed)});
    showProgramMessage(owner, message, MB_ICONINFORMATION);
    return std::move(imported.addedEvents);
}
