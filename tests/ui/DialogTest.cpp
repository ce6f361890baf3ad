#include "ui/DialogBase.h"
#include "ui/Hyperlink.h"
#include "ui/TypedListView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr WORD kMembersDialog = 200;
constexpr WORD kFixedDialog = 201;
constexpr int kLeftList = 301;
constexpr int kRightList = 302;
constexpr int kLink = 303;
constexpr int kStatusBar = 304;
constexpr UINT kRunScript = WM_APP + 10;
constexpr UINT_PTR kWatchdog = 1;

// The button and the link come first, so the lists' shares do not push them.
LayoutRule membersLayout[] = {
    {0x30000000, 0, kLayoutBottomY, kLink, {}},
    {0x40000000, 0, kLayoutRightX | kLayoutBottomY, IDOK, {}},
    {0x10000000, 2, kLayoutShareX | kLayoutStretchX | kLayoutStretchY, kLeftList, {}},
    {0x20000000, 1, kLayoutShareX | kLayoutStretchX | kLayoutStretchY, kRightList, {}},
    {},
};

// A dialog whose test runs inside its modal loop: the script is started by a
// posted message once the dialog is up, and a watchdog ends a dialog that a
// faulty script left open.
class TestDialog : public ModalDialog {
public:
    explicit TestDialog(LayoutRule* table = nullptr) : ModalDialog(table) {}

    std::wstring FormatCustomCell(HWND, std::int32_t columnId, const XmlNode& field,
                                  const std::wstring& typeName) override
    {
        XmlNode copy = field;
        return typeName + L":" + std::to_wstring(columnId) + L":" + std::wstring(copy.GetInt(), L'*');
    }

    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
            case WM_INITDIALOG:
                initHwndSet = hwnd == window;
                initLParam = lParam;
                snapshotTaken = layoutTable == nullptr || layoutTable[0].rect.right != 0;
                ::SetTimer(window, kWatchdog, 20000, nullptr);
                ::PostMessageW(window, kRunScript, 0, 0);
                return TRUE;
            case kRunScript:
                if (script) {
                    script(*this);
                }
                return TRUE;
            case WM_TIMER:
                if (wParam == kWatchdog) {
                    Close(-2);
                }
                return TRUE;
            case WM_SETICON:
                ++iconMessages;
                return FALSE;
            case WM_NOTIFY: {
                UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
                if (code == LVN_GETDISPINFOA) {
                    ++ansiRequests;
                } else if (code == LVN_GETDISPINFOW) {
                    ++wideRequests;
                } else if (code == static_cast<UINT>(NM_CLICK)) {
                    linkUrl = reinterpret_cast<const NMLINK*>(lParam)->item.szUrl;
                }
                return FALSE;
            }
            case WM_NCDESTROY:
                ncDestroySeen = true;
                return ncDestroyResult;
            default:
                return FALSE;
        }
    }

    std::function<void(TestDialog&)> script;
    bool initHwndSet = false;
    LPARAM initLParam = -1;
    bool snapshotTaken = false;
    int iconMessages = 0;
    int ansiRequests = 0;
    int wideRequests = 0;
    bool ncDestroySeen = false;
    INT_PTR ncDestroyResult = 0;
    std::wstring linkUrl;
};

// Records of the members list; "Mitglnr" breaks ties.
const wchar_t* const kRecords[] = {
    L"<Mitglied><Name>meyer</Name><Betrag>12,50</Betrag><Nr>42</Nr><Datum>20060101</Datum>"
    L"<Stars>3</Stars><Mitglnr>7</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Albers</Name><Betrag>-1999</Betrag><Nr>1234567</Nr><Datum>31.12.2005</Datum>"
    L"<Stars>1</Stars><Mitglnr>3</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Meyer</Name><Betrag>123456789</Betrag><Nr>-5</Nr><Datum>20051231</Datum>"
    L"<Stars>5</Stars><Mitglnr>2</Mitglnr></Mitglied>",
    L"<Mitglied><Name>Zander</Name><Nr>7</Nr><Mitglnr>11</Mitglnr></Mitglied>",
};

ColumnDescriptor MakeColumn(std::int32_t id, const wchar_t* field, const wchar_t* type)
{
    ColumnDescriptor column{};
    column.columnId = id;
    wcsncpy(column.fieldName, field, kFieldNameChars - 1);
    wcsncpy(column.typeName, type, kTypeNameChars - 1);
    return column;
}

