#include "ui/DialogBase.h"

#include "data/TypedColumns.h"
#include "text/TextConvert.h"
#include "ui/TypedListView.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

DialogBase* BoundDialog(HWND window)
{
    return static_cast<DialogBase*>(::GetPropW(window, kDialogProperty));
}

constexpr int kRelayTextChars = 260;

}  // namespace

DialogBase::DialogBase(LayoutRule* layoutTable) : layoutTable(layoutTable) {}

DialogBase::~DialogBase()
{
    sortColumns.clear();
}

std::int64_t DialogBase::CompareItems(HWND list, LPARAM item1, LPARAM item2, std::int32_t column)
{
    return CompareRecords(reinterpret_cast<const wchar_t*>(item1), reinterpret_cast<const wchar_t*>(item2),
                          GetColumnDescriptor(list, column - 1));
}

std::wstring DialogBase::FormatCustomCell(HWND, std::int32_t, const XmlNode&, const std::wstring&)
{
    return std::wstring();
}

bool DialogBase::Close(INT_PTR result)
{
    return ::EndDialog(hwnd, result) != FALSE;
}

bool DialogBase::SetItemText(int itemId, const std::wstring& text)
{
    return ::SetDlgItemTextW(hwnd, itemId, text.c_str()) != FALSE;
}

std::wstring DialogBase::GetItemText(int itemId)
{
    HWND item = ::GetDlgItem(hwnd, itemId);
    int length = ::GetWindowTextLengthW(item);
    if (length <= 0) {
        return std::wstring();
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextW(item, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

bool DialogBase::SetItemInt(int itemId, std::int64_t value)
{
    return SetItemText(itemId, Int64ToText(value));
}

std::int64_t DialogBase::GetItemInt(int itemId)
{
    return TextToInt64(GetItemText(itemId));
}

void DialogBase::HandleBaseMessage(HWND window, UINT& message, WPARAM&, LPARAM& lParam)
{
    switch (message) {
        case WM_INITDIALOG: {
            if (layoutTable != nullptr) {
                TakeLayoutSnapshot(window, layoutTable);
            }
            ::GetClientRect(window, &initialClientRect);
            RECT windowRect{};
            ::GetWindowRect(window, &windowRect);
            minTrackWidth = RectExtentX(windowRect);
            minTrackHeight = RectExtentY(windowRect);
            statusBar = ::FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
            break;
        }
        case WM_SIZE:
            if (statusBar != nullptr) {
                ::SendMessageW(statusBar, WM_SIZE, 0, 0);
            }
            if (layoutTable != nullptr) {
                RECT current{};
                ::GetClientRect(window, &current);
                ApplyLayout(window, layoutTable, 0, 0, 0, 0, RectExtentX(current) - RectExtentX(initialClientRect),
                            RectExtentY(current) - RectExtentY(initialClientRect));
            }
            break;
        case WM_GETMINMAXINFO: {
            auto info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = minTrackWidth;
            info->ptMinTrackSize.y = minTrackHeight;
            break;
        }
        case WM_NOTIFY: {
            auto header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == LVN_GETDISPINFOW) {
                auto request = reinterpret_cast<NMLVDISPINFOW*>(lParam);
                std::wstring text;
                if ((request->item.mask & LVIF_TEXT) &&
                    GetCellText(*this, header->hwndFrom, request->item.iItem, request->item.iSubItem, text)) {
                    CopyCellText(*request, text);
                }
            } else if (header->code == LVN_COLUMNCLICK) {
                SortOnColumnClick(*reinterpret_cast<const NMLISTVIEW*>(lParam));
            }
            break;
        }
        default:
            break;
    }
}

void DialogBase::SortOnColumnClick(const NMLISTVIEW& click)
{
    HWND list = click.hdr.hwndFrom;
    if (WindowClassName(list) != L"SysListView32") {
        return;
    }
    auto entry = sortColumns.find(list);
    std::int32_t column = NextSortColumn(entry == sortColumns.end() ? 0 : entry->second, click.iSubItem + 1);
    SetSortMark(list, column);
    sortColumns[list] = column;
    if (IsSortableColumn(GetColumnDescriptor(list, (column < 0 ? -column : column) - 1))) {
        SortContext context{this, column, list};
        ::SendMessageW(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                       reinterpret_cast<LPARAM>(CompareListItems));
    }
}

INT_PTR CALLBACK DialogBase::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing may leave a dialog procedure by exception; a message whose
    // handling ran out of memory counts as not handled.
    try {
        DialogBase* dialog = BoundDialog(window);
        if (dialog != nullptr) {
            dialog->HandleBaseMessage(window, message, wParam, lParam);
        }
        switch (message) {
            case WM_NOTIFY:
                if (reinterpret_cast<const NMHDR*>(lParam)->code == LVN_GETDISPINFOA) {
                    return RelayAnsiDispInfo(window, wParam, reinterpret_cast<NMLVDISPINFOA*>(lParam));
                }
                break;
            case WM_NCDESTROY: {
                if (dialog == nullptr) {
                    return 0;
                }
                INT_PTR result = dialog->DialogProc(window, message, wParam, lParam);
                ::RemovePropW(window, kDialogProperty);
                dialog->hwnd = nullptr;
                return result != 0 ? 1 : 0;
            }
            case WM_INITDIALOG: {
                auto start = reinterpret_cast<const DialogStartRecord*>(lParam);
                if (start == nullptr || start->dialog == nullptr) {
                    return 0;
                }
                dialog = start->dialog;
                dialog->hwnd = window;
                ::SetPropW(window, kDialogProperty, dialog);
                dialog->HandleBaseMessage(window, message, wParam, lParam);
                if (::GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) {
                    HINSTANCE module = ::GetModuleHandleW(nullptr);
                    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadSmallIcon(module, 1)));
                    ::SendMessageW(window, WM_SETICON, ICON_BIG,
                                   reinterpret_cast<LPARAM>(::LoadIconW(module, MAKEINTRESOURCEW(1))));
                }
                return dialog->DialogProc(window, message, wParam, start->initParam);
            }
            default:
                break;
        }
        return dialog != nullptr ? dialog->DialogProc(window, message, wParam, lParam) : 0;
    } catch (...) {
        return 0;
    }
}

