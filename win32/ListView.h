#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <string>

// A list-view control in report view, as the program's dialogs set it up:
// the columns' headings from the string table, their widths and the small
// icons at the window's DPI (the designs give sizes for 96 dpi), and rows of
// texts. Holds only the control's handle: the control owns what it is given.
class ListView {
public:
    static constexpr int noImage = -1;

    explicit ListView(HWND control) : list(control) {}

    HWND handle() const { return list; }

    // Appends one left-aligned column for each heading, texts of the string
    // table of `module`.
    void insertColumns(HINSTANCE module, std::initializer_list<UINT> headings) const;
    // The widths of the first columns, given for 96 dpi, at the DPI of the
    // window the list is in.
    void setColumnWidths(std::initializer_list<int> widthsAt96Dpi) const;
    // The small icons: icons `iconIds` of `module` at the small-icon size of
    // the window's DPI, image i being iconIds[i]. The list view owns the
    // image list from here on; the one it had is destroyed.
    void setSmallIcons(HINSTANCE module, std::initializer_list<int> iconIds) const;

    // Appends a row of `texts`, column by column, showing image `image`.
    // Gives its index (a sorted list places it by its first text), or -1
    // when it could not be added.
    int addRow(std::initializer_list<std::string> texts, int image = noImage) const;
    // The first selected row; -1 when none is.
    int selectedRow() const;
    // Selects and focuses `row`.
    void select(int row) const;

private:
    HWND list;
};