ColumnDescriptor kColumns[] = {
    MakeColumn(0, L"Name", L"Text"), MakeColumn(1, L"Betrag", L"Money"), MakeColumn(2, L"Nr", L"Int"),
    MakeColumn(3, L"Nr", L"Int(5)"), MakeColumn(4, L"Datum", L"Date"),   MakeColumn(5, L"Stars", L"Stars"),
    MakeColumn(6, L"Name", L""),
};
constexpr int kColumnCount = 7;

void FillList(HWND list, int columns)
{
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = kColumns[c].fieldName;
        column.cx = 70;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        // The list view keeps no lParam of its own for columns: it lives in
        // the header item.
        HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
        HDITEMW item{};
        item.mask = HDI_LPARAM;
        item.lParam = reinterpret_cast<LPARAM>(&kColumns[c]);
        ::SendMessageW(header, HDM_SETITEMW, c, reinterpret_cast<LPARAM>(&item));
    }
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = reinterpret_cast<LPARAM>(kRecords[i]);
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < columns; ++c) {
            item.iSubItem = c;
            item.mask = LVIF_TEXT;
            ::SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

std::wstring CellText(HWND list, int item, int column, int capacity = 260)
{
    std::vector<wchar_t> buffer(capacity, L'#');
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = buffer.data();
    request.cchTextMax = capacity;
    ::SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
    return request.pszText;
}

// The Mitglnr of each row, top to bottom.
std::vector<int> Order(HWND list)
{
    std::vector<int> order;
    int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const wchar_t* record = GetItemRecord(list, i);
        for (int r = 0; r < 4; ++r) {
            if (record == kRecords[r]) {
                order.push_back(r);
            }
        }
    }
    return order;
}

