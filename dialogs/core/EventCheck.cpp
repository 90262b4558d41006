#include "EventCheck.h"

#include "Event.h"

EventCheck::Problem EventCheck::firstProblem(const Event& event)
{
    if (event.description.empty())
        return Problem::NoDescription;
    if (event.sendEmail && event.emailAddress.empty())
        return Problem::NoEmailAddress;
    if (event.launchProgram && event.programPath.empty())
        return Problem::NoProgramPath;
    return Problem::None;
}

std::string EventCheck::programFilter(const std::string& description)
{
    std::string filter = description;
    filter += '\0';
    filter += "*.exe;*.bat;*.cmd";
    filter += '\0';
    filter += '\0';
    return filter;
}
