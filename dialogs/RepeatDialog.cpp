#include "RepeatDialog.h"

#include "Calendar.h"
#include "Event.h"
#include "ListView.h"
#include "PictureIds.h"
#include "RepeatDialogRes.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "Win32Time.h"
#include "WordTexts.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace {

// The weekday lists run from Monday, as the rule's weeks do.
int weekdayAt(int index)
{
    return (index + 1) % 7;
}

int indexOfWeekday(int weekday)
{
    return (weekday + 6) % 7;
}

} // namespace

RepeatDialog::RepeatDialog(const RuleChoice& start, long firstDay, bool replaces)
    : ModalDialog(IDD_REPEAT, End::cancelled), choice(start), startDay(firstDay), replacesRule(replaces)
{
}

std::optional<RuleChoice> RepeatDialog::ask(HINSTANCE moduleInstance, HWND owner, const RuleChoice& start,
                                            long startDay, bool replacesRule)
{
    RepeatDialog dialog(start, startDay, replacesRule);
    if (dialog.show(moduleInstance, owner) != End::ok)
        return std::nullopt;
    return dialog.choice;
}

void RepeatDialog::onInit()
{
    const HWND dialog = window();
    setTitleIcon(IDI_TODAY);
    texts = loadRuleTexts(instance());

    const auto add = [dialog](int combo, const std::string& text) {
        ::SendDlgItemMessageA(dialog, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    };
    for (UINT unit = 0; unit < 4; ++unit) // days to years
        add(IDC_REPEAT_UNIT, loadResourceText(instance(), IDS_UNIT_FIRST + 2 + unit));
    for (const std::string& ordinal : texts.ordinals)
        add(IDC_REPEAT_WEEK, ordinal);
    for (int index = 0; index < 7; ++index)
        add(IDC_REPEAT_WEEKDAY, texts.weekdays[weekdayAt(index)]);
    const struct {
        int spin;
        int highest;
    } ranges[] = {{IDC_REPEAT_INTERVAL_SPIN, RuleChoice::maxInterval},
                  {IDC_REPEAT_DATE_SPIN, 31},
                  {IDC_REPEAT_COUNT_SPIN, RuleChoice::maxCount}};
    for (const auto& range : ranges)
        ::SendDlgItemMessageA(dialog, range.spin, UDM_SETRANGE32, 1, range.highest);

    const ListView list = skippedList();
    ListView_SetExtendedListViewStyle(list.handle(), LVS_EX_FULLROWSELECT);
    list.insertColumns(instance(), {IDS_DATE_COLUMN});
    fitColumnToDpi();
    setDay(IDC_REPEAT_SKIP_DATE, startDay);
    if (replacesRule)
        ::SetDlgItemTextA(dialog, IDC_REPEAT_REPLACES, loadResourceText(instance(), IDS_RULE_REPLACED).c_str());
    showChoice();
}

ListView RepeatDialog::skippedList() const
{
    return ListView(::GetDlgItem(window(), IDC_REPEAT_SKIPPED));
}

void RepeatDialog::fitColumnToDpi()
{
    // The list's width less a scroll bar's.
    skippedList().setColumnWidths({255});
}

void RepeatDialog::onDpiChanged()
{
    fitColumnToDpi();
}

int RepeatDialog::number(int id) const
{
    BOOL read = FALSE;
    const UINT value = ::GetDlgItemInt(window(), id, &read, FALSE);
    // Out of every range, as an empty field is.
    return read && value <= 99999 ? static_cast<int>(value) : 0;
}

void RepeatDialog::setDay(int picker, long day)
{
    SystemTime date;
    setDayNumber(date, day);
    date.wDayOfWeek = static_cast<std::uint16_t>(weekdayOf(day));
    SYSTEMTIME value = toWin32Time(date);
    ::SendDlgItemMessageA(window(), picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

long RepeatDialog::day(int picker) const
{
    SYSTEMTIME value{};
    ::SendDlgItemMessageA(window(), picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return dayNumber(value.wYear, value.wMonth, value.wDay);
}

void RepeatDialog::showChoice()
{
    const HWND dialog = window();
    const auto check = [dialog](int id, bool on) { ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); };
    ::SetDlgItemInt(dialog, IDC_REPEAT_INTERVAL, static_cast<UINT>(choice.interval), FALSE);
    ::SendDlgItemMessageA(dialog, IDC_REPEAT_UNIT, CB_SETCURSEL, static_cast<WPARAM>(choice.unit), 0);
    for (int weekday = 0; weekday < 7; ++weekday)
        check(IDC_REPEAT_SUNDAY + weekday, (choice.weekdays & (1u << weekday)) != 0);
    check(IDC_REPEAT_ON_DATE, choice.monthDay == RuleChoice::MonthDay::Date);
    check(IDC_REPEAT_ON_WEEKDAY, choice.monthDay == RuleChoice::MonthDay::Weekday);
    check(IDC_REPEAT_ON_LAST_DAY, choice.monthDay == RuleChoice::MonthDay::LastDay);
    ::SetDlgItemInt(dialog, IDC_REPEAT_DATE, static_cast<UINT>(choice.date), FALSE);
    const int week = choice.week == RuleChoice::lastWeek ? 4 : choice.week - 1;
    ::SendDlgItemMessageA(dialog, IDC_REPEAT_WEEK, CB_SETCURSEL, static_cast<WPARAM>(week), 0);
    ::SendDlgItemMessageA(dialog, IDC_REPEAT_WEEKDAY, CB_SETCURSEL,
                          static_cast<WPARAM>(indexOfWeekday(choice.weekday)), 0);
    check(IDC_REPEAT_NEVER, choice.ending == RuleChoice::Ending::Never);
    check(IDC_REPEAT_UNTIL, choice.ending == RuleChoice::Ending::OnDate);
    check(IDC_REPEAT_AFTER, choice.ending == RuleChoice::Ending::AfterCount);
    setDay(IDC_REPEAT_UNTIL_DATE, choice.untilDay);
    ::SetDlgItemInt(dialog, IDC_REPEAT_COUNT, static_cast<UINT>(choice.count), FALSE);
    showSkipped(-1);
    enableParts();
    showWords();
}

RuleChoice RepeatDialog::readChoice() const
{
    const HWND dialog = window();
    const auto checked = [dialog](int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; };
    const auto selected = [dialog](int combo) {
        return std::max(0, static_cast<int>(::SendDlgItemMessageA(dialog, combo, CB_GETCURSEL, 0, 0)));
    };
    RuleChoice read = choice;
    read.interval = number(IDC_REPEAT_INTERVAL);
    read.unit = static_cast<RuleChoice::Unit>(std::min(selected(IDC_REPEAT_UNIT), 3));
    read.weekdays = 0;
    for (int weekday = 0; weekday < 7; ++weekday)
        read.weekdays |= checked(IDC_REPEAT_SUNDAY + weekday) ? 1u << weekday : 0u;
    read.monthDay = checked(IDC_REPEAT_ON_WEEKDAY)   ? RuleChoice::MonthDay::Weekday
                    : checked(IDC_REPEAT_ON_LAST_DAY) ? RuleChoice::MonthDay::LastDay
                                                      : RuleChoice::MonthDay::Date;
    read.date = number(IDC_REPEAT_DATE);
    const int week = std::min(selected(IDC_REPEAT_WEEK), 4);
    read.week = week == 4 ? RuleChoice::lastWeek : week + 1;
    read.weekday = weekdayAt(std::min(selected(IDC_REPEAT_WEEKDAY), 6));
    read.ending = checked(IDC_REPEAT_UNTIL)   ? RuleChoice::Ending::OnDate
                  : checked(IDC_REPEAT_AFTER) ? RuleChoice::Ending::AfterCount
                                              : RuleChoice::Ending::Never;
    read.untilDay = day(IDC_REPEAT_UNTIL_DATE);
    read.count = number(IDC_REPEAT_COUNT);
    return read;
}

void RepeatDialog::enableParts()
{
    const HWND dialog = window();
    const auto enable = [dialog](int id, bool on) { ::EnableWindow(::GetDlgItem(dialog, id), on ? TRUE : FALSE); };
    const RuleChoice read = readChoice();
    const bool monthly = read.unit == RuleChoice::Unit::Months;
    for (int weekday = 0; weekday < 7; ++weekday)
        enable(IDC_REPEAT_SUNDAY + weekday, read.unit == RuleChoice::Unit::Weeks);
    for (const int id : {IDC_REPEAT_ON_DATE, IDC_REPEAT_ON_WEEKDAY, IDC_REPEAT_ON_LAST_DAY})
        enable(id, monthly);
    for (const int id : {IDC_REPEAT_DATE, IDC_REPEAT_DATE_SPIN})
        enable(id, monthly && read.monthDay == RuleChoice::MonthDay::Date);
    for (const int id : {IDC_REPEAT_WEEK, IDC_REPEAT_WEEKDAY})
        enable(id, monthly && read.monthDay == RuleChoice::MonthDay::Weekday);
    enable(IDC_REPEAT_UNTIL_DATE, read.ending == RuleChoice::Ending::OnDate);
    for (const int id : {IDC_REPEAT_COUNT, IDC_REPEAT_COUNT_SPIN})
        enable(id, read.ending == RuleChoice::Ending::AfterCount);
    enable(IDC_REPEAT_SKIP_REMOVE, skippedList().selectedRow() >= 0);
}

void RepeatDialog::showWords()
{
    const RuleChoice read = readChoice();
    std::string words;
    if (read.firstProblem() == RuleChoice::Problem::None) {
        // As a rule even where it is a plain repetition, so that it is said.
        Event event;
        setDayNumber(event.when, startDay);
        event.rule = read.toRule();
        event.skippedDays = read.skippedDays;
        words = RuleWords::of(event, texts);
    }
    ::SetDlgItemTextA(window(), IDC_REPEAT_WORDS, words.c_str());
}

void RepeatDialog::showSkipped(int selected)
{
    const ListView list = skippedList();
    ListView_DeleteAllItems(list.handle());
    for (const long skipped : choice.skippedDays)
        list.addRow({RuleWords::date(skipped, texts)});
    if (selected >= 0 && static_cast<std::size_t>(selected) < choice.skippedDays.size())
        list.select(selected);
}

void RepeatDialog::addSkipped()
{
    const long skipped = day(IDC_REPEAT_SKIP_DATE);
    std::vector<long>& days = choice.skippedDays;
    const auto place = std::lower_bound(days.begin(), days.end(), skipped);
    const auto row = static_cast<int>(place - days.begin());
    if (place == days.end() || *place != skipped)
        days.insert(place, skipped);
    showSkipped(row);
}

void RepeatDialog::removeSkipped()
{
    const int row = skippedList().selectedRow();
    std::vector<long>& days = choice.skippedDays;
    if (row < 0 || static_cast<std::size_t>(row) >= days.size())
        return;
    days.erase(days.begin() + row);
    showSkipped(std::min(row, static_cast<int>(days.size()) - 1));
}

void RepeatDialog::accept()
{
    const RuleChoice read = readChoice();
    int field = 0;
    UINT message = 0;
    switch (read.firstProblem()) {
    case RuleChoice::Problem::Interval:
        field = IDC_REPEAT_INTERVAL;
        message = IDS_NEED_INTERVAL;
        break;
    case RuleChoice::Problem::Date:
        field = IDC_REPEAT_DATE;
        message = IDS_NEED_MONTH_DATE;
        break;
    case RuleChoice::Problem::Count:
        field = IDC_REPEAT_COUNT;
        message = IDS_NEED_COUNT;
        break;
    case RuleChoice::Problem::None:
        choice = read;
        end(End::ok);
        return;
    }
    ::MessageBoxA(window(), loadResourceText(instance(), message).c_str(),
                  loadResourceText(instance(), IDS_EVENT_MANAGER).c_str(), MB_OK | MB_ICONEXCLAMATION);
    const HWND edit = ::GetDlgItem(window(), field);
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
}

void RepeatDialog::onCommand(int id)
{
    switch (id) {
    case IDOK:
        accept();
        return;
    case IDC_REPEAT_SKIP_ADD:
        addSkipped();
        break;
    case IDC_REPEAT_SKIP_REMOVE:
        removeSkipped();
        break;
    default:
        // A field, a box or a choice changed: what goes with it, and the words.
        break;
    }
    enableParts();
    showWords();
}

bool RepeatDialog::onNotify(NMHDR& header, LRESULT&)
{
    if ((header.idFrom == IDC_REPEAT_UNTIL_DATE && header.code == DTN_DATETIMECHANGE) ||
        (header.idFrom == IDC_REPEAT_SKIPPED && header.code == LVN_ITEMCHANGED)) {
        enableParts();
        showWords();
    }
    return false;
}
