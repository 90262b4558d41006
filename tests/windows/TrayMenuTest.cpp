#include "ReminderApp.h"
#include "StartupSetting.h"
#include "TemporaryFolder.h"
#include "TrayMenuRes.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Run value as the registry of the (throw-away) prefix holds it.
struct RunValue {
    bool exists = false;
    DWORD type = 0;
    std::string data;
};

RunValue readRunValue()
{
    RunValue value;
    char data[4096] = "";
    DWORD size = sizeof data;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, runKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    value.exists = ::RegQueryValueExA(key, "VLM", nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) ==
                   ERROR_SUCCESS;
    if (value.exists && value.type == REG_SZ)
        value.data = data;
    ::RegCloseKey(key);
    return value;
}

void writeRunValue(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "VLM", 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void deleteRunValue()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, runKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, "VLM");
        ::RegCloseKey(key);
    }
}

std::string thisProgram()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

// A running application with its own empty event file, whose tray menu the
// tests open and answer through the keyboard, as a user would.
class TrayMenuTest : public testing::Test {
protected:
    static TemporaryFolder* folder;
    static ReminderApp* app;

    static void SetUpTestSuite()
    {
        folder = new TemporaryFolder;
        ::SetEnvironmentVariableA("APPDATA", folder->path("").c_str());
        ::SetEnvironmentVariableA("USERNAME", "menu-user");
        app = new ReminderApp;
        app->loadEvents();
        app->start(::GetModuleHandleA(nullptr));
    }
    static void TearDownTestSuite()
    {
        delete app;
        delete folder;
        app = nullptr;
        folder = nullptr;
    }
    void TearDown() override { deleteRunValue(); }

    // Opens the menu with a right click on the icon, reports whether "Run at
    // startup" was checked, and then presses `keys`.
    bool openMenuAndPress(std::initializer_list<WORD> keys)
    {
        bool checked = false;
        bool seen = false;
        whenMenuAppears([&](HWND menuWindow) {
            const auto menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
            checked = (::GetMenuState(menu, ID_RUN_AT_STARTUP, MF_BYCOMMAND) & MF_CHECKED) != 0;
            seen = true;
            for (const WORD key : keys)
                pressKey(key);
        });
        ::SendMessageA(app->hiddenWindow(), WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
        EXPECT_TRUE(seen) << "the menu did not open";
        return checked;
    }
};

TemporaryFolder* TrayMenuTest::folder = nullptr;
ReminderApp* TrayMenuTest::app = nullptr;

TEST_F(TrayMenuTest, RunAtStartupOffIsShownUncheckedAndChoosingItWritesTheQuotedPath)
{
    deleteRunValue();
    EXPECT_FALSE(openMenuAndPress({'R'}));
    const RunValue value = readRunValue();
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, "\"" + thisProgram() + "\"");
}

TEST_F(TrayMenuTest, AnyValueCountsAsOnAndChoosingItDeletesIt)
{
    const DWORD number = 7;
    writeRunValue(REG_DWORD, &number, sizeof number);
    EXPECT_TRUE(openMenuAndPress({'R'}));
    EXPECT_FALSE(readRunValue().exists);

    const char other[] = "C:\\Other\\program.exe";
    writeRunValue(REG_SZ, other, sizeof other);
    EXPECT_TRUE(openMenuAndPress({'R'}));
    EXPECT_FALSE(readRunValue().exists);
}

TEST_F(TrayMenuTest, TheCheckMarkFollowsTheRegistryAtEachOpening)
{
    deleteRunValue();
    EXPECT_FALSE(openMenuAndPress({VK_ESCAPE}));
    const char data[] = "\"C:\\x.exe\"";
    writeRunValue(REG_SZ, data, sizeof data);
    EXPECT_TRUE(openMenuAndPress({VK_ESCAPE}));
    deleteRunValue();
    EXPECT_FALSE(openMenuAndPress({VK_ESCAPE}));
}

TEST_F(TrayMenuTest, ADismissedMenuChangesNothing)
{
    const char data[] = "unchanged";
    writeRunValue(REG_SZ, data, sizeof data);
    openMenuAndPress({VK_ESCAPE});
    EXPECT_EQ(readRunValue().data, "unchanged");
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit was posted";
}

TEST_F(TrayMenuTest, ExitPostsTheQuitMessage)
{
    openMenuAndPress({VK_UP, VK_RETURN}); // up from nothing chosen is the last item
    MSG message;
    EXPECT_TRUE(pumpUntil([&] { return ::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE; },
                          2000));
}

TEST_F(TrayMenuTest, AboutOpensOneBoxAndASecondChoiceBringsItForward)
{
    int aboutWindows = -1;
    std::string version;
    whenDialogAppears("About...", [&](HWND about) {
        version = windowText(::FindWindowExA(about, nullptr, "Static", "Version:   1.3.0"));
        // The menu opened again from the icon while the box is open.
        openMenuAndPress({VK_UP, VK_UP, VK_RETURN}); // the last item but one
        aboutWindows = 0;
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", "About..."));)
            ++aboutWindows;
        ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    });
    openMenuAndPress({VK_UP, VK_UP, VK_RETURN}); // the last item but one
    EXPECT_EQ(aboutWindows, 1);
    EXPECT_EQ(version, "Version:   1.3.0");
    EXPECT_EQ(::FindWindowA("#32770", "About..."), nullptr) << "Close ended it";
}