void ClickColumn(HWND dialog, HWND list, int column)
{
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageW(dialog, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

HDITEMW HeaderItem(HWND list, int column)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    ::SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item;
}

INT_PTR RunDialog(TestDialog& dialog, WORD templateId, std::function<void(TestDialog&)> script)
{
    dialog.script = std::move(script);
    return dialog.DoModal(::GetModuleHandleW(nullptr), templateId, nullptr);
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

}  // namespace

TEST(ui_dialog_sort, ComparisonReducedToOneStep)
{
    EXPECT_EQ(ReduceComparison(0, 3), 0);
    EXPECT_EQ(ReduceComparison(0, -3), 0);
    EXPECT_EQ(ReduceComparison(0x100000000ll, 1), 1);  // low 32 bits zero, still not equal
    EXPECT_EQ(ReduceComparison(-0x100000000ll, 1), -1);
    EXPECT_EQ(ReduceComparison(INT64_MIN, 1), -1);
    EXPECT_EQ(ReduceComparison(INT64_MIN, -1), 1);
    EXPECT_EQ(ReduceComparison(INT64_MAX, -2), -1);
    EXPECT_EQ(NextSortColumn(0, 2), 2);
    EXPECT_EQ(NextSortColumn(2, 2), -2);
    EXPECT_EQ(NextSortColumn(-2, 2), 2);
    EXPECT_EQ(NextSortColumn(-2, 3), 3);
}

TEST_F(ui_dialog, BindsAtInitAndUnbindsAtNcDestroy)
{
    TestDialog dialog;
    HWND seen = nullptr;
    INT_PTR result = RunDialog(dialog, kFixedDialog, [&seen](TestDialog& d) {
        seen = d.hwnd;
        EXPECT_EQ(::GetPropW(d.hwnd, kDialogProperty), &d);
        d.SetItemInt(401, -1234567890123ll);
        EXPECT_EQ(d.GetItemText(401), L"-1234567890123");
        EXPECT_EQ(d.GetItemInt(401), -1234567890123ll);
        d.SetItemText(401, L"");
        EXPECT_EQ(d.GetItemText(401), L"");
        d.Close(77);
    });
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(dialog.initHwndSet);
    EXPECT_EQ(dialog.initLParam, 0);
    EXPECT_TRUE(dialog.ncDestroySeen);
    EXPECT_EQ(dialog.hwnd, nullptr);
    EXPECT_FALSE(::IsWindow(seen));
    // No sizing border: no icons.
    EXPECT_EQ(dialog.iconMessages, 0);

    // A non-zero answer to WM_NCDESTROY comes back as 1, and the property is gone.
    TestDialog unbound;
    unbound.ncDestroyResult = 5;
    RunDialog(unbound, kFixedDialog, [](TestDialog& d) {
        HWND window = d.hwnd;
        EXPECT_EQ(DialogBase::StaticDialogProc(window, WM_NCDESTROY, 0, 0), 1);
        EXPECT_EQ(::GetPropW(window, kDialogProperty), nullptr);
        EXPECT_EQ(d.hwnd, nullptr);
        ::EndDialog(window, 3);
    });
}

TEST_F(ui_dialog, DoModalFailsForAMissingTemplate)
{
    TestDialog dialog;
    EXPECT_EQ(dialog.DoModal(::GetModuleHandleW(nullptr), 999, nullptr), -1);
}

TEST_F(ui_dialog, SizingServices)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        EXPECT_TRUE(d.snapshotTaken);
        EXPECT_EQ(d.iconMessages, 2);
        EXPECT_EQ(d.statusBar, ::GetDlgItem(d.hwnd, kStatusBar));
        RECT window{};
        ::GetWindowRect(d.hwnd, &window);
        MINMAXINFO info{};
        ::SendMessageW(d.hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left + 1);
        EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top + 1);

        RECT okBefore = membersLayout[1].rect;
        ::SetWindowPos(d.hwnd, nullptr, 0, 0, window.right - window.left + 90, window.bottom - window.top + 40,
                       SWP_NOMOVE | SWP_NOZORDER);
        RECT ok{};
        ::GetWindowRect(::GetDlgItem(d.hwnd, IDOK), &ok);
        ScreenRectToClient(d.hwnd, ok);
        EXPECT_EQ(ok.left - okBefore.left, 90);
        EXPECT_EQ(ok.top - okBefore.top, 40);
        RECT left{};
        ::GetWindowRect(::GetDlgItem(d.hwnd, kLeftList), &left);
        ScreenRectToClient(d.hwnd, left);
        EXPECT_EQ(left.right - membersLayout[2].rect.right, 60);  // two thirds of the extra width

        // The status bar sits on the bottom of the new client area.
        RECT client{}, status{};
        ::GetClientRect(d.hwnd, &client);
        ::GetWindowRect(d.statusBar, &status);
        ScreenRectToClient(d.hwnd, status);
        EXPECT_EQ(status.bottom, client.bottom);
        EXPECT_EQ(status.right, client.right);
        d.Close(1);
    });
}

TEST_F(ui_dialog, CellTextsOfEveryColumnType)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND list = ::GetDlgItem(d.hwnd, kLeftList);
        FillList(list, kColumnCount);
        EXPECT_EQ(GetItemRecord(list, 1), kRecords[1]);
        EXPECT_EQ(GetColumnDescriptor(list, 4), &kColumns[4]);
        EXPECT_EQ(GetItemRecord(list, 9), nullptr);

        EXPECT_EQ(CellText(list, 0, 0), L"meyer");
        EXPECT_EQ(CellText(list, 0, 1), L"12,50");
        EXPECT_EQ(CellText(list, 2, 1), L"1.234.567,89");
        EXPECT_EQ(CellText(list, 1, 2), L"1234567");
        EXPECT_EQ(CellText(list, 1, 3), L"34567");
        EXPECT_EQ(CellText(list, 0, 3), L"00042");
        EXPECT_EQ(CellText(list, 0, 4), L"01.01.2006");
        EXPECT_EQ(CellText(list, 0, 5), L"Stars:5:***");
        EXPECT_EQ(CellText(list, 3, 1), L"0,00");  // missing field
        // A column whose type is empty is a custom type for display.
        EXPECT_EQ(CellText(list, 0, 6), L":6:");
        // Too long for the buffer: cut and ended with "...".
        EXPECT_EQ(CellText(list, 2, 1, 8), L"1.23...");
        EXPECT_EQ(CellText(list, 2, 1, 13), L"1.234.567,89");
        EXPECT_GT(d.wideRequests, 0);
        d.Close(1);
    });
}

