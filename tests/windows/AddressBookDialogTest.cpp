#include "AddressBookDialog.h"
#include "AddressBookDialogRes.h"
#include "ProcessResources.h"
#include "TemporaryFolder.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const caption = "Windows Address Book";
const char* const wabKey = "Software\\Microsoft\\WAB\\DLLPath";

struct Row {
    std::string name, address;
    int image;
    bool operator==(const Row& other) const
    {
        return name == other.name && address == other.address && image == other.image;
    }
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << "{\"" << row.name << "\", \"" << row.address << "\", " << row.image << "}";
}

std::string itemText(HWND list, int index, int column)
{
    char text[512] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<Row> readRows(HWND dialog)
{
    const HWND list = ::GetDlgItem(dialog, IDC_ADDRESS_LIST);
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        item.iImage = -2;
        ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back({itemText(list, i, 0), itemText(list, i, 1), item.iImage});
    }
    return rows;
}

void selectRow(HWND dialog, int index)
{
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendDlgItemMessageA(dialog, IDC_ADDRESS_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(&state));
}

// The test address book's entries, as the list must show them: by name.
const std::vector<Row> bookRows = {
    {"Ann Archer", "ann@example.org", 0},
    {"Bob Brown", "bob.brown@example.org", 0},
    {"Carl Cole", "", 0},
    {"Dora Dunn", "dora@example.org", 0},
    {"Z\xE9lie Zola", "zelie@example.org", 0},
};

// The default value of the address book's registry key, as it was before the
// test; put back afterwards.
struct SavedValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Each test runs against the stand-in address book registered in the
// (throw-away) prefix, or against none. The test keeps its own reference to
// the library so that the books survive the picker's FreeLibrary.
class AddressBookDialogTest : public testing::Test {
protected:
    std::string libraryPath = besideTestProgram(TEST_WAB_DLL);
    HMODULE library = nullptr;
    SavedValue saved;
    std::string savedProfile;
    bool hadProfile = false;

    void SetUp() override
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, wabKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (::RegQueryValueExA(key, nullptr, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
                saved.data.resize(size);
                saved.exists = ::RegQueryValueExA(key, nullptr, nullptr, &saved.type, saved.data.data(), &size) ==
                               ERROR_SUCCESS;
            }
            ::RegCloseKey(key);
        }
        char profile[MAX_PATH] = "";
        hadProfile = ::GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile) != 0;
        savedProfile = profile;

        library = ::LoadLibraryA(libraryPath.c_str());
        ASSERT_NE(library, nullptr) << libraryPath;
        reset = function<void (*)(const char*)>("testWabReset");
        calls = function<const char* (*)()>("testWabCalls");
        liveObjects = function<long (*)()>("testWabLiveObjects");
        buffersOut = function<long (*)()>("testWabBuffersOut");
        strayFrees = function<long (*)()>("testWabStrayFrees");
        openWindowCaption = function<const char* (*)()>("testWabOpenWindowCaption");
        openDefaults = function<int (*)()>("testWabOpenDefaults");
        ASSERT_TRUE(reset && calls && liveObjects && buffersOut && strayFrees && openWindowCaption && openDefaults);
        reset("");
    }

    void TearDown() override
    {
        if (saved.exists)
            writeValue(saved.type, saved.data.data(), static_cast<DWORD>(saved.data.size()));
        else
            removeValue();
        ::SetEnvironmentVariableA("USERPROFILE", hadProfile ? savedProfile.c_str() : nullptr);
        if (library)
            ::FreeLibrary(library);
    }

    template <typename Function>
    Function function(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
    }

    static void writeValue(DWORD type, const BYTE* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, wabKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, nullptr, 0, type, data, size);
        ::RegCloseKey(key);
    }

    static void registerLibrary(const std::string& path)
    {
        writeValue(REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1));
    }

    static void removeValue()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, wabKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, nullptr);
            ::RegCloseKey(key);
        }
    }

    // Runs the picker; `inside` acts on its window from its own loop. The
    // address it gives back.
    std::optional<std::string> run(std::function<void(HWND)> inside)
    {
        bool seen = false;
        whenDialogAppears(caption, [&](HWND dialog) {
            seen = true;
            inside(dialog);
        });
        std::optional<std::string> result = AddressBookDialog::pick(::GetModuleHandleA(nullptr), nullptr);
        EXPECT_TRUE(seen) << "the picker appeared";
        return result;
    }

    // The rows the picker shows, read while it is open; then it is cancelled.
    std::vector<Row> rowsShown()
    {
        std::vector<Row> rows;
        EXPECT_FALSE(run([&](HWND dialog) {
            rows = readRows(dialog);
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }));
        return rows;
    }

    // Everything the address book handed out has come back, and the library
    // was freed as often as it was loaded.
    void expectEverythingReturned()
    {
        EXPECT_EQ(liveObjects(), 0) << "interfaces still referenced";
        EXPECT_EQ(buffersOut(), 0) << "buffers not freed";
        EXPECT_EQ(strayFrees(), 0) << "frees of buffers never handed out";
        // Only the test's own reference is left.
        ::FreeLibrary(library);
        library = nullptr;
        EXPECT_EQ(::GetModuleHandleA(libraryPath.c_str()), nullptr) << "the picker kept the library loaded";
    }

    void (*reset)(const char*) = nullptr;
    const char* (*calls)() = nullptr;
    long (*liveObjects)() = nullptr;
    long (*buffersOut)() = nullptr;
    long (*strayFrees)() = nullptr;
    const char* (*openWindowCaption)() = nullptr;
    int (*openDefaults)() = nullptr;
};

