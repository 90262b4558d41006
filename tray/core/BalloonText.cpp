#include "BalloonText.h"

std::string BalloonText::fitTitle(const std::string& title)
{
    return title.substr(0, titleCapacity);
}

std::string BalloonText::fitText(const std::string& text)
{
    if (text.size() <= textCapacity)
        return text;
    static const std::string more = "...";
    const std::size_t room = textCapacity - more.size();
    // The end of the last line (its CR LF included) that fits before "...".
    const std::size_t lineEnd = text.rfind("\r\n", room - 2);
    if (lineEnd != std::string::npos && lineEnd > 0)
        return text.substr(0, lineEnd + 2) + more;
    return text.substr(0, room) + more;
}
