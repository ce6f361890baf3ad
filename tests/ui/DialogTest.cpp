#include "UiTest.h"

#include "TypedList.h"
#include "platform/Handles.h"
#include "ui/TypedListView.h"

#include <cstdlib>
#include <iterator>
#include <new>
#include <tuple>
#include <vector>

static bool failAllocations = false;

// The link control allocates its state with the nothrow new; this one fails on demand.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return failAllocations ? nullptr : std::malloc(size);
}

namespace {

// The button and the link come first, so the lists' shares do not push them.
constexpr std::uint32_t kList = kLayoutShareX | kLayoutStretchX | kLayoutStretchY;
LayoutRule membersLayout[] = {
    {0x30000000, 0, kLayoutBottomY, kLink},
    {0x40000000, 0, kLayoutRightX | kLayoutBottomY, IDOK},
    {0x10000000, 2, kList, kLeftList},
    {0x20000000, 1, kList, kRightList},
    {},
};

// The list rows; "Mitglnr" breaks ties.
const std::vector<std::wstring> kRecords = {
    L"<M><Name>meyer</Name><Euro>12,50</Euro><Nr>42</Nr><Tag>20060101</Tag><Mitglnr>7</Mitglnr></M>",
    L"<M><Name>Albers</Name><Euro>-1999</Euro><Nr>1234567</Nr><Tag>31.12.2005</Tag><Mitglnr>3</Mitglnr></M>",
    L"<M><Name>Meyer</Name><Euro>123456789</Euro><Nr>-9223372036854775808</Nr><Mitglnr>2</Mitglnr></M>",
    L"<M><Name>Z\u00e4nder</Name><Nr>4294967338</Nr><Mitglnr>11</Mitglnr></M>",
};

// The last two columns do not sort: one has no type, the other no field.
ColumnDescriptor kColumns[] = {
    {0, {}, L"Name", L"Text"}, {1, {}, L"Euro", L"Money"},    {2, {}, L"Nr", L"Int"}, {3, {}, L"Nr", L"Int(5)"},
    {4, {}, L"Tag", L"Date"},  {5, {}, L"Mitglnr", L"Stars"}, {6, {}, L"Name", L""},  {7, {}, L"", L"Int"},
};

// The sort mark of a column: 1 up, -1 down, 0 none, read as header flags or
// as images (0 up, 1 down).
int Mark(HWND list, int column, bool flags)
{
    HDITEMW item{HDI_FORMAT | HDI_IMAGE};
    Header_GetItem(ListView_GetHeader(list), column, &item);
    const bool image = (item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT);
    return flags ? !!(item.fmt & HDF_SORTUP) - !!(item.fmt & HDF_SORTDOWN) : image ? 1 - 2 * item.iImage : 0;
}

// Sends each button message with the cursor at its point (the link control
// hit-tests where the cursor is); how many clicks the dialog has had.
int Press(TestDialog& dialog, HWND link, std::initializer_list<std::pair<UINT, POINT>> steps)
{
    for (auto [message, at] : steps) {
        ::ClientToScreen(link, &at);
        ::SetCursorPos(at.x, at.y);
        ::SendMessageW(link, message, 0, 0);
    }
    return dialog.notifications[NM_CLICK];
}

TEST(ui_dialog, LinkTextParts)
{
    // prefix|url|link text|suffix; markers in any letter case, only the first link counts.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Visit <a hReF=\"x\">here</A> now", L"Visit |x|here| now"},
        {L"a <A HREF=\"x\">b", L"a |x|b|"},
        {L"a <a href=\"x", L"a |x||"},
        {L"plain text", L"plain text|||"},
        {nullptr, L"|||"},
        {L"<a href=\"1\">one</a> <a href=\"2\">two</a>", L"|1|one| <a href=\"2\">two</a>"}};
    for (const auto& [text, expected] : cases) {
        const HyperlinkParts parts = ParseHyperlinkText(text);
        EXPECT_EQ(parts.prefix + L"|" + parts.url + L"|" + parts.linkText + L"|" + parts.suffix, expected);
    }
}

