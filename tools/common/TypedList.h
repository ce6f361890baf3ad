// What the bench and the soak do to a typed list view: columns with their
// descriptors, rows whose data are XML records, header clicks, and the check
// that a list is in order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "data/TypedColumns.h"

// Adds a column per descriptor; the descriptor lives in the header item's lParam.
void AddTypedColumns(HWND list, ColumnDescriptor* columns, int count, int width);

// Replaces the rows by one per record, every cell asked for on demand. The
// records must outlive the rows.
void FillTypedList(HWND list, const std::vector<std::wstring>& records, int columns);

// A header click on `column` as the list view sends it to its dialog.
void ClickColumn(HWND dialog, HWND list, int column);

// Whether all `count` rows are in ascending order of the column.
bool IsSortedBy(HWND list, const ColumnDescriptor& column, std::size_t count);
