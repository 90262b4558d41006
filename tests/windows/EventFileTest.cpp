// What the running program does with its event file when the file or its
// folder will not cooperate, and with paths the code page cannot spell.

#include "EventFileWriter.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialogRes.h"
#include "ReminderApp.h"
#include "ReminderTestKit.h"
#include "TemporaryFolder.h"
#include "WideText.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring widePath(const std::string& path)
{
    return std::wstring(path.begin(), path.end()); // the temporary folder's path is ASCII
}

std::string readWide(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(no file)";
    std::string contents;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        contents.append(buffer, got);
    ::CloseHandle(file);
    return contents;
}

// Opens the manager, adds an event of that description (empty: adds none),
// and closes the manager, which saves.
void addThroughTheManager(ReminderApp& app, const char* description)
{
    bool seen = false;
    whenDialogAppears("Vellumere", [&](HWND manager) {
        seen = true;
        if (*description) {
            whenDialogAppears("Event properties ", [description](HWND editor) {
                ::SetDlgItemTextA(editor, IDC_PROPERTIES_DESCRIPTION, description);
                ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
            });
            ::SendMessageA(manager, WM_COMMAND, IDC_ADD, 0);
        }
        ::PostMessageA(manager, WM_COMMAND, IDC_MANAGER_CLOSE, 0);
    });
    app.openEventManager();
    EXPECT_TRUE(seen) << "the manager did not open";
}

bool holds(const ReminderApp& app, const std::string& description)
{
    for (const Event& event : app.events()) {
        if (event.description == description)
            return true;
    }
    return false;
}

class EventFileTest : public testing::Test {
public:
    TemporaryFolder folder;
    std::string file;

    void SetUp() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere");
        std::string appData = folder.path("");
        appData.pop_back(); // the separator at its end
        ::SetEnvironmentVariableA("APPDATA", appData.c_str());
        ::SetEnvironmentVariableA("USERNAME", "file-user");
        ::CreateDirectoryA(folder.path("Vellumere").c_str(), nullptr);
        file = folder.path("Vellumere\\file-user.xml");
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere"); }

    std::string writeEvents(const std::vector<Event>& events)
    {
        const std::string text = EventFileWriter::write(events);
        HANDLE out = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(out);
        return text;
    }
};

TEST_F(EventFileTest, AFileHeldForGoodIsToldOfAndNeverSavedOver)
{
    const std::string original = writeEvents({timedEvent("in the file", 2027, 1, 1, 9, 0)});
    HANDLE holder = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    std::string told;
    whenDialogAppears("Vellumere", [&](HWND box) {
        told = windowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }, 10000);
    {
        ReminderApp app;
        EXPECT_EQ(app.loadEvents(), EventStore::Loaded::CouldNotOpen);
        app.start(::GetModuleHandleA(nullptr));
        addThroughTheManager(app, "added while it was held");
        app.saveAtEnd();
    }
    ::CloseHandle(holder);

    EXPECT_NE(told.find(file), std::string::npos) << told;
    const std::size_t named = told.find("file-user.unsaved-");
    ASSERT_NE(named, std::string::npos) << told;
    const std::string beside = folder.path("Vellumere\\" + told.substr(named, told.find(".xml", named) + 4 - named));
    EXPECT_EQ(readWholeFile(file), original) << "the file was never written over";
    EXPECT_NE(readWholeFile(beside).find("<description>added while it was held</description>"), std::string::npos);
}

