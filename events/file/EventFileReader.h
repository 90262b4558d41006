#pragma once

#include "Event.h"

#include <string>
#include <vector>

class CodePage;

// Turns the bytes of an event file into Events, in file order.
class EventFileReader {
public:
    // Files larger than this are not taken in (100,000 events take ~50 MB),
    // and none is written larger: every file the program writes it reads.
    static constexpr std::size_t maxFileSize = 256u * 1024 * 1024;

    // Appends the file's events to `events`; when it gives false, nothing
    // has been appended. False when the text is not an event file that can
    // be read safely: not well-formed XML, empty, too large or too deeply
    // nested, with more than comments after its root element, or a document
    // that yields no event and is not an empty event list. A file that starts
    // with the UTF-8 byte-order mark (Notepad's "UTF-8") is UTF-8, and its
    // text is taken into `codePage`. `text` is used as a work buffer.
    static bool read(std::string& text, std::vector<Event>& events, const CodePage& codePage);

    // The decimal rule of atoi: leading white space, a sign, digits up to the
    // first other character, 0 without digits. A number outside the signed
    // 32-bit range gives 0.
    static std::int32_t parseInteger(const char* text);

    // A note as stored: each "|*" is a line break, CR LF.
    static std::string decodeLineBreaks(const char* note);
};
