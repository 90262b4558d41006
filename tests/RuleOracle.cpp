// Prints the occurrences of repetition rules, for check-recurrence-rules to
// compare with python3-dateutil's. One question a line on standard input:
//
//     RULE START FROM TO PROBE
//
// START is YYYYMMDD or YYYYMMDDTHHMMSS, the others YYYYMMDD. One answer a
// line: the rule's text(), the occurrences within [FROM, TO] joined by commas
// ("-" for none), the first occurrence on or after PROBE ("none"), and 1 when
// no occurrence comes after PROBE, else 0; or "ERROR" and why. The rule is
// walked as parse(text()) reads it back, so the text is checked on the way.

#include "Calendar.h"
#include "RecurrenceRule.h"
#include "ValueText.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string dateText(long day)
{
    SystemTime date;
    setDayNumber(date, day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.wYear, date.wMonth, date.wDay);
    return text;
}

std::string answer(const std::string& line)
{
    std::istringstream in(line);
    std::string ruleText, startText, fromText, toText, probeText;
    ValueText::Stamp start, from, to, probe;
    if (!(in >> ruleText >> startText >> fromText >> toText >> probeText) || !ValueText::parseStamp(startText, start) ||
        !ValueText::parseStamp(fromText, from) || !ValueText::parseStamp(toText, to) ||
        !ValueText::parseStamp(probeText, probe))
        return "ERROR question";
    RecurrenceRule rule;
    if (!rule.parse(ruleText) || !rule.inVocabulary())
        return "ERROR not a rule of the vocabulary";
    RecurrenceRule again;
    if (!again.parse(rule.text()) || again != rule)
        return "ERROR text " + rule.text() + " reads back otherwise";
    const int minute = static_cast<int>(start.second / 60);
    long budget = 100000000;
    std::vector<long> days;
    if (!again.occurrences(start.day, from.day, to.day, days, budget, minute))
        return "ERROR budget";
    std::string out = again.text() + " ";
    for (std::size_t i = 0; i < days.size(); ++i)
        out += (i ? "," : "") + dateText(days[i]);
    if (days.empty())
        out += "-";
    const long next = again.nextOccurrenceFrom(start.day, probe.day, budget, minute);
    const bool ended = again.hasEnded(start.day, probe.day, budget, minute);
    if (budget < 0)
        return "ERROR budget";
    return out + " " + (next == RecurrenceRule::noDay ? "none" : dateText(next)) + " " + (ended ? "1" : "0");
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line))
        std::cout << answer(line) << '\n';
    return 0;
}