INT_PTR ModalDialog::DoModal(HINSTANCE instance, WORD templateId, HWND parent)
{
    auto start = new (std::nothrow) DialogStartRecord{0, this};
    if (start == nullptr) {
        return -1;
    }
    INT_PTR result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                       reinterpret_cast<LPARAM>(start));
    delete start;
    return result;
}

int CALLBACK CompareListItems(LPARAM item1, LPARAM item2, LPARAM context)
{
    auto sort = reinterpret_cast<const SortContext*>(context);
    std::int32_t column = sort->column < 0 ? -sort->column : sort->column;
    return ReduceComparison(sort->dialog->CompareItems(sort->list, item1, item2, column), sort->column);
}

int ReduceComparison(std::int64_t r, std::int32_t signedColumn)
{
    if (r == 0) {
        return 0;
    }
    bool negative = r < 0;
    if (signedColumn < 0) {
        negative = !negative;
    }
    return negative ? -1 : 1;
}

std::int32_t NextSortColumn(std::int32_t current, std::int32_t column)
{
    return (current == column || current == -column) ? -current : column;
}

LRESULT RelayAnsiDispInfo(HWND dialog, WPARAM wParam, NMLVDISPINFOA* request)
{
    wchar_t text[kRelayTextChars] = {};
    NMLVDISPINFOW wide{};
    wide.hdr = request->hdr;
    wide.hdr.code = LVN_GETDISPINFOW;
    wide.item.mask = request->item.mask;
    wide.item.iItem = request->item.iItem;
    wide.item.iSubItem = request->item.iSubItem;
    wide.item.state = request->item.state;
    wide.item.stateMask = request->item.stateMask;
    wide.item.pszText = text;
    wide.item.cchTextMax = kRelayTextChars;
    wide.item.iImage = request->item.iImage;
    wide.item.lParam = request->item.lParam;
    wide.item.iIndent = request->item.iIndent;
    wide.item.iGroupId = request->item.iGroupId;

    LRESULT result = ::SendMessageA(dialog, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(&wide));

    request->item.mask = wide.item.mask;
    if (wide.item.mask & LVIF_STATE) {
        request->item.state = wide.item.state;
        request->item.stateMask = wide.item.stateMask;
    }
    if (wide.item.mask & LVIF_GROUPID) {
        request->item.iGroupId = wide.item.iGroupId;
    }
    if (wide.item.mask & LVIF_IMAGE) {
        request->item.iImage = wide.item.iImage;
    }
    if (wide.item.mask & LVIF_INDENT) {
        request->item.iIndent = wide.item.iIndent;
    }
    if (wide.item.mask & LVIF_PARAM) {
        request->item.lParam = wide.item.lParam;
    }
    // The dialog may point the text elsewhere; whatever it points to now is
    // what the list view gets, within its own buffer.
    if ((wide.item.mask & LVIF_TEXT) && request->item.pszText != nullptr && request->item.cchTextMax > 0) {
        std::string ansi = wide.item.pszText != nullptr ? ToAnsi(wide.item.pszText) : std::string();
        size_t keep = ansi.size();
        if (keep > static_cast<size_t>(request->item.cchTextMax - 1)) {
            keep = static_cast<size_t>(request->item.cchTextMax - 1);
        }
        std::memcpy(request->item.pszText, ansi.data(), keep);
        request->item.pszText[keep] = '\0';
    }
    return result;
}

HICON LoadSmallIcon(HINSTANCE module, WORD resourceId)
{
    // Shared: the icon belongs to the module and stays valid for every dialog
    // that is given it. A private copy per dialog would need destroying after
    // the window, and each resizable dialog would leak one.
    return static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_DEFAULTCOLOR | LR_SHARED));
}

std::wstring WindowClassName(HWND window)
{
    wchar_t name[256] = {};
    int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}