TEST_F(AddressBookDialogTest, TheTemplateAsDesigned)
{
    registerLibrary(libraryPath);
    struct Control {
        int id;
        std::string windowClass, text;
        LONG styles;
        LONG extendedStyles;
    };
    std::vector<Control> order;
    std::string heading[2];
    int width[2] = {};
    int images = 0;
    bool smallIcon = false;
    run([&](HWND dialog) {
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char name[64] = "";
            ::GetClassNameA(child, name, sizeof name);
            order.push_back({::GetDlgCtrlID(child), name, windowText(child), ::GetWindowLongA(child, GWL_STYLE),
                             ::GetWindowLongA(child, GWL_EXSTYLE)});
        }
        const HWND list = ::GetDlgItem(dialog, IDC_ADDRESS_LIST);
        const HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
        for (int i = 0; i < 2; ++i) {
            char text[64] = "";
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            ::SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
            heading[i] = text;
            width[i] = column.cx;
        }
        EXPECT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
        images = ::ImageList_GetImageCount(
            reinterpret_cast<HIMAGELIST>(::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
        smallIcon = ::SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
        EXPECT_EQ(windowText(dialog), caption);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });

    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0].id, IDC_ADDRESS_LIST);
    EXPECT_EQ(order[0].windowClass, "SysListView32");
    const LONG listStyles =
        LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SORTASCENDING | LVS_NOSORTHEADER | WS_TABSTOP;
    EXPECT_EQ(order[0].styles & listStyles, listStyles);
    // Wine's list view turns the template's WS_BORDER into a client edge.
    EXPECT_TRUE((order[0].styles & WS_BORDER) || (order[0].extendedStyles & WS_EX_CLIENTEDGE));
    EXPECT_EQ(order[0].styles & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(order[1].id, IDOK);
    EXPECT_EQ(order[1].text, "&OK");
    EXPECT_EQ(order[1].styles & (BS_DEFPUSHBUTTON | WS_TABSTOP), BS_DEFPUSHBUTTON | WS_TABSTOP);
    EXPECT_EQ(order[2].id, IDCANCEL);
    EXPECT_EQ(order[2].text, "&Cancel");
    EXPECT_EQ(order[2].styles & (BS_TYPEMASK | WS_TABSTOP), BS_PUSHBUTTON | WS_TABSTOP);
    EXPECT_EQ(order[3].windowClass, "Static");
    EXPECT_EQ(order[3].text, "Select the recipient for the e-mail address:");
    EXPECT_EQ(heading[0], "Name");
    EXPECT_EQ(heading[1], "Address");
    EXPECT_EQ(width[0], 170);
    EXPECT_EQ(width[1], 200);
    EXPECT_EQ(images, 1);
    EXPECT_TRUE(smallIcon);
}

