#include "TypedList.h"

#include <commctrl.h>

#include "ui/TypedListView.h"

void AddTypedColumns(HWND list, ColumnDescriptor* columns, int count, int width)
{
    for (int c = 0; c < count; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = columns[c].fieldName;
        column.cx = width;
        ListView_InsertColumn(list, c, &column);
        HDITEMW item{};
        item.mask = HDI_LPARAM;
        item.lParam = reinterpret_cast<LPARAM>(&columns[c]);
        Header_SetItem(ListView_GetHeader(list), c, &item);
    }
}

void FillTypedList(HWND list, const std::vector<std::wstring>& records, int columns)
{
    // Filled without drawing: a visible list would redraw itself for every row.
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (std::size_t i = 0; i < records.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = reinterpret_cast<LPARAM>(records[i].c_str());
        const int index = ListView_InsertItem(list, &item);
        for (int c = 1; c < columns; ++c) {
            ListView_SetItemText(list, index, c, LPSTR_TEXTCALLBACKW);
        }
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::UpdateWindow(list);
}

void ClickColumn(HWND dialog, HWND list, int column)
{
    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(::GetDlgCtrlID(list)), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageW(dialog, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

bool IsSortedBy(HWND list, const ColumnDescriptor& column, std::size_t count)
{
    const int rows = ListView_GetItemCount(list);
    for (int i = 1; i < rows; ++i) {
        if (CompareRecords(GetItemRecord(list, i - 1), GetItemRecord(list, i), &column) > 0) {
            return false;
        }
    }
    return rows == static_cast<int>(count);
}
