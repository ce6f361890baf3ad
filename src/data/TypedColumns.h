// Typed list columns without the window side: each list item carries one
// record as XML text ("<Root><Field>value</Field>...</Root>") and each column a
// ColumnDescriptor naming a field and its type. From these two this module
// makes a cell's text and compares two records; the list-view side
// (GetItemRecord, GetColumnDescriptor, GetCellText, SetSortMark) fetches the
// record and descriptor pointers from the list and calls in here.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "data/XmlNode.h"

constexpr std::size_t kColumnReservedChars = 260;
constexpr std::size_t kFieldNameChars = 24;
// Holds the longest keyword in use, "Int(" with its width and ")".
constexpr std::size_t kTypeNameChars = 32;

// Shared with the dialogs that build lists: the layout is fixed, fields in
// this order without gaps. Strings are NUL-terminated; one that fills its
// array without a NUL is read up to the array's end.
struct ColumnDescriptor {
    std::int32_t columnId;                   // handed unchanged to custom formatting
    wchar_t reserved[kColumnReservedChars];  // the dialog's own; never read here
    wchar_t fieldName[kFieldNameChars];      // child element shown; empty: no text, no sorting
    wchar_t typeName[kTypeNameChars];        // type keyword; empty or unknown: custom type
};
static_assert(offsetof(ColumnDescriptor, reserved) == 4, "descriptor layout is shared with dialogs");
static_assert(offsetof(ColumnDescriptor, fieldName) == 4 + 2 * kColumnReservedChars, "descriptor layout");
static_assert(offsetof(ColumnDescriptor, typeName) == 4 + 2 * (kColumnReservedChars + kFieldNameChars),
              "descriptor layout");
static_assert(sizeof(ColumnDescriptor) == 4 + 2 * (kColumnReservedChars + kFieldNameChars + kTypeNameChars),
              "descriptor layout");

enum class ColumnKind { Text, Money, Int, FixedInt, Date, Custom };

struct ColumnType {
    ColumnKind kind = ColumnKind::Custom;
    std::int32_t width = 0;  // FixedInt only: digits shown; above 23 or negative means 23
};

// Case-sensitive: exactly "Text", "Money", "Int", a prefix "Int(", exactly
// "Date"; anything else is a custom type.
ColumnType ParseColumnType(std::wstring_view typeName);

// The descriptor's strings, read up to the NUL or the end of their arrays.
std::wstring DescriptorFieldName(const ColumnDescriptor& descriptor);
std::wstring DescriptorTypeName(const ColumnDescriptor& descriptor);

// A list sorts by a column only when its descriptor names both a field and a type.
bool IsSortableColumn(const ColumnDescriptor* descriptor);

// The root element's name: every character after the first up to the first
// '>' or the end of the record, however long.
std::wstring RecordRootName(const wchar_t* record);

// Display text of an amount in hundredths: "-1.234.567,89", "0,05".
std::wstring MoneyToText(std::int64_t amount);

// Text of custom column types: (columnId, the record's field element, which
// may be invalid, typeName). The dialog side binds its FormatCustomCell here.
using CustomCellFormatter = std::function<std::wstring(std::int32_t, const XmlNode&, const std::wstring&)>;

// The text a cell shows for `record` in the column `descriptor` (null reads as
// a column without a field). False when there is nothing to show: no record,
// a record not starting with '<', a root that is not found, no field name. A
// missing field shows as "", "0", "0,00", zeros or the NoDate text.
bool MakeCellText(const wchar_t* record, const ColumnDescriptor* descriptor, const CustomCellFormatter& formatCustom,
                  std::wstring& cellText);

// The default record comparison: its sign orders record1 before (negative) or
// after (positive) record2 ascending. Both records are read under the first
// record's root name; equal values fall back to the "Mitglnr" fields compared
// as numbers when the first record has one. A record pointer that is null or
// not above 0xFFFF (no record) makes the first compare equal and the second
// read as empty.
std::int64_t CompareRecords(const wchar_t* record1, const wchar_t* record2, const ColumnDescriptor* descriptor);

// Writes `text` into `buffer` of `capacity` characters, zero-filled and
// NUL-terminated; a text too long for it ends in "..." (capacity 4 and up).
void CopyCellTextToBuffer(wchar_t* buffer, int capacity, const std::wstring& text);

// The same into a list view's display-text request (pszText, cchTextMax).
void CopyCellText(NMLVDISPINFOW& dispInfo, const std::wstring& text);