TEST_F(ui_dialog, AnsiRequestsAreServedThroughTheWideOne)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND list = ::GetDlgItem(d.hwnd, kLeftList);
        FillList(list, kColumnCount);
        int wideBefore = d.wideRequests;
        char buffer[8] = "xxxxxxx";
        NMLVDISPINFOA request{};
        request.hdr.hwndFrom = list;
        request.hdr.idFrom = kLeftList;
        request.hdr.code = LVN_GETDISPINFOA;
        request.item.mask = LVIF_TEXT;
        request.item.iItem = 2;
        request.item.iSubItem = 1;
        request.item.pszText = buffer;
        request.item.cchTextMax = sizeof(buffer);
        ::SendMessageW(d.hwnd, WM_NOTIFY, kLeftList, reinterpret_cast<LPARAM>(&request));
        // The whole wide text fits the relay's buffer; the ANSI buffer keeps 7 bytes.
        EXPECT_STREQ(buffer, "1.234.5");
        EXPECT_EQ(d.ansiRequests, 0);
        EXPECT_EQ(d.wideRequests, wideBefore + 1);

        // A cell nobody answers leaves an empty text.
        request.item.iItem = 7;
        ::SendMessageW(d.hwnd, WM_NOTIFY, kLeftList, reinterpret_cast<LPARAM>(&request));
        EXPECT_STREQ(buffer, "");

        // A real list view that notifies in ANSI form.
        ::SendMessageW(list, LVM_SETUNICODEFORMAT, FALSE, 0);
        EXPECT_EQ(CellText(list, 0, 4), L"01.01.2006");
        EXPECT_EQ(d.ansiRequests, 0);
        d.Close(1);
    });
}

TEST_F(ui_dialog, HeaderClicksSortEachListOnItsOwn)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND left = ::GetDlgItem(d.hwnd, kLeftList);
        HWND right = ::GetDlgItem(d.hwnd, kRightList);
        FillList(left, kColumnCount);
        FillList(right, 3);

        // Name, case-insensitive; the two Meyers by Mitglnr (2 before 7).
        ClickColumn(d.hwnd, left, 0);
        EXPECT_EQ(Order(left), (std::vector<int>{1, 2, 0, 3}));
        ClickColumn(d.hwnd, left, 0);
        EXPECT_EQ(Order(left), (std::vector<int>{3, 0, 2, 1}));
        ClickColumn(d.hwnd, left, 0);
        EXPECT_EQ(Order(left), (std::vector<int>{1, 2, 0, 3}));
        EXPECT_EQ(d.sortColumns[left], 1);

        // Another column sorts ascending by it: money.
        ClickColumn(d.hwnd, left, 1);
        EXPECT_EQ(Order(left), (std::vector<int>{1, 3, 0, 2}));
        EXPECT_EQ(d.sortColumns[left], 2);
        // Dates sort by the stored text: "31.12.2005" after "20060101".
        ClickColumn(d.hwnd, left, 4);
        EXPECT_EQ(Order(left), (std::vector<int>{3, 2, 0, 1}));

        // The other list keeps its own state.
        ClickColumn(d.hwnd, right, 2);
        EXPECT_EQ(Order(right), (std::vector<int>{2, 3, 0, 1}));
        EXPECT_EQ(d.sortColumns[right], 3);
        EXPECT_EQ(d.sortColumns[left], 5);

        // A column without a type moves the mark but keeps the order.
        ClickColumn(d.hwnd, left, 6);
        EXPECT_EQ(Order(left), (std::vector<int>{3, 2, 0, 1}));
        EXPECT_EQ(d.sortColumns[left], 7);
        HDITEMW marked = HeaderItem(left, 6);
        EXPECT_TRUE(marked.fmt & HDF_IMAGE);
        EXPECT_FALSE(HeaderItem(left, 4).fmt & HDF_IMAGE);
        d.Close(1);
    });
}