// A modal run, then the members dialog: the sizing services, the typed lists,
// sorting by header clicks and the link. It is left open: closing a window
// with a frame takes two seconds here.
TEST(ui_dialog, FrameworkDialogs)
{
    TestDialog modal(nullptr, 77);
    EXPECT_EQ(modal.DoModal(::GetModuleHandleW(nullptr), kFixedDialog, nullptr), 77);
    EXPECT_TRUE(modal.initSeen && modal.hwnd == nullptr);  // bound at WM_INITDIALOG, unbound at WM_NCDESTROY
    EXPECT_EQ(modal.messages[WM_SETICON], 0);              // no sizing border, no icons
    EXPECT_EQ(modal.DoModal(::GetModuleHandleW(nullptr), 999, nullptr), -1);

    TestDialog dialog(membersLayout);
    HWND window = dialog.Open(kMembersDialog);
    EXPECT_EQ(dialog.messages[WM_SETICON], 2);
    RECT start{};
    ::GetWindowRect(window, &start);
    MINMAXINFO info{};
    ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    const int width = info.ptMinTrackSize.x - 1, height = info.ptMinTrackSize.y - 1;
    EXPECT_TRUE(width == start.right - start.left && height == start.bottom - start.top);
    // Every size gives the rectangles the table taken at the start gives for
    // it, whatever came before, and so does restoring after minimising (-1);
    // the status bar stays at the bottom.
    const std::vector<LayoutRule> snapshot(std::begin(membersLayout), std::end(membersLayout));
    int dw = 0;
    for (int grow : {300, 10, 100, -1, 200}) {
        if (grow < 0) {
            ::ShowWindow(window, SW_MINIMIZE);
            ::ShowWindow(window, SW_RESTORE);
        } else {
            ::SetWindowPos(window, nullptr, 0, 0, width + (dw = grow), height + 40, SWP_NOMOVE | SWP_NOZORDER);
        }
        ComputeLayout(snapshot.data(), 0, 0, 0, 0, dw, 40, [window, dw](const LayoutRule& rule, const RECT& target) {
            RECT r{};
            ::GetWindowRect(::GetDlgItem(window, rule.controlId), &r);
            EXPECT_TRUE(ScreenRectToClient(window, r) && ::EqualRect(&r, &target)) << rule.controlId << " at " << dw;
        });
        RECT client{};
        ::GetClientRect(window, &client);
        EXPECT_EQ(::ChildWindowFromPoint(window, {client.right - 2, client.bottom - 2}), dialog.statusBar) << dw;
    }

    HWND lists[] = {::GetDlgItem(window, kLeftList), ::GetDlgItem(window, kRightList)};
    for (auto [list, columns] : {std::pair{lists[0], 8}, {lists[1], 3}}) {
        AddTypedColumns(list, kColumns, columns, 70);
        FillTypedList(list, kRecords, columns);
    }
    // A start record that names no dialog binds nothing.
    DialogStartRecord empty{0, nullptr};
    for (LPARAM start : {LPARAM(0), LPARAM(&empty)}) {
        EXPECT_FALSE(DialogBase::StaticDialogProc(lists[1], WM_INITDIALOG, 0, start) ||
                     ::GetPropW(lists[1], L"VM_CDialog"));
    }

    // Cell texts, custom ones from FormatCustomCell (an empty type is custom
    // too), cut with "..." to the buffer and never written past it. A list
    // view in ANSI form gets the text in the ANSI code page within its buffer,
    // through the wide request the dialog sees alone.
    const std::tuple<int, int, int, bool, const wchar_t*> cells[] = {
        {0, 0, 260, true, L"meyer"},        {2, 1, 260, true, L"1.234.567,89"}, {0, 5, 260, true, L"Stars:5:*******"},
        {0, 6, 260, true, L":6:"},          {2, 1, 13, true, L"1.234.567,89"},  {2, 1, 12, true, L"1.234.56..."},
        {3, 0, 260, false, L"Z\u00e4nder"}, {3, 0, 4, false, L"Z\u00e4n"},      {2, 1, 260, false, L"1.234.567,89"},
    };
    for (auto [item, column, capacity, wide, text] : cells) {
        ::SendMessageW(lists[0], LVM_SETUNICODEFORMAT, wide, 0);
        std::vector<wchar_t> buffer(capacity + 1, L'#');
        ListView_GetItemText(lists[0], item, column, buffer.data(), capacity);
        EXPECT_EQ(buffer[capacity], L'#') << item << "/" << column;
        EXPECT_STREQ(buffer.data(), text) << item << "/" << column;
    }
    // Nothing is written into a null or zero-size ANSI buffer.
    char untouched[] = "##";
    for (auto [text, capacity] : {std::pair{static_cast<char*>(nullptr), 16}, {untouched, 0}}) {
        NMLVDISPINFOA request{{lists[0], 0, UINT(LVN_GETDISPINFOA)}, {LVIF_TEXT, 3, 0, 0, 0, text, capacity}};
        ::SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
    }
    EXPECT_STREQ(untouched, "##");
    EXPECT_EQ(dialog.notifications[LVN_GETDISPINFOA], 0);

    // Sort marks both ways, the mark moving between columns: header flags, or
    // an image from bitmap 1111 (up 0, down 1) on older controls.
    ASSERT_EQ(::ImageList_GetImageCount(SortMarkImages()), 2);
    for (bool flags : {false, true}) {
        for (std::int32_t column : {2, -2, 7, -4, 0}) {
            ASSERT_TRUE(SetSortMarkStyle(lists[0], column, flags));
            for (int c = 0; c < 8; ++c) {
                EXPECT_EQ(Mark(lists[0], c, flags), column == c + 1 ? 1 : column == -c - 1 ? -1 : 0) << column << c;
            }
        }
    }
    EXPECT_EQ(Header_GetImageList(ListView_GetHeader(lists[0])), SortMarkImages());

    // Any non-zero result reaches the list view as -1 or 1, also one whose low
    // 32 bits are zero; a descending (negative) column turns it round.
    for (auto [a, b, column, expected] :
         {std::array{3, 0, 3, 1}, {0, 3, 3, -1}, {3, 0, -3, -1}, {0, 0, -3, 0}, {2, 3, -3, 1}}) {
        SortContext context{&dialog, column, lists[0]};
        EXPECT_EQ(CompareListItems(LPARAM(kRecords[a].c_str()), LPARAM(kRecords[b].c_str()), LPARAM(&context)),
                  expected);
    }

    // Header clicks: ascending, then descending on the same column, per list;
    // the mark follows every click. Money by amount, dates by the stored text
    // ("31.12.2005" after "20060101"), the two Meyers by Mitglnr (2 before 7).
    const std::tuple<int, int, std::vector<int>> clicks[] = {
        {0, 1, {1, 3, 0, 2}}, {0, 4, {2, 3, 0, 1}}, {0, 6, {2, 3, 0, 1}}, {0, 7, {2, 3, 0, 1}},
        {0, 0, {1, 2, 0, 3}}, {0, 0, {3, 0, 2, 1}}, {0, 0, {1, 2, 0, 3}}, {1, 2, {2, 0, 1, 3}},
        {1, 2, {3, 1, 0, 2}}, {0, 0, {3, 0, 2, 1}}, {0, 0, {1, 2, 0, 3}},
    };
    for (const auto& [list, column, order] : clicks) {
        ClickColumn(window, lists[list], column);
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(GetItemRecord(lists[list], row), kRecords[order[row]].c_str())
                << list << "/" << column << ": " << row;
        }
        EXPECT_NE(Mark(lists[list], column, false), 0);
    }

    // The link: the template's text lives in the state only; the dotted focus
    // rectangle runs along the top while it has the focus and shows a link.
    HWND link = ::GetDlgItem(window, kLink);
    EXPECT_EQ(::GetWindowTextLengthW(link), 0);
    for (auto [focus, text, framed] : {std::tuple{lists[0], L"<a href=\"x\">x</a>", false},
                                       {link, L"<a href=\"x\">x</a>", true},
                                       {link, L"x", false}}) {
        ::SetWindowTextW(link, text);
        ::SetFocus(focus);
        ::RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = ::GetDC(link);
        int marks = 0;
        for (int x = 0; x < 290; ++x) {
            marks += ::GetPixel(dc, x, 0) != ::GetPixel(dc, 290, 12);
        }
        EXPECT_EQ(::ReleaseDC(link, dc) && marks > 0, framed) << text;
    }
    // After WM_SETTEXT the window text is the marked-up text. Only a press
    // that goes down and up on the link clicks; the URL is cut to its limit.
    const std::wstring url = L"http://example.invalid/" + std::wstring(2500, L'p');
    const std::wstring marked = L"Visit <A HREF=\"" + url + L"\">here</A> now";
    ::SetWindowTextW(link, marked.c_str());
    std::wstring text(marked.size() + 2, L'\0');
    text.resize(::GetWindowTextW(link, text.data(), static_cast<int>(text.size())));
    EXPECT_EQ(text, marked);
    // A small font first, so that the dialog's larger one moves the link: where
    // it was is plain text then.
    UniqueGdiObject font(::CreateFontW(-6, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    const auto* state = reinterpret_cast<const HyperlinkState*>(::GetWindowLongPtrW(link, 0));
    const auto middle = [state] { return POINT{(state->linkLeft + state->linkRight) / 2, state->linkHeight / 2}; };
    const POINT onLink = middle(), onText{1, 1};
    constexpr UINT down = WM_LBUTTONDOWN, up = WM_LBUTTONUP;
    EXPECT_EQ(Press(dialog, link, {{down, onLink}, {up, onText}, {up, onLink}, {down, onText}, {up, onLink}}), 0);
    EXPECT_EQ(Press(dialog, link, {{down, onLink}, {up, onLink}}), 1);
    EXPECT_TRUE(dialog.link.hdr.hwndFrom == link && dialog.link.hdr.idFrom == kLink);
    EXPECT_EQ(dialog.link.item.szUrl, url.substr(0, kHyperlinkMaxUrl));
    ::SendMessageW(link, WM_SETFONT, ::SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    EXPECT_EQ(Press(dialog, link, {{down, onLink}, {up, onLink}}), 1);
    EXPECT_EQ(Press(dialog, link, {{down, middle()}, {up, middle()}}), 2);
    // Without its state WM_CREATE refuses the window.
    failAllocations = true;
    EXPECT_EQ(::CreateWindowExW(0, L"SysLink", L"x", WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, nullptr), nullptr);
    failAllocations = false;

    // WM_NCDESTROY unbinds while the window still exists.
    DialogBase::StaticDialogProc(window, WM_NCDESTROY, 0, 0);
    EXPECT_EQ(::GetPropW(window, L"VM_CDialog"), nullptr);
}

}  // namespace
