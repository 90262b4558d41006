#include "AlertDialog.h"
#include "AlertDialogRes.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const caption = "Event alert";

struct ControlState {
    std::string description, note, address, path;
    bool emailEnabled, emailTicked, programEnabled, programTicked;
};

ControlState readControls(HWND dialog)
{
    return {controlText(dialog, IDC_DESCRIPTION),
            controlText(dialog, IDC_NOTE),
            controlText(dialog, IDC_EMAIL_ADDRESS),
            controlText(dialog, IDC_PROGRAM_PATH),
            ::IsWindowEnabled(::GetDlgItem(dialog, IDC_SEND_EMAIL)) != FALSE,
            ::IsDlgButtonChecked(dialog, IDC_SEND_EMAIL) == BST_CHECKED,
            ::IsWindowEnabled(::GetDlgItem(dialog, IDC_LAUNCH_PROGRAM)) != FALSE,
            ::IsDlgButtonChecked(dialog, IDC_LAUNCH_PROGRAM) == BST_CHECKED};
}

// The capture program stands in for the event's program and for the mail
// handler registered in this (throw-away) Wine prefix.
class AlertDialogTest : public testing::Test {
protected:
    std::string capturePath = besideTestProgram("alert-capture.txt");
    std::string captureProgram = besideTestProgram(CAPTURE_EXE);

    void SetUp() override
    {
        ::DeleteFileA(capturePath.c_str());
        ::SetEnvironmentVariableA("VELLUMERE_CAPTURE_FILE", capturePath.c_str());
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", 0, nullptr, 0, KEY_SET_VALUE,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::string command = "\"" + captureProgram + "\" \"%1\"";
        ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>(command.size() + 1));
        ::RegCloseKey(key);
    }

    Event event(bool sendEmail, bool launchProgram)
    {
        Event e;
        e.description = "Dinner & drinks at #3?";
        e.note = "first line\r\nsecond line";
        e.emailAddress = "ann@example.org";
        e.programPath = captureProgram;
        e.sendEmail = sendEmail;
        e.launchProgram = launchProgram;
        return e;
    }

    // The captured command lines, once `count` have arrived (or the wait ended).
    std::vector<std::string> captured(std::size_t count)
    {
        std::vector<std::string> lines;
        pumpUntil([&] {
            lines.clear();
            const std::string text = readWholeFile(capturePath);
            for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
                lines.push_back(text.substr(start, end - start));
            return lines.size() >= count;
        });
        return lines;
    }
};

TEST_F(AlertDialogTest, ControlsForEachCombinationOfActions)
{
    for (const bool sendEmail : {false, true}) {
        for (const bool launchProgram : {false, true}) {
            SCOPED_TRACE(testing::Message() << "e-mail " << sendEmail << ", program " << launchProgram);
            ControlState state{};
            bool seen = false;
            whenDialogAppears(caption, [&](HWND dialog) {
                state = readControls(dialog);
                seen = true;
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            });
            EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, event(sendEmail, launchProgram)).end,
                      ModalDialog::End::cancelled);
            ASSERT_TRUE(seen);
            EXPECT_EQ(state.description, "Dinner & drinks at #3?");
            EXPECT_EQ(state.note, "first line\r\nsecond line");
            EXPECT_EQ(state.address, sendEmail ? "ann@example.org" : "");
            EXPECT_EQ(state.path, launchProgram ? captureProgram : "");
            EXPECT_EQ(state.emailEnabled, sendEmail);
            EXPECT_EQ(state.emailTicked, sendEmail);
            EXPECT_EQ(state.programEnabled, launchProgram);
            EXPECT_EQ(state.programTicked, launchProgram);
        }
    }
    EXPECT_TRUE(readWholeFile(capturePath).empty()) << "Cancel carries out nothing";
}