TEST_F(ui_dialog, SortMarksOfBothControlGenerations)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND list = ::GetDlgItem(d.hwnd, kLeftList);
        FillList(list, kColumnCount);
        HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));

        // Older controls: an image on the right, 0 ascending, 1 descending.
        ASSERT_NE(SortMarkImages(), nullptr);
        EXPECT_EQ(::ImageList_GetImageCount(SortMarkImages()), 2);
        EXPECT_TRUE(SetSortMarkStyle(list, 2, false));
        EXPECT_EQ(HeaderItem(list, 1).fmt & (HDF_IMAGE | HDF_BITMAP_ON_RIGHT), HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
        EXPECT_EQ(HeaderItem(list, 1).iImage, 0);
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessageW(header, HDM_GETIMAGELIST, 0, 0)), SortMarkImages());
        EXPECT_TRUE(SetSortMarkStyle(list, -2, false));
        EXPECT_EQ(HeaderItem(list, 1).iImage, 1);
        EXPECT_TRUE(SetSortMarkStyle(list, 4, false));
        EXPECT_FALSE(HeaderItem(list, 1).fmt & HDF_IMAGE);
        EXPECT_TRUE(HeaderItem(list, 3).fmt & HDF_IMAGE);
        EXPECT_TRUE(SetSortMarkStyle(list, 0, false));
        EXPECT_FALSE(HeaderItem(list, 3).fmt & HDF_IMAGE);

        // Version 6: the header's own arrows and the selected column.
        EXPECT_TRUE(SetSortMarkStyle(list, 3, true));
        EXPECT_EQ(HeaderItem(list, 2).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
        EXPECT_EQ(::SendMessageW(list, LVM_GETSELECTEDCOLUMN, 0, 0), 2);
        EXPECT_TRUE(SetSortMarkStyle(list, -3, true));
        EXPECT_EQ(HeaderItem(list, 2).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
        EXPECT_TRUE(SetSortMarkStyle(list, 1, true));
        EXPECT_EQ(HeaderItem(list, 2).fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
        EXPECT_EQ(HeaderItem(list, 0).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
        EXPECT_TRUE(SetSortMarkStyle(list, 0, true));
        EXPECT_EQ(HeaderItem(list, 0).fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
        EXPECT_EQ(::SendMessageW(list, LVM_GETSELECTEDCOLUMN, 0, 0), -1);

        // A list view without a header cannot be marked.
        EXPECT_FALSE(SetSortMark(::GetDlgItem(d.hwnd, IDOK), 1));
        d.Close(1);
    });
}

TEST_F(ui_dialog, LinkInADialogNotifiesTheDialog)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND link = ::GetDlgItem(d.hwnd, kLink);
        ASSERT_EQ(WindowClassName(link), L"SysLink");
        auto state = reinterpret_cast<const HyperlinkState*>(::GetWindowLongPtrW(link, 0));
        ASSERT_NE(state, nullptr);
        POINT point{(state->linkLeft + state->linkRight) / 2, state->linkHeight / 2};
        ::ClientToScreen(link, &point);
        ::SetCursorPos(point.x, point.y);
        ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ::SendMessageW(link, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(d.linkUrl, L"http://example.invalid/members");
        d.Close(1);
    });
}

void CALLBACK EndShowcase(HWND window, UINT, UINT_PTR, DWORD)
{
    ::EndDialog(window, 1);
}

// Left on screen for a while when HORAL_HOLD_MS is set, for a screenshot.
TEST_F(ui_dialog, Showcase)
{
    TestDialog dialog(membersLayout);
    RunDialog(dialog, kMembersDialog, [](TestDialog& d) {
        HWND left = ::GetDlgItem(d.hwnd, kLeftList);
        HWND right = ::GetDlgItem(d.hwnd, kRightList);
        FillList(left, kColumnCount);
        FillList(right, 3);
        ClickColumn(d.hwnd, left, 0);
        ClickColumn(d.hwnd, right, 2);
        ClickColumn(d.hwnd, right, 2);
        ::SendMessageW(::GetDlgItem(d.hwnd, kStatusBar), SB_SETTEXTW, 0,
                       reinterpret_cast<LPARAM>(L"4 members, sorted by name"));
        ::SetFocus(::GetDlgItem(d.hwnd, kLink));
        wchar_t hold[16] = {};
        DWORD holdMs = 0;
        if (::GetEnvironmentVariableW(L"HORAL_HOLD_MS", hold, 16) > 0) {
            holdMs = static_cast<DWORD>(_wtoi(hold));
        }
        ::SetTimer(d.hwnd, 2, holdMs > 0 ? holdMs : 1, EndShowcase);
    });
}
