#include "ui/DialogBase.h"
#include "ui/Hyperlink.h"
#include "ui/TypedListView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Templates and controls of the test resources.
constexpr WORD kMembersDialog = 200, kFixedDialog = 201;
constexpr int kLeftList = 301, kRightList = 302, kLink = 303, kStatusBar = 304;
constexpr UINT kRunScript = WM_APP + 10;

// The button and the link come first, so the lists' shares do not push them.
LayoutRule membersLayout[] = {
    {0x30000000, 0, kLayoutBottomY, kLink, {}},
    {0x40000000, 0, kLayoutRightX | kLayoutBottomY, IDOK, {}},
    {0x10000000, 2, kLayoutShareX | kLayoutStretchX | kLayoutStretchY, kLeftList, {}},
    {0x20000000, 1, kLayoutShareX | kLayoutStretchX | kLayoutStretchY, kRightList, {}},
    {},
};

// A dialog whose test runs inside its modal loop: the script starts once the
// dialog is up, and a watchdog ends a dialog that a faulty script left open.
class TestDialog : public ModalDialog {
public:
    explicit TestDialog(LayoutRule* table = nullptr) : ModalDialog(table) {}

    INT_PTR Run(WORD templateId, std::function<void(TestDialog&)> toRun)
    {
        script = std::move(toRun);
        return DoModal(::GetModuleHandleW(nullptr), templateId, nullptr);
    }

    std::wstring FormatCustomCell(HWND, std::int32_t columnId, const XmlNode& field,
                                  const std::wstring& typeName) override
    {
        return typeName + L":" + std::to_wstring(columnId) + L":" + std::wstring(field.GetInt(), L'*');
    }

    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        ++messages[message];
        if (message == WM_INITDIALOG) {
            initHwndSet = hwnd == window;
            initLParam = lParam;
            ::SetTimer(window, 1, 20000, nullptr);
            ::PostMessageW(window, kRunScript, 0, 0);
            return TRUE;
        }
        if (message == kRunScript) {
            script(*this);
        } else if (message == WM_TIMER && wParam == 1) {
            Close(-2);
        } else if (message == WM_NOTIFY) {
            ++notifications[reinterpret_cast<const NMHDR*>(lParam)->code];
        }
        return FALSE;
    }

    std::function<void(TestDialog&)> script;
    bool initHwndSet = false;
    LPARAM initLParam = -1;
    std::map<UINT, int> messages;       // how often each message arrived
    std::map<UINT, int> notifications;  // how often each WM_NOTIFY code arrived
};

// Records of the members list; "Mitglnr" breaks ties.
const wchar_t* const kRecords[] = {
    L"<Mitglied><Name>meyer</Name><Betrag>12,50</Betrag><Nr>42</Nr><Datum>20060101</Datum>"
    L"<Stars>3</Stars><Mitglnr>7</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Albers</Name><Betrag>-1999</Betrag><Nr>1234567</Nr><Datum>31.12.2005</Datum>"
    L"<Stars>1</Stars><Mitglnr>3</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Meyer</Name><Betrag>123456789</Betrag><Nr>-5</Nr><Datum>20051231</Datum>"
    L"<Stars>5</Stars><Mitglnr>2</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Z\u00e4nder</Name><Nr>7</Nr><Mitglnr>11</Mitglnr></Mitglied>",
};

ColumnDescriptor kColumns[] = {
    {0, {}, L"Name", L"Text"},  {1, {}, L"Betrag", L"Money"}, {2, {}, L"Nr", L"Int"}, {3, {}, L"Nr", L"Int(5)"},
    {4, {}, L"Datum", L"Date"}, {5, {}, L"Stars", L"Stars"},  {6, {}, L"Name", L""},
};
constexpr int kColumnCount = 7;