TEST_F(AlertDialogTest, OkLaunchesTheProgramAndHandsTheMailtoLinkOver)
{
    whenDialogAppears(caption, [](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, event(true, true)).end, ModalDialog::End::ok);

    const std::vector<std::string> lines = captured(2);
    ASSERT_EQ(lines.size(), 2u);
    // Two processes write in whichever order they run.
    const std::string& mail = lines[0].find("mailto:") != std::string::npos ? lines[0] : lines[1];
    const std::string& launch = &mail == &lines[0] ? lines[1] : lines[0];
    EXPECT_NE(mail.find(" \"mailto:ann@example.org?subject=Dinner%20%26%20drinks%20at%20%233%3F\""),
              std::string::npos)
        << mail;
    EXPECT_NE(launch.find(CAPTURE_EXE), std::string::npos) << launch;
    EXPECT_EQ(launch.find("mailto:"), std::string::npos) << launch;
}

TEST_F(AlertDialogTest, AnUntickedActionIsNotCarriedOut)
{
    whenDialogAppears(caption, [](HWND dialog) {
        ::SendDlgItemMessageA(dialog, IDC_SEND_EMAIL, BM_CLICK, 0, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, event(true, true)).end, ModalDialog::End::ok);
    const std::vector<std::string> lines = captured(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find("mailto:"), std::string::npos);
    EXPECT_FALSE(pumpUntil([&] { return captured(2).size() > 1; }, 500)) << "no mail handler was started";
}

TEST_F(AlertDialogTest, EscapeAndTheCloseBoxCarryOutNothing)
{
    for (const UINT message : {UINT(WM_CLOSE), UINT(WM_COMMAND)}) {
        whenDialogAppears(caption, [message](HWND dialog) {
            ::PostMessageA(dialog, message, message == WM_COMMAND ? IDCANCEL : 0, 0);
        });
        EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, event(true, true)).end,
                  ModalDialog::End::cancelled);
    }
    EXPECT_FALSE(pumpUntil([&] { return !readWholeFile(capturePath).empty(); }, 500));
}

TEST_F(AlertDialogTest, AnAlertOpenedInsideAnotherLeavesTheOuterOneWorking)
{
    // The inner alert runs in the outer one's message loop, as when a second
    // reminder comes while the first is still open.
    Event outerEvent = event(false, true);
    outerEvent.description = "outer";
    Event innerEvent = event(false, false);
    innerEvent.description = "inner";
    std::string innerSeen, outerAfterInner;
    ModalDialog::End innerResult = ModalDialog::End::closed;

    const ModalDialog* outerObject = nullptr;
    const ModalDialog* innerObject = nullptr;
    const ModalDialog* outerObjectAfterInner = nullptr;
    whenDialogAppears(caption, [&](HWND outerWindow) {
        outerObject = ModalDialog::of(outerWindow);
        // This runs in the inner alert's own loop, so the inner dialog exists.
        whenDialogAppears(caption, [&](HWND) {
            for (HWND w = ::FindWindowA("#32770", caption); w; w = ::FindWindowExA(nullptr, w, "#32770", caption)) {
                if (w != outerWindow) {
                    innerObject = ModalDialog::of(w);
                    innerSeen = controlText(w, IDC_DESCRIPTION);
                    ::PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
                }
            }
        });
        innerResult = AlertDialog::ask(::GetModuleHandleA(nullptr), outerWindow, innerEvent).end;
        EXPECT_NE(innerObject, nullptr);
        EXPECT_NE(innerObject, outerObject) << "each window reaches its own object";
        outerObjectAfterInner = ModalDialog::of(outerWindow);
        outerAfterInner = controlText(outerWindow, IDC_DESCRIPTION);
        ::PostMessageA(outerWindow, WM_COMMAND, IDOK, 0); // the outer alert's own OK
    });
    EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, outerEvent).end, ModalDialog::End::ok);
    EXPECT_EQ(innerResult, ModalDialog::End::cancelled);
    EXPECT_EQ(innerSeen, "inner");
    EXPECT_EQ(outerAfterInner, "outer");
    EXPECT_NE(outerObject, nullptr);
    EXPECT_EQ(outerObjectAfterInner, outerObject);
    EXPECT_EQ(captured(1).size(), 1u) << "the outer alert's OK launched its program";
}

} // namespace
