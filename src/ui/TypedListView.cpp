#include "ui/TypedListView.h"

#include "platform/Handles.h"
#include "platform/Probes.h"
#include "ui/DialogBase.h"

namespace {

// Created on the first need, released when the process exits.
UniqueImageList sortMarkImages;

constexpr int kSortFlags = HDF_SORTUP | HDF_SORTDOWN;
constexpr int kImageFlags = HDF_IMAGE | HDF_BITMAP_ON_RIGHT;

bool ReadFormat(HWND header, int index, HDITEMW& item, UINT mask)
{
    item = HDITEMW{};
    item.mask = mask;
    return ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

bool WriteItem(HWND header, int index, HDITEMW& item)
{
    return ::SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

bool MarkWithSortFlags(HWND list, HWND header, int column, std::int32_t signedColumn)
{
    int previous = static_cast<int>(::SendMessageW(list, LVM_GETSELECTEDCOLUMN, 0, 0));
    ::SendMessageW(list, LVM_SETSELECTEDCOLUMN, static_cast<WPARAM>(column), 0);
    HDITEMW item{};
    if (previous != -1 && previous != column) {
        if (!ReadFormat(header, previous, item, HDI_FORMAT)) {
            return false;
        }
        item.fmt &= ~kSortFlags;
        if (!WriteItem(header, previous, item)) {
            return false;
        }
    }
    if (signedColumn == 0) {
        return true;
    }
    if (!ReadFormat(header, column, item, HDI_FORMAT)) {
        return false;
    }
    item.fmt &= ~kSortFlags;
    item.fmt |= signedColumn > 0 ? HDF_SORTUP : HDF_SORTDOWN;
    return WriteItem(header, column, item);
}

bool MarkWithImages(HWND header, int column, std::int32_t signedColumn)
{
    // Only one column carries an image: the first one found loses it unless
    // it is the column to mark.
    int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    HDITEMW item{};
    for (int index = 0; index < count; ++index) {
        if (!ReadFormat(header, index, item, HDI_FORMAT)) {
            return false;
        }
        if (item.fmt & HDF_IMAGE) {
            if (index != column) {
                item.fmt &= ~kImageFlags;
                if (!WriteItem(header, index, item)) {
                    return false;
                }
            }
            break;
        }
    }
    if (signedColumn == 0) {
        return true;
    }
    if (!ReadFormat(header, column, item, HDI_FORMAT | HDI_IMAGE)) {
        return false;
    }
    ::SendMessageW(header, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(SortMarkImages()));
    item.fmt |= kImageFlags;
    item.iImage = signedColumn > 0 ? 0 : 1;
    return WriteItem(header, column, item);
}

}  // namespace

const wchar_t* GetItemRecord(HWND list, int itemIndex)
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = itemIndex;
    ::SendMessageW(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<const wchar_t*>(item.lParam);
}

const ColumnDescriptor* GetColumnDescriptor(HWND list, int columnIndex)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) {
        return nullptr;
    }
    HDITEMA item{};
    item.mask = HDI_LPARAM;
    ::SendMessageW(header, HDM_GETITEMA, static_cast<WPARAM>(columnIndex), reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<const ColumnDescriptor*>(item.lParam);
}

bool GetCellText(DialogBase& dialog, HWND list, int itemIndex, int subItemIndex, std::wstring& text)
{
    const wchar_t* record = GetItemRecord(list, itemIndex);
    if (record == nullptr) {
        text.clear();
        return false;
    }
    const ColumnDescriptor* descriptor = GetColumnDescriptor(list, subItemIndex);
    return MakeCellText(
        record, descriptor,
        [&dialog, list](std::int32_t columnId, const XmlNode& field, const std::wstring& typeName) {
            return dialog.FormatCustomCell(list, columnId, field, typeName);
        },
        text);
}

HIMAGELIST SortMarkImages()
{
    if (!sortMarkImages) {
        HINSTANCE module = ::GetModuleHandleW(nullptr);
        UniqueGdiObject bitmap(::LoadImageW(module, MAKEINTRESOURCEW(kSortArrowsBitmap), IMAGE_BITMAP, 0, 0, 0));
        if (!bitmap) {
            return nullptr;
        }
        UniqueImageList images(::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0));
        if (!images || ::ImageList_AddMasked(images.Get(), static_cast<HBITMAP>(bitmap.Get()), RGB(255, 0, 255)) < 0) {
            return nullptr;
        }
        sortMarkImages = std::move(images);
    }
    return sortMarkImages.Get();
}

bool SetSortMarkStyle(HWND list, std::int32_t signedColumn, bool headerSortFlags)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) {
        return false;
    }
    int column = (signedColumn < 0 ? -signedColumn : signedColumn) - 1;
    return headerSortFlags ? MarkWithSortFlags(list, header, column, signedColumn)
                           : MarkWithImages(header, column, signedColumn);
}

bool SetSortMark(HWND list, std::int32_t signedColumn)
{
    return SetSortMarkStyle(list, signedColumn, IsComCtl6OrLater());
}