TEST_F(EventFileTest, AFailedSaveIsToldOnceTheEventsStayAndTheNextSaveTriesAgain)
{
    const struct {
        const char* what;
        void (*breakIt)(EventFileTest&);
        void (*mendIt)(EventFileTest&);
    } cases[] = {
        {"a read-only file",
         [](EventFileTest& t) {
             t.writeEvents({});
             ::SetFileAttributesA(t.file.c_str(), FILE_ATTRIBUTE_READONLY);
         },
         [](EventFileTest& t) { ::SetFileAttributesA(t.file.c_str(), FILE_ATTRIBUTE_NORMAL); }},
        {"a missing folder",
         [](EventFileTest& t) { ::RemoveDirectoryA(t.folder.path("Vellumere").c_str()); },
         [](EventFileTest& t) { ::CreateDirectoryA(t.folder.path("Vellumere").c_str(), nullptr); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileA(file.c_str());
        ReminderApp app;
        app.loadEvents();
        c.breakIt(*this);
        app.start(::GetModuleHandleA(nullptr));

        std::vector<std::string> told;
        const auto listen = [&] {
            whenOwnedDialogAppears(app.hiddenWindow(), [&](HWND box) {
                told.push_back(windowText(::GetDlgItem(box, 0xFFFF)));
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            });
        };
        listen();
        const ULONGLONG start = ::GetTickCount64();
        addThroughTheManager(app, "kept in memory");
        EXPECT_LT(::GetTickCount64() - start, 1500u) << "told at once, not after retries";
        listen();
        addThroughTheManager(app, "");
        pumpUntil([] { return false; }, 300);
        ASSERT_EQ(told.size(), 1u) << "told once";
        EXPECT_NE(told[0].find(file), std::string::npos) << told[0];
        EXPECT_TRUE(holds(app, "kept in memory"));

        c.mendIt(*this);
        addThroughTheManager(app, "");
        EXPECT_NE(readWholeFile(file).find("<description>kept in memory</description>"), std::string::npos)
            << "the next save wrote the events";
        EXPECT_EQ(told.size(), 1u);
    }
}

TEST_F(EventFileTest, PathsTheCodePageCannotSpellAndLongPathsHoldTheEvents)
{
    // The test's own folder, then a Greek folder name and a user name with
    // an omega; or folders enough for a path of over 300 characters.
    std::wstring base = widePath(folder.path(""));
    base.pop_back();
    std::wstring deep = base;
    for (int i = 0; i < 25; ++i)
        deep += L"\\folder" + std::to_wstring(i) + L"abc";
    const struct {
        const char* what;
        std::wstring appData;
        std::wstring user;
        std::size_t length; // at least, of the file's path
    } cases[] = {
        {"outside the code page", base + L"\\\x0395\x03BB\x03BB\x03AC\x03B4\x03B1", L"J\x00FCrgen-\x03A9", 40},
        {"longer than MAX_PATH", deep, L"long-path-user", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Made in the \\?\ form, which the folder functions need past MAX_PATH.
        std::wstring made;
        for (std::size_t at = 0; at != std::wstring::npos;) {
            const std::size_t next = c.appData.find(L'\\', at + 1);
            made = L"\\\\?\\" + c.appData.substr(0, next);
            ::CreateDirectoryW(made.c_str(), nullptr);
            at = next;
        }
        ::SetEnvironmentVariableW(L"APPDATA", c.appData.c_str());
        ::SetEnvironmentVariableW(L"USERNAME", c.user.c_str());
        const std::wstring expected = L"\\\\?\\" + c.appData + L"\\Vellumere\\" + c.user + L".xml";
        EXPECT_GT(expected.size(), c.length);
        {
            ReminderApp app;
            std::string complaint;
            EXPECT_EQ(app.loadEvents(), EventStore::Loaded::Missing);
            EXPECT_EQ(app.eventFile(), fromWide(c.appData + L"\\Vellumere\\" + c.user + L".xml"));
            app.start(::GetModuleHandleA(nullptr));
            whenOwnedDialogAppears(app.hiddenWindow(), [&](HWND box) { // a message where there should be none
                complaint = windowText(::GetDlgItem(box, 0xFFFF));
                ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            });
            addThroughTheManager(app, "a path of its own");
            app.saveAtEnd();
            EXPECT_EQ(complaint, "");
        }
        EXPECT_NE(readWide(expected).find("<description>a path of its own</description>"), std::string::npos);
        ReminderApp again;
        EXPECT_EQ(again.loadEvents(), EventStore::Loaded::Read);
        EXPECT_TRUE(holds(again, "a path of its own"));
        ::DeleteFileW(expected.c_str());
    }
    // What the temporary folder's removal cannot reach.
    for (std::wstring at = L"\\\\?\\" + deep + L"\\Vellumere"; at.size() > base.size() + 4;
         at.erase(at.find_last_of(L'\\')))
        ::RemoveDirectoryW(at.c_str());
}

} // namespace
