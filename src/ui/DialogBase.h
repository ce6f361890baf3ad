// The program's generic dialog classes. A DialogBase object is bound to a
// dialog window through the window property "VM_CDialog"; one dialog
// procedure serves every such dialog, gives the base its fixed services first
// (minimum size, control layout, status bar, typed list views) and then hands
// every message to the concrete dialog's DialogProc.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <string>

#include "data/XmlNode.h"
#include "ui/Layout.h"

// The property that ties a dialog window to its object.
constexpr wchar_t kDialogProperty[] = L"VM_CDialog";

class DialogBase;

// Creation parameter of a framework dialog.
struct DialogStartRecord {
    LPARAM initParam;    // lParam the concrete dialog receives at WM_INITDIALOG
    DialogBase* dialog;  // the object to bind
};

// One sort of one list view, alive during the LVM_SORTITEMS send.
struct SortContext {
    DialogBase* dialog;
    std::int32_t column;  // 1-based, negative for descending
    HWND list;
};

// Orders list-view handles by their unsigned value.
struct WindowHandleLess {
    bool operator()(HWND a, HWND b) const
    {
        return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
    }
};

class DialogBase {
public:
    // The table is not owned; it must stay writable while the dialog exists.
    explicit DialogBase(LayoutRule* layoutTable);
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Sign orders item1 against item2 ascending by the 1-based column; the
    // default compares the items' records by the column's type.
    virtual std::int64_t CompareItems(HWND list, LPARAM item1, LPARAM item2, std::int32_t column);
    // Text of a cell whose column type is none of the built-in ones.
    virtual std::wstring FormatCustomCell(HWND list, std::int32_t columnId, const XmlNode& field,
                                          const std::wstring& typeName);
    // The concrete dialog's message handler, called after the base handling.
    virtual INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    bool Close(INT_PTR result);
    bool SetItemText(int itemId, const std::wstring& text);
    std::wstring GetItemText(int itemId);
    bool SetItemInt(int itemId, std::int64_t value);
    std::int64_t GetItemInt(int itemId);

    // The services every framework dialog gets before its own handler runs.
    void HandleBaseMessage(HWND window, UINT& message, WPARAM& wParam, LPARAM& lParam);

    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    RECT initialClientRect{};  // client rectangle at WM_INITDIALOG
    LayoutRule* layoutTable;
    // Per list view the column it is sorted by: 1-based, negative descending.
    std::map<HWND, std::int32_t, WindowHandleLess> sortColumns;
    HWND hwnd = nullptr;  // the bound window; null before WM_INITDIALOG and after WM_NCDESTROY
    int minTrackWidth = 0;
    int minTrackHeight = 0;
    HWND statusBar = nullptr;

private:
    void SortOnColumnClick(const NMLISTVIEW& click);
};

class ModalDialog : public DialogBase {
public:
    explicit ModalDialog(LayoutRule* layoutTable) : DialogBase(layoutTable) {}

    // Runs the dialog from template `templateId`; the value given to Close,
    // or -1 when the dialog cannot be created.
    INT_PTR DoModal(HINSTANCE instance, WORD templateId, HWND parent);
};

// The list view's comparison callback; lParamSort points to a SortContext.
int CALLBACK CompareListItems(LPARAM item1, LPARAM item2, LPARAM context);

// -1, 0 or 1 for a comparison result `r` under the signed sort column.
int ReduceComparison(std::int64_t r, std::int32_t signedColumn);

// The sort state after a click on the 1-based `column`: the same column flips
// its direction, another one sorts ascending. `current` 0: not sorted yet.
std::int32_t NextSortColumn(std::int32_t current, std::int32_t column);

// Serves a list view that asks for its text in ANSI form through the wide
// request, which the dialog handles as usual.
LRESULT RelayAnsiDispInfo(HWND dialog, WPARAM wParam, NMLVDISPINFOA* request);

HICON LoadSmallIcon(HINSTANCE module, WORD resourceId);
std::wstring WindowClassName(HWND window);