TEST_F(AddressBookDialogTest, ListsTheAddressBookByName)
{
    registerLibrary(libraryPath);
    EXPECT_EQ(rowsShown(), bookRows);
    EXPECT_STREQ(calls(), "WABOpen GetPAB OpenEntry GetContentsTable GetRowCount QueryRows");
    EXPECT_STREQ(openWindowCaption(), caption) << "the picker's window is the address book's owner";
    EXPECT_TRUE(openDefaults()) << "the default address book, no flags";
    expectEverythingReturned();
}

// Opened and closed as often as a user would in years: the library's objects
// come back each time and the process keeps nothing.
TEST_F(AddressBookDialogTest, OpenedAndClosedHundredsOfTimesItKeepsNothing)
{
    registerLibrary(libraryPath);
    expectNoResourceGrowth("the address book picker", 200, [&] {
        reset("");
        EXPECT_EQ(rowsShown().size(), bookRows.size());
    }, bareTemplateGrowth(IDD_ADDRESS_BOOK, caption, 200));
    expectEverythingReturned();
}

TEST_F(AddressBookDialogTest, OkGivesTheSelectedRowsAddress)
{
    registerLibrary(libraryPath);
    for (int index = 0; index < static_cast<int>(bookRows.size()); ++index) {
        SCOPED_TRACE(bookRows[static_cast<std::size_t>(index)].name);
        EXPECT_EQ(run([&](HWND dialog) {
                      selectRow(dialog, index);
                      ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                  }),
                  bookRows[static_cast<std::size_t>(index)].address);
    }
}

TEST_F(AddressBookDialogTest, ADoubleClickOnARowAccepts)
{
    registerLibrary(libraryPath);
    EXPECT_EQ(run([&](HWND dialog) {
                      selectRow(dialog, 3);
                      const HWND list = ::GetDlgItem(dialog, IDC_ADDRESS_LIST);
                      RECT box{};
                      box.left = LVIR_LABEL;
                      ::SendMessageA(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&box));
                      const LPARAM point = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
                      ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
                      ::PostMessageA(list, WM_LBUTTONUP, 0, point);
                  }),
              "dora@example.org");
}

TEST_F(AddressBookDialogTest, OkWithoutASelectionLeavesThePickerOpen)
{
    registerLibrary(libraryPath);
    bool openAfterOk = false;
    EXPECT_FALSE(run([&](HWND dialog) {
        ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        openAfterOk = ::IsWindowVisible(dialog) != FALSE;
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    })) << "no address";
    EXPECT_TRUE(openAfterOk);
}

