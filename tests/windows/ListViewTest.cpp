// The list-view helper the dialogs share: columns from the string table,
// widths and icons at the window's DPI, rows placed where the list puts them.

#include "Dpi.h"
#include "ListView.h"
#include "PictureIds.h"
#include "ProcessResources.h"
#include "StringIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Column {
    std::string heading;
    int subItem, width;
    bool operator==(const Column& other) const
    {
        return heading == other.heading && subItem == other.subItem && width == other.width;
    }
};

void PrintTo(const Column& column, std::ostream* out)
{
    *out << "{\"" << column.heading << "\", " << column.subItem << ", " << column.width << "}";
}

// A report-view list of its own, as a top-level window.
class ListViewTest : public testing::Test {
protected:
    HWND window = nullptr;

    void create(DWORD extraStyles)
    {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&classes);
        window = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | extraStyles, 0, 0, 400, 300,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        if (window)
            ::DestroyWindow(window);
    }

    std::vector<Column> columns() const
    {
        std::vector<Column> found;
        const int count = Header_GetItemCount(ListView_GetHeader(window));
        for (int i = 0; i < count; ++i) {
            char text[64] = "";
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_WIDTH;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            ListView_GetColumn(window, i, &column);
            found.push_back({text, column.iSubItem, column.cx});
        }
        return found;
    }
    std::string rowText(int row) const
    {
        char name[64] = "", address[64] = "";
        ListView_GetItemText(window, row, 0, name, sizeof name);
        ListView_GetItemText(window, row, 1, address, sizeof address);
        return std::string(name) + " | " + address;
    }
};

TEST_F(ListViewTest, ColumnsAreAppendedWithTheirWidthsAtTheWindowsDpi)
{
    create(0);
    const ListView list(window);
    list.insertColumns(::GetModuleHandleA(nullptr), {IDS_NAME_COLUMN, IDS_ADDRESS_COLUMN});
    list.insertColumns(::GetModuleHandleA(nullptr), {IDS_ACTIONS_COLUMN});
    list.setColumnWidths({170, 200, 35});
    const UINT dpi = dpiOf(window);
    EXPECT_EQ(columns(), (std::vector<Column>{{"Name", 0, scaledForDpi(170, dpi)},
                                              {"Address", 1, scaledForDpi(200, dpi)},
                                              {"Actions", 2, scaledForDpi(35, dpi)}}));
}

TEST_F(ListViewTest, EachSetOfIconsReplacesTheOneBeforeAndDestroysIt)
{
    create(0);
    const ListView list(window);
    const int size = smallIconSize(dpiOf(window));
    const auto shown = [&] {
        const HIMAGELIST images = ListView_GetImageList(window, LVSIL_SMALL);
        int width = 0, height = 0;
        ::ImageList_GetIconSize(images, &width, &height);
        return std::to_string(::ImageList_GetImageCount(images)) + " of " + std::to_string(width) + "x" +
               std::to_string(height);
    };
    const std::string ofTheDpi = std::to_string(size) + "x" + std::to_string(size);
    list.setSmallIcons(::GetModuleHandleA(nullptr), {IDI_APP, IDI_TODAY, IDI_OLD});
    EXPECT_EQ(shown(), "3 of " + ofTheDpi);
    list.setSmallIcons(::GetModuleHandleA(nullptr), {IDI_CONTACT});
    EXPECT_EQ(shown(), "1 of " + ofTheDpi);
    expectNoResourceGrowth("setting the small icons", 100, [&] {
        list.setSmallIcons(::GetModuleHandleA(nullptr), {IDI_APP, IDI_TODAY, IDI_OLD});
    });
}

TEST_F(ListViewTest, RowsGoWhereTheListPlacesThemAndAreSelectedByIndex)
{
    create(LVS_SORTASCENDING);
    const ListView list(window);
    list.insertColumns(::GetModuleHandleA(nullptr), {IDS_NAME_COLUMN, IDS_ADDRESS_COLUMN});
    const struct {
        std::string name, address;
        int placedAt;
    } rows[] = {{"Dora", "dora@example.org", 0}, {"Ann", "ann@example.org", 0}, {"Bob", "", 1}};
    for (const auto& row : rows)
        EXPECT_EQ(list.addRow({row.name, row.address}, 0), row.placedAt) << row.name;
    EXPECT_EQ(rowText(0), "Ann | ann@example.org");
    EXPECT_EQ(rowText(1), "Bob | ");
    EXPECT_EQ(rowText(2), "Dora | dora@example.org");

    EXPECT_EQ(list.selectedRow(), -1);
    list.select(2);
    EXPECT_EQ(list.selectedRow(), 2);
    EXPECT_EQ(ListView_GetNextItem(window, -1, LVNI_FOCUSED), 2);
}

} // namespace