void FillList(HWND list, int columns)
{
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = kColumns[c].fieldName;
        column.cx = 70;
        ListView_InsertColumn(list, c, &column);
        // The list view keeps no lParam of its own for columns: it lives in the header item.
        HDITEMW item{};
        item.mask = HDI_LPARAM;
        item.lParam = reinterpret_cast<LPARAM>(&kColumns[c]);
        Header_SetItem(ListView_GetHeader(list), c, &item);
    }
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = reinterpret_cast<LPARAM>(kRecords[i]);
        ListView_InsertItem(list, &item);
        for (int c = 1; c < columns; ++c) {
            ListView_SetItemText(list, i, c, LPSTR_TEXTCALLBACKW);
        }
    }
}

std::wstring CellText(HWND list, int item, int column, int capacity = 260)
{
    std::vector<wchar_t> buffer(capacity, L'#');
    ListView_GetItemText(list, item, column, buffer.data(), capacity);
    return buffer.data();
}

// The index in kRecords of each row, top to bottom.
std::vector<int> Order(HWND list)
{
    std::vector<int> order;
    for (int i = 0; i < ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
        const wchar_t* record = GetItemRecord(list, i);
        order.push_back(static_cast<int>(std::find(kRecords, kRecords + 4, record) - kRecords));
    }
    return order;
}