TEST_F(AddressBookDialogTest, CancelEscapeAndTheCloseBoxGiveNoAddress)
{
    registerLibrary(libraryPath);
    const struct {
        const char* what;
        std::function<void(HWND)> close;
    } ways[] = {
        {"Cancel", [](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }},
        {"Escape",
         [](HWND dialog) {
             ::SetForegroundWindow(dialog);
             ::SetFocus(::GetDlgItem(dialog, IDC_ADDRESS_LIST));
             pressKey(VK_ESCAPE);
         }},
        {"close box", [](HWND dialog) { ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        EXPECT_FALSE(run([&](HWND dialog) {
            selectRow(dialog, 0);
            way.close(dialog);
        })) << "no address";
    }
}

TEST_F(AddressBookDialogTest, EachFailureLeavesTheListEmptyAndGivesEverythingBack)
{
    registerLibrary(libraryPath);
    // No vCards to fall back on, wherever the address book was given up.
    TemporaryFolder profile;
    ::SetEnvironmentVariableA("USERPROFILE", profile.path("").c_str());
    const struct {
        const char* step;
        const char* calls;
    } failures[] = {
        {"WABOpen", "WABOpen"},
        {"GetPAB", "WABOpen GetPAB"},
        {"OpenEntry", "WABOpen GetPAB OpenEntry"},
        {"ObjectType", "WABOpen GetPAB OpenEntry"},
        {"GetContentsTable", "WABOpen GetPAB OpenEntry GetContentsTable"},
        {"GetRowCount", "WABOpen GetPAB OpenEntry GetContentsTable GetRowCount"},
        {"ZeroRows", "WABOpen GetPAB OpenEntry GetContentsTable GetRowCount"},
        {"QueryRows", "WABOpen GetPAB OpenEntry GetContentsTable GetRowCount QueryRows"},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.step);
        reset(failure.step);
        EXPECT_TRUE(rowsShown().empty());
        EXPECT_STREQ(calls(), failure.calls);
        EXPECT_EQ(liveObjects(), 0);
        EXPECT_EQ(buffersOut(), 0);
        EXPECT_EQ(strayFrees(), 0);
    }
    expectEverythingReturned();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(AddressBookDialogTest, WithoutAnAddressBookOrVCardsTheListIsEmpty)
{
    removeValue();
    TemporaryFolder profile;
    ::CreateDirectoryA(profile.path("Contacts").c_str(), nullptr);
    ::SetEnvironmentVariableA("USERPROFILE", profile.path("").c_str());
    bool stillOpen = false;
    EXPECT_FALSE(run([&](HWND dialog) {
        EXPECT_TRUE(readRows(dialog).empty());
        ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        stillOpen = ::IsWindowVisible(dialog) != FALSE;
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_TRUE(stillOpen) << "OK does nothing in an empty list";
    EXPECT_STREQ(calls(), "") << "no library was loaded";
}

TEST_F(AddressBookDialogTest, WithoutAnAddressBookTheContactsVCardsAreListed)
{
    TemporaryFolder profile;
    ::SetEnvironmentVariableA("USERPROFILE", profile.path("").c_str());
    ::CreateDirectoryA(profile.path("Contacts").c_str(), nullptr);
    writeFile(profile.path("Contacts\\Bob Brown.vcf"),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob Brown\r\nEMAIL;TYPE=INTERNET:bob@example.org\r\nEND:VCARD\r\n");
    writeFile(profile.path("Contacts\\family.vcf"),
              "BEGIN:VCARD\nFN:Zoe Zane\nEMAIL:zoe@example.org\nEND:VCARD\n"
              "BEGIN:VCARD\nFN:No Address\nTEL:123\nEND:VCARD\n"
              "BEGIN:VCARD\nFN:Ann\n  Archer\nEMAIL:ann@example.org\nEND:VCARD\n");
    writeFile(profile.path("Contacts\\notes.txt"), "BEGIN:VCARD\nFN:Not a card\nEMAIL:x@example.org\nEND:VCARD\n");

    const std::vector<Row> expected = {
        {"Ann Archer", "ann@example.org", 0},
        {"Bob Brown", "bob@example.org", 0},
        {"Zoe Zane", "zoe@example.org", 0},
    };
    // No value, and a value naming a library that is not there: both fall back.
    removeValue();
    EXPECT_EQ(rowsShown(), expected);
    registerLibrary(profile.path("missing.dll"));
    EXPECT_EQ(rowsShown(), expected);

    EXPECT_EQ(run([&](HWND dialog) {
                  selectRow(dialog, 2);
                  ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
              }),
              "zoe@example.org");
}

TEST_F(AddressBookDialogTest, VCardsInUtf8AndInTheCodePageBothShowInTheCodePage)
{
    removeValue();
    TemporaryFolder profile;
    ::SetEnvironmentVariableA("USERPROFILE", profile.path("").c_str());
    ::CreateDirectoryA(profile.path("Contacts").c_str(), nullptr);
    const struct {
        const char* file;
        const char* card;
    } cards[] = {
        {"utf-8.vcf", "BEGIN:VCARD\nFN:Z\xC3\xA9lie Zola\nEMAIL:zelie@example.org\nEND:VCARD\n"},
        {"code-page.vcf", "BEGIN:VCARD\nFN:Ren\xE9 Roux\nEMAIL:rene@example.org\nEND:VCARD\n"},
    };
    for (const auto& card : cards)
        writeFile(profile.path(std::string("Contacts\\") + card.file), card.card);
    EXPECT_EQ(rowsShown(), (std::vector<Row>{{"Ren\xE9 Roux", "rene@example.org", 0},
                                             {"Z\xE9lie Zola", "zelie@example.org", 0}}));
}

TEST_F(AddressBookDialogTest, AnOpenAddressBookIsNotMixedWithVCards)
{
    registerLibrary(libraryPath);
    TemporaryFolder profile;
    ::SetEnvironmentVariableA("USERPROFILE", profile.path("").c_str());
    ::CreateDirectoryA(profile.path("Contacts").c_str(), nullptr);
    writeFile(profile.path("Contacts\\a.vcf"), "BEGIN:VCARD\nFN:From a card\nEMAIL:card@example.org\nEND:VCARD\n");
    EXPECT_EQ(rowsShown(), bookRows);
}

} // namespace