TEST_F(TrayMenuTest, AnUnreachableRunKeyIsReportedAndTheProgramGoesOn)
{
    // The key gone entirely stands for one that cannot be opened.
    ASSERT_EQ(::RegDeleteKeyA(HKEY_CURRENT_USER, runKey), ERROR_SUCCESS);
    std::string message;
    HWND owner = nullptr;
    whenDialogAppears("Vellumere", [&](HWND box) {
        message = windowText(::GetDlgItem(box, 0xFFFF));
        owner = ::GetWindow(box, GW_OWNER);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    ::SendMessageA(app->hiddenWindow(), WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    EXPECT_EQ(message, "Error accessing startup regisrty key");
    EXPECT_EQ(owner, app->hiddenWindow());
    EXPECT_EQ(::FindWindowA("#32768", nullptr) && ::IsWindowVisible(::FindWindowA("#32768", nullptr)), false)
        << "no menu is shown";
    EXPECT_TRUE(::IsWindow(app->hiddenWindow()));

    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    EXPECT_EQ(StartupSetting().isOn(), false);
}

TEST(StartupSetting, AKeyThatCannotBeOpenedIsAnError)
{
    const StartupSetting setting("Software\\Vellumere\\No such key");
    for (int operation = 0; operation < 3; ++operation) {
        try {
            if (operation == 0)
                setting.isOn();
            else if (operation == 1)
                setting.turnOn("\"x\"");
            else
                setting.turnOff();
            ADD_FAILURE() << "operation " << operation << " did not fail";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Error accessing startup regisrty key");
        }
    }
}

// Names `path` in the file dialog with `caption` and presses its OK; the
// message box that follows is read and closed.
void answerFileDialog(const char* caption, const std::string& path, std::string& message)
{
    whenDialogAppears(caption, [path, &message](HWND dialog) {
        // The name box is a combo box in the Explorer style (cmb13), an edit box in the old one (edt1).
        const HWND name = ::GetDlgItem(dialog, 1148) ? ::GetDlgItem(dialog, 1148) : ::GetDlgItem(dialog, 1152);
        ::SetWindowTextA(name, path.c_str());
        whenDialogAppears("Vellumere", [&message](HWND box) {
            message = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
}

std::string readAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST_F(TrayMenuTest, ImportAndExportGoThroughTheirFileDialogsAndTellHowItWent)
{
    const std::string calendar = folder->path("in.ics");
    std::ofstream(calendar, std::ios::binary)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
           "BEGIN:VEVENT\r\nUID:1\r\nDTSTART;VALUE=DATE:20300105\r\nSUMMARY:Birthday\r\nRRULE:FREQ=YEARLY\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nUID:2\r\nDTSTART:20300106T093000\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nUID:3\r\nDTSTART:20300106T093000\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nUID:4\r\nDTSTART:20300107T100000\r\nSUMMARY:Zaj\xC4\x99ty\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nUID:5\r\nDTSTART:20300230T100000\r\nSUMMARY:Caf\xC3\xA9 council\r\nEND:VEVENT\r\n"
           "END:VCALENDAR\r\n";
    std::string message;
    answerFileDialog("Import events", calendar, message);
    openMenuAndPress({'I'});
    EXPECT_EQ(message, "From\n" + calendar +
                           "\n\n4 events added\n0 already there\n"
                           "1 with characters this system's code page lacks, shown as ?\n"
                           "1 starting at a date or time that cannot be (such as 30 February), left out\n"
                           "Left out: Caf\xE9 council");
    EXPECT_EQ(app->events().size(), 4u);

    const std::string exported = folder->path("out.ics");
    answerFileDialog("Export events", exported, message);
    openMenuAndPress({'X'});
    EXPECT_EQ(message, "4 events written to\n" + exported);
    const std::string text = readAll(exported);
    EXPECT_EQ(text.compare(0, 17, "BEGIN:VCALENDAR\r\n"), 0);
    EXPECT_NE(text.find("SUMMARY:Birthday\r\n"), std::string::npos);
    EXPECT_NE(text.find("DTSTART:20300106T093000\r\n"), std::string::npos);

    answerFileDialog("Import events", exported, message);
    openMenuAndPress({'I'});
    EXPECT_EQ(message, "From\n" + exported + "\n\n0 events added\n4 already there");

    std::ofstream(calendar, std::ios::binary | std::ios::trunc) << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n";
    answerFileDialog("Import events", calendar, message);
    openMenuAndPress({'I'});
    EXPECT_EQ(message, "Vellumere could not import\n" + calendar +
                           "\n\nIt is cut short: a part of it is never ended.\n\nNothing was added.");
    EXPECT_EQ(app->events().size(), 4u);
}

} // namespace