void ClickColumn(HWND dialog, HWND list, int column)
{
    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(::GetDlgCtrlID(list)), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageW(dialog, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

HDITEMW HeaderItem(HWND list, int column)
{
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    ::SendMessageW(ListView_GetHeader(list), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item;
}

// A child's rectangle in the dialog's client coordinates.
RECT ChildRect(HWND dialog, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ScreenRectToClient(dialog, r);
    return r;
}

// The rectangles of the laid-out controls, in client coordinates.
std::vector<std::array<LONG, 4>> LaidOut(HWND dialog)
{
    std::vector<std::array<LONG, 4>> rects;
    for (int id : {kLink, IDOK, kLeftList, kRightList}) {
        const RECT r = ChildRect(dialog, ::GetDlgItem(dialog, id));
        rects.push_back({r.left, r.top, r.right, r.bottom});
    }
    return rects;
}

class ui_dialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        RegisterHyperlinkClass();
    }
};

TEST(ui_dialog_sort, ComparisonReducedToOneStep)
{
    EXPECT_EQ(ReduceComparison(0, -3), 0);
    EXPECT_EQ(ReduceComparison(0x100000000ll, 1), 1);  // low 32 bits zero, still not equal
    EXPECT_EQ(ReduceComparison(0x100000000ll, -1), -1);
    EXPECT_EQ(ReduceComparison(-0x100000000ll, 1), -1);
    EXPECT_EQ(ReduceComparison(INT64_MIN, -1), 1);
    EXPECT_EQ(ReduceComparison(INT64_MAX, -2), -1);
}

TEST_F(ui_dialog, BindsAtInitAndUnbindsAtNcDestroy)
{
    TestDialog dialog;
    const INT_PTR result = dialog.Run(kFixedDialog, [](TestDialog& d) {
        EXPECT_EQ(::GetPropW(d.hwnd, kDialogProperty), &d);
        d.Close(77);
    });
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(dialog.initHwndSet);
    EXPECT_EQ(dialog.initLParam, 0);
    EXPECT_EQ(dialog.messages[WM_NCDESTROY], 1);
    EXPECT_EQ(dialog.hwnd, nullptr);
    EXPECT_EQ(dialog.messages[WM_SETICON], 0);  // no sizing border, no icons
    EXPECT_EQ(dialog.DoModal(::GetModuleHandleW(nullptr), 999, nullptr), -1);

    // Unbinding removes the property while the window still exists.
    dialog.Run(kFixedDialog, [](TestDialog& d) {
        HWND window = d.hwnd;
        DialogBase::StaticDialogProc(window, WM_NCDESTROY, 0, 0);
        EXPECT_EQ(::GetPropW(window, kDialogProperty), nullptr);
        ::EndDialog(window, 3);
    });
}

TEST_F(ui_dialog, TypedListCellsAndSortMarks)
{
    TestDialog dialog(membersLayout);
    dialog.Run(kMembersDialog, [](TestDialog& d) {
        HWND list = ::GetDlgItem(d.hwnd, kLeftList);
        FillList(list, kColumnCount);
        EXPECT_EQ(CellText(list, 0, 0), L"meyer");
        EXPECT_EQ(CellText(list, 2, 1), L"1.234.567,89");
        EXPECT_EQ(CellText(list, 1, 2), L"1234567");
        EXPECT_EQ(CellText(list, 1, 3), L"34567");
        EXPECT_EQ(CellText(list, 0, 4), L"01.01.2006");
        EXPECT_EQ(CellText(list, 0, 5), L"Stars:5:***");
        EXPECT_EQ(CellText(list, 0, 6), L":6:");  // an empty type is a custom one
        EXPECT_EQ(CellText(list, 2, 1, 13), L"1.234.567,89");
        EXPECT_EQ(CellText(list, 2, 1, 12), L"1.234.56...");

        // A list view that asks in ANSI form gets the text in the ANSI code page
        // through the wide request, the only one the dialog sees.
        const int wideBefore = d.notifications[LVN_GETDISPINFOW];
        ::SendMessageW(list, LVM_SETUNICODEFORMAT, FALSE, 0);
        EXPECT_EQ(CellText(list, 3, 0), L"Z\u00e4nder");
        EXPECT_EQ(d.notifications[LVN_GETDISPINFOW], wideBefore + 1);
        EXPECT_EQ(d.notifications[LVN_GETDISPINFOA], 0);

        // Sort marks: images on older controls, the header's own arrows from version 6 on.
        for (bool headerFlags : {false, true}) {
            const int up = headerFlags ? HDF_SORTUP : HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
            const int down = headerFlags ? HDF_SORTDOWN : HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
            for (std::int32_t column : {2, -2, 7, -4, 0}) {
                ASSERT_TRUE(SetSortMarkStyle(list, column, headerFlags));
                for (int c = 0; c < kColumnCount; ++c) {
                    const HDITEMW item = HeaderItem(list, c);
                    const int expected = column == c + 1 ? up : column == -c - 1 ? down : 0;
                    EXPECT_EQ(item.fmt & (up | down), expected) << column << " " << c;
                    EXPECT_TRUE(headerFlags || expected == 0 || item.iImage == (column > 0 ? 0 : 1));
                }
                const int selected = static_cast<int>(::SendMessageW(list, LVM_GETSELECTEDCOLUMN, 0, 0));
                EXPECT_TRUE(!headerFlags || selected == (column == 0 ? -1 : std::abs(column) - 1));
            }
        }
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessageW(ListView_GetHeader(list), HDM_GETIMAGELIST, 0, 0)),
                  SortMarkImages());
        EXPECT_FALSE(SetSortMark(::GetDlgItem(d.hwnd, IDOK), 1));  // no list view, no header
        d.Close(1);
    });
}

void CALLBACK EndShowcase(HWND window, UINT, UINT_PTR, DWORD)
{
    ::EndDialog(window, 1);
}

