// The list-view side of typed lists: fetching an item's record and a column's
// descriptor from the controls, making a cell's text, and marking the sorted
// column in the header.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "data/TypedColumns.h"
#include "res/ResourceIds.h"

class DialogBase;

// Bitmap resource with the two 16x16 header arrows (ascending, descending) on
// a magenta background.
constexpr WORD kSortArrowsBitmap = IDB_SORT_ARROWS;

// The record text in the item's lParam; null when the item has none.
const wchar_t* GetItemRecord(HWND list, int itemIndex);

// The descriptor in the header item's lParam; null when there is none.
const ColumnDescriptor* GetColumnDescriptor(HWND list, int columnIndex);

// The cell's text by the column's type; custom types come from the dialog's
// FormatCustomCell. False when the cell has nothing to show.
bool GetCellText(DialogBase& dialog, HWND list, int itemIndex, int subItemIndex, std::wstring& text);

// Marks the header of column |signedColumn| - 1 as sorted up (positive) or
// down (negative); 0 removes the marks. True when every header message
// succeeded. ComCtl32 6 draws its own arrows; older versions get images.
bool SetSortMark(HWND list, std::int32_t signedColumn);

// The same with the way of marking chosen by the caller.
bool SetSortMarkStyle(HWND list, std::int32_t signedColumn, bool headerSortFlags);

// The process-wide header image list (created on first use); null when the
// bitmap resource is missing.
HIMAGELIST SortMarkImages();
