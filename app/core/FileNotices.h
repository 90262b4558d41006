#pragma once

#include <string>

// How the user hears about the event file. Texts are UTF-8, so that a path
// the code page cannot spell is named whole. The Windows program fills it
// with message boxes and balloons; tests record the calls.
class FileNotices {
public:
    virtual ~FileNotices() = default;

    // Tells the user something to read now (a message box); returns when
    // the user has read it.
    virtual void tell(const std::string& message) = 0;
    // Tells the user without stopping what the user does: a balloon, or a
    // message box where one of the program's windows is open anyway.
    virtual void mention(const std::string& message) = 0;
    // Asks whether to try again; false to give up.
    virtual bool askRetry(const std::string& message) = 0;
    // Asks a question to be answered Yes (true) or No.
    virtual bool askYesNo(const std::string& message) = 0;
    // Tells the user of something that went well (another program's changes
    // taken in), without stopping what the user does.
    virtual void inform(const std::string& message) = 0;
};

// Notices no one hears: for a caller that says what it has to say itself
// (the command-line tool) and answers every question No.
class UnheardNotices : public FileNotices {
public:
    void tell(const std::string&) override {}
    void mention(const std::string&) override {}
    bool askRetry(const std::string&) override { return false; }
    bool askYesNo(const std::string&) override { return false; }
    void inform(const std::string&) override {}
};

// The texts of those notices, from the string table. %1 stands for the event
// file, %2 for the system's reason, %3 for where the events went instead.
struct FileTexts {
    std::string cannotOpen;      // %1 %2 %3: the file is left alone, the run's events go to %3
    std::string saveFailed;      // %1 %2: during the run
    std::string saveFailedAtEnd; // %1 %2: Retry, or Cancel for a copy
    std::string savedCopy;       // %3
    std::string copyFailed;      // %1 %2: the events could not be written anywhere
    std::string tooLarge;        // the reason of a save that would pass the size limit
    std::string keptChanging;    // the reason of a save another program's writes kept from its turn
    std::string unreadable;      // the reason of a save over a file another program left unreadable
    std::string replaceUnreadable; // %1: Yes writes over it (a copy of it is kept), No saves beside it
    std::string changedUnreadable; // %1: another program left the file unreadable
    std::string eventChanged;      // %1 (the number, 1) %2: another program changed an event in the file
    std::string eventsChanged;     // %1 %2: another program changed %1 events in the file
};