// The sizing services, then sorting by header clicks. The dialog ends sorted
// by name with the link focused, and stays on screen for a while when
// HORAL_HOLD_MS is set, for a screenshot.
TEST_F(ui_dialog, SizingAndSortingByHeaderClicks)
{
    TestDialog dialog(membersLayout);
    dialog.Run(kMembersDialog, [](TestDialog& d) {
        EXPECT_EQ(d.messages[WM_SETICON], 2);
        RECT window{};
        ::GetWindowRect(d.hwnd, &window);
        MINMAXINFO info{};
        ::SendMessageW(d.hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left + 1);
        EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top + 1);

        const RECT okBefore = membersLayout[1].rect;
        ::SetWindowPos(d.hwnd, nullptr, 0, 0, window.right - window.left + 90, window.bottom - window.top + 40,
                       SWP_NOMOVE | SWP_NOZORDER);
        const RECT ok = ChildRect(d.hwnd, ::GetDlgItem(d.hwnd, IDOK));
        EXPECT_EQ(ok.left - okBefore.left, 90);
        EXPECT_EQ(ok.top - okBefore.top, 40);
        // Two thirds of the extra width.
        EXPECT_EQ(ChildRect(d.hwnd, ::GetDlgItem(d.hwnd, kLeftList)).right - membersLayout[2].rect.right, 60);
        // The status bar sits on the bottom of the new client area.
        RECT client{};
        ::GetClientRect(d.hwnd, &client);
        const RECT status = ChildRect(d.hwnd, d.statusBar);
        EXPECT_EQ(status.bottom, client.bottom);
        EXPECT_EQ(status.right, client.right);
        // Any history of sizes, minimising and restoring included, leads to the
        // same rectangles for the same size.
        const auto larger = LaidOut(d.hwnd);
        for (int extra : {300, 10, 200, 90}) {
            ::SetWindowPos(d.hwnd, nullptr, 0, 0, window.right - window.left + extra, window.bottom - window.top + 40,
                           SWP_NOMOVE | SWP_NOZORDER);
        }
        EXPECT_EQ(LaidOut(d.hwnd), larger);
        ::ShowWindow(d.hwnd, SW_MINIMIZE);
        ::ShowWindow(d.hwnd, SW_RESTORE);
        EXPECT_EQ(LaidOut(d.hwnd), larger);

        HWND left = ::GetDlgItem(d.hwnd, kLeftList);
        HWND right = ::GetDlgItem(d.hwnd, kRightList);
        FillList(left, kColumnCount);
        FillList(right, 3);
        // Money; dates by the stored text: "31.12.2005" after "20060101".
        ClickColumn(d.hwnd, left, 1);
        EXPECT_EQ(Order(left), (std::vector<int>{1, 3, 0, 2}));
        ClickColumn(d.hwnd, left, 4);
        EXPECT_EQ(Order(left), (std::vector<int>{3, 2, 0, 1}));
        // A column without a type moves the mark but keeps the order.
        ClickColumn(d.hwnd, left, 6);
        EXPECT_EQ(Order(left), (std::vector<int>{3, 2, 0, 1}));
        EXPECT_EQ(d.sortColumns[left], 7);
        EXPECT_TRUE(HeaderItem(left, 6).fmt & HDF_IMAGE);
        EXPECT_FALSE(HeaderItem(left, 4).fmt & HDF_IMAGE);
        // Name ascending, descending, ascending; the two Meyers by Mitglnr (2 before 7).
        for (const std::vector<int>& expected : {std::vector<int>{1, 2, 0, 3}, {3, 0, 2, 1}, {1, 2, 0, 3}}) {
            ClickColumn(d.hwnd, left, 0);
            EXPECT_EQ(Order(left), expected);
        }
        // The other list keeps its own state.
        ClickColumn(d.hwnd, right, 2);
        EXPECT_EQ(Order(right), (std::vector<int>{2, 3, 0, 1}));
        ClickColumn(d.hwnd, right, 2);
        EXPECT_EQ(Order(right), (std::vector<int>{1, 0, 3, 2}));
        EXPECT_EQ(d.sortColumns[right], -3);
        EXPECT_EQ(d.sortColumns[left], 1);

        ::SetFocus(::GetDlgItem(d.hwnd, kLink));
        ::SendMessageW(::GetDlgItem(d.hwnd, kStatusBar), SB_SETTEXTW, 0,
                       reinterpret_cast<LPARAM>(L"4 members, sorted by name"));
        wchar_t hold[16] = {};
        const int holdMs = ::GetEnvironmentVariableW(L"HORAL_HOLD_MS", hold, 16) > 0 ? _wtoi(hold) : 0;
        ::SetTimer(d.hwnd, 2, holdMs > 0 ? static_cast<UINT>(holdMs) : 1, EndShowcase);
    });
}

}  // namespace
