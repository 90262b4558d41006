#include "TrayIcon.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A tray icon that records which of its operations the window calls.
class RecordingTray : public TrayIcon {
public:
    std::vector<std::string> calls;
    bool throwOnTimer = false;

    HWND handle() const { return window; }

protected:
    void onTimer(UINT_PTR timerId) override
    {
        calls.push_back("timer " + std::to_string(timerId));
        if (throwOnTimer)
            throw std::runtime_error("Error accessing startup regisrty key");
    }
    void onAppMessage(UINT message) override { calls.push_back("app message " + std::to_string(message - WM_APP)); }
    void onBalloonClick() override { calls.push_back("balloon click"); }
    void onDoubleClick() override { calls.push_back("double click"); }
    void onRightClick() override { calls.push_back("right click"); }
    void onLeftClick() override { calls.push_back("left click"); }
    void loadTipText(char* buffer, int size) override
    {
        calls.push_back("tip " + std::to_string(size));
        lstrcpynA(buffer, "Vellumere", size);
    }
    HICON loadTrayIcon(HINSTANCE) override
    {
        calls.push_back("icon");
        return ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    }
    void onClockChange() override { calls.push_back("clock change"); }
    void onEndSession() override { calls.push_back("end session"); }
    void onError(const char* message) override { calls.push_back(std::string("error: ") + message); }
};

bool quitPosted()
{
    MSG message;
    return ::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// One window for the suite: under Wine removing an icon takes two seconds.
class TrayIconTest : public testing::Test {
protected:
    static RecordingTray* tray;

    static void SetUpTestSuite()
    {
        tray = new RecordingTray;
        tray->create(::GetModuleHandleA(nullptr));
    }
    static void TearDownTestSuite()
    {
        delete tray;
        tray = nullptr;
    }
    void SetUp() override
    {
        tray->calls.clear();
        tray->throwOnTimer = false;
    }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(tray->handle(), message, wParam, lParam);
    }
};

RecordingTray* TrayIconTest::tray = nullptr;

TEST_F(TrayIconTest, TheHiddenWindowIsFoundByClassAndTitle)
{
    EXPECT_EQ(::FindWindowA("TrayIconWndClass", "TrayIconWnd"), tray->handle());
    EXPECT_FALSE(::IsWindowVisible(tray->handle()));
}

TEST_F(TrayIconTest, IconNotificationsByTheLowWordOfLParam)
{
    const struct {
        LPARAM lParam;
        const char* call; // nullptr: nothing is called
    } cases[] = {
        {WM_LBUTTONUP, "left click"},
        {WM_RBUTTONUP, "right click"},
        {WM_LBUTTONDBLCLK, "double click"},
        {NIN_BALLOONUSERCLICK, "balloon click"},
        {MAKELPARAM(WM_LBUTTONUP, 0x1234), "left click"}, // the high word is not looked at
        {WM_LBUTTONDOWN, nullptr},
        {WM_RBUTTONDOWN, nullptr},
        {WM_RBUTTONDBLCLK, nullptr},
        {WM_MOUSEMOVE, nullptr},
        {NIN_BALLOONSHOW, nullptr},
        {NIN_BALLOONHIDE, nullptr},
        {NIN_BALLOONTIMEOUT, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "lParam 0x" << std::hex << c.lParam);
        tray->calls.clear();
        send(WM_TRAYNOTIFY, 77, c.lParam);
        EXPECT_EQ(tray->calls, c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{});
    }
}

TEST_F(TrayIconTest, ADoubleClickIsReleaseDoubleClickRelease)
{
    for (const LPARAM low : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        send(WM_TRAYNOTIFY, 0, low);
    EXPECT_EQ(tray->calls, (std::vector<std::string>{"left click", "double click", "left click"}));
}

TEST_F(TrayIconTest, TimerPowerAndSessionMessages)
{
    send(WM_TIMER, 1);
    send(WM_TIMER, 99);
    send(WM_APP + 3);
    send(WM_APP + 10);
    EXPECT_EQ(send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC), TRUE);
    send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    send(WM_TIMECHANGE);
    send(WM_ENDSESSION, FALSE);
    send(WM_ENDSESSION, TRUE);
    EXPECT_EQ(tray->calls, (std::vector<std::string>{"timer 1", "timer 99", "app message 10", "clock change",
                                                     "clock change", "end session"}));
}

TEST_F(TrayIconTest, TheQuitRequestAndCloseEndTheRunInOrder)
{
    EXPECT_EQ(send(WM_QUITREQUEST), 0);
    EXPECT_TRUE(quitPosted());
    EXPECT_TRUE(tray->calls.empty());

    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_TRUE(quitPosted());
    EXPECT_TRUE(::IsWindow(tray->handle())) << "the window stays until the application is taken down";
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheTaskBarIsRecreated)
{
    send(::RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_EQ(tray->calls, std::vector<std::string>{"tip 64"}) << "added again, with the icon it has";
}

TEST_F(TrayIconTest, AnErrorInAHandlerReachesOnErrorNotTheSystem)
{
    tray->throwOnTimer = true;
    send(WM_TIMER, 1);
    EXPECT_EQ(tray->calls, (std::vector<std::string>{"timer 1", "error: Error accessing startup regisrty key"}));
}

LRESULT CALLBACK refuseCreation(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_NCCREATE ? FALSE : ::DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(TrayIconCreation, AWindowThatCannotBeMadeIsAnError)
{
    // A class of that name left registered with a procedure that refuses the
    // window: create uses it, and the window fails.
    WNDCLASSEXA refusing{};
    refusing.cbSize = sizeof refusing;
    refusing.lpfnWndProc = refuseCreation;
    refusing.hInstance = ::GetModuleHandleA(nullptr);
    refusing.lpszClassName = "TrayIconWndClass";
    ASSERT_NE(::RegisterClassExA(&refusing), 0);
    {
        RecordingTray tray;
        try {
            tray.create(::GetModuleHandleA(nullptr));
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Error creating tray icon window");
        }
        EXPECT_TRUE(tray.calls.empty()) << "no icon is added";
    }
    ::UnregisterClassA("TrayIconWndClass", ::GetModuleHandleA(nullptr));
}

TEST(TrayIconBalloon, TheRecordHandedToTheShell)
{
    const std::string title(100, 'T');
    std::string text;
    for (int line = 0; line < 20; ++line)
        text += "09.30\tA rather long description of event number " + std::to_string(line) + "\r\n";
    const NOTIFYICONDATAA data = TrayIcon::balloonData(reinterpret_cast<HWND>(0x1234), title.c_str(), text.c_str(),
                                                       NIIF_INFO, 20);
    EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(data.hWnd, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(data.uID, 1u);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(data.uTimeout, 20u);
    EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(std::string(data.szInfoTitle), std::string(63, 'T'));
    const std::string shown = data.szInfo;
    EXPECT_LE(shown.size(), 255u);
    EXPECT_EQ(shown.substr(shown.size() - 5), "\r\n...");
    EXPECT_EQ(text.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);

    const NOTIFYICONDATAA empty = TrayIcon::balloonData(nullptr, "", "", 0, 0);
    EXPECT_EQ(empty.szInfo[0], '\0');
    EXPECT_EQ(empty.szInfoTitle[0], '\0');
}

} // namespace
