#include "ListView.h"

#include "Dpi.h"
#include "ResourceText.h"
#include "UniqueHandle.h"

namespace {

UINT dpiOfWindowAround(HWND control)
{
    return dpiOf(::GetAncestor(control, GA_ROOT));
}

} // namespace

void ListView::insertColumns(HINSTANCE module, std::initializer_list<UINT> headings) const
{
    int index = Header_GetItemCount(ListView_GetHeader(list));
    for (const UINT heading : headings) {
        const std::string text = loadResourceText(module, heading);
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.pszText = const_cast<char*>(text.c_str());
        column.iSubItem = index;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
        ++index;
    }
}

void ListView::setColumnWidths(std::initializer_list<int> widthsAt96Dpi) const
{
    const UINT dpi = dpiOfWindowAround(list);
    int column = 0;
    for (const int width : widthsAt96Dpi)
        ListView_SetColumnWidth(list, column++, scaledForDpi(width, dpi));
}

void ListView::setSmallIcons(HINSTANCE module, std::initializer_list<int> iconIds) const
{
    const int size = smallIconSize(dpiOfWindowAround(list));
    const auto count = static_cast<int>(iconIds.size());
    ImageListHandle images(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, count));
    ::ImageList_SetBkColor(images.get(), CLR_NONE);
    for (const int icon : iconIds) {
        const IconHandle loaded(
            static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, 0)));
        ::ImageList_AddIcon(images.get(), loaded.get());
    }
    // The list view gives back the image list it had, which is ours to destroy.
    const ImageListHandle previous(ListView_SetImageList(list, images.release(), LVSIL_SMALL));
}

int ListView::addRow(std::initializer_list<std::string> texts, int image) const
{
    if (texts.size() == 0)
        return -1;
    auto text = texts.begin();
    LVITEMA item{};
    item.mask = LVIF_TEXT | (image == noImage ? 0u : LVIF_IMAGE);
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<char*>(text->c_str());
    item.iImage = image;
    const auto row = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    // The other columns' texts go to the place the list view chose.
    for (int column = 1; ++text != texts.end(); ++column) {
        LVITEMA sub{};
        sub.iSubItem = column;
        sub.pszText = const_cast<char*>(text->c_str());
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
    return row;
}

int ListView::selectedRow() const
{
    return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

void ListView::select(int row) const
{
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}
