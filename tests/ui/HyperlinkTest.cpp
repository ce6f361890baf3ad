#include "ui/Hyperlink.h"

#include "Handles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Click {
    WPARAM wParam;
    NMHDR header;
    UINT mask;
    int link;
    std::wstring url;
};
std::vector<Click> clicks;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        auto link = reinterpret_cast<const NMLINK*>(lParam);
        clicks.push_back({wParam, link->hdr, link->item.mask, link->item.iLink, link->item.szUrl});
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void PumpFor(DWORD milliseconds)
{
    DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < milliseconds) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
}

class ui_hyperlink_window : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(RegisterHyperlinkClass());
        WNDCLASSW parentClass{};
        parentClass.lpfnWndProc = ParentProc;
        parentClass.hInstance = ::GetModuleHandleW(nullptr);
        parentClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        parentClass.lpszClassName = L"HoralLinkParent";
        ASSERT_NE(::RegisterClassW(&parentClass), 0);
        // One parent for all tests: destroying top-level windows is slow here.
        parent = ::CreateWindowExW(0, L"HoralLinkParent", L"links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500,
                                   200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        ::SetForegroundWindow(parent);
    }

    static void TearDownTestSuite() { ::DestroyWindow(parent); }

    void SetUp() override { clicks.clear(); }

    void TearDown() override
    {
        while (HWND child = ::GetWindow(parent, GW_CHILD)) {
            ::DestroyWindow(child);
        }
    }

    HWND CreateLink(const wchar_t* text, int id = 42)
    {
        return ::CreateWindowExW(0, L"SysLink", text, WS_CHILD | WS_VISIBLE, 10, 10, 400, 40, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                 nullptr);
    }

    static HyperlinkState& State(HWND link) { return *reinterpret_cast<HyperlinkState*>(::GetWindowLongPtrW(link, 0)); }

    static void MoveCursorTo(HWND link, int x, int y)
    {
        POINT point{x, y};
        ::ClientToScreen(link, &point);
        ::SetCursorPos(point.x, point.y);
    }

    static void MoveCursorOverLink(HWND link)
    {
        const HyperlinkState& state = State(link);
        MoveCursorTo(link, (state.linkLeft + state.linkRight) / 2, state.linkHeight / 2);
    }

    static void Press(HWND link) { ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, 0); }
    static void Release(HWND link) { ::SendMessageW(link, WM_LBUTTONUP, 0, 0); }

    static HWND parent;
};
HWND ui_hyperlink_window::parent = nullptr;

void ExpectParts(const HyperlinkParts& parts, const wchar_t* prefix, const wchar_t* url, const wchar_t* linkText,
                 const wchar_t* suffix)
{
    EXPECT_EQ(parts.prefix, prefix);
    EXPECT_EQ(parts.url, url);
    EXPECT_EQ(parts.linkText, linkText);
    EXPECT_EQ(parts.suffix, suffix);
}

}  // namespace

TEST(ui_hyperlink_parse, MarkersAndMissingParts)
{
    ExpectParts(ParseHyperlinkText(L"Visit <a href=\"x\">here</a> now"), L"Visit ", L"x", L"here", L" now");
    ExpectParts(ParseHyperlinkText(L"a <A HREF=\"x"), L"a ", L"x", L"", L"");
    ExpectParts(ParseHyperlinkText(L"a <A HREF=\"x\">b"), L"a ", L"x", L"b", L"");
    ExpectParts(ParseHyperlinkText(L"plain text"), L"plain text", L"", L"", L"");
    ExpectParts(ParseHyperlinkText(L"<A hReF=\"u\">l</a>"), L"", L"u", L"l", L"");
    // Only the first link counts; the second stays literal text.
    ExpectParts(ParseHyperlinkText(L"<a href=\"1\">one</a> <a href=\"2\">two</a>"), L"", L"1", L"one",
                L" <a href=\"2\">two</a>");
    // Other spellings of the opener are not recognised.
    ExpectParts(ParseHyperlinkText(L"<a  href='x'>y</a>"), L"<a  href='x'>y</a>", L"", L"", L"");
    ExpectParts(ParseHyperlinkText(nullptr), L"", L"", L"", L"");
}

TEST(ui_hyperlink_parse, NotificationRecord)
{
    HWND fake = reinterpret_cast<HWND>(0x1234);
    NMLINK link = MakeLinkClickNotification(fake, 7, std::wstring(3000, L'u'));
    EXPECT_EQ(link.hdr.hwndFrom, fake);
    EXPECT_EQ(link.hdr.idFrom, 7u);
    EXPECT_EQ(link.hdr.code, static_cast<UINT>(NM_CLICK));
    EXPECT_EQ(link.item.mask, static_cast<UINT>(LIF_ITEMINDEX));
    EXPECT_EQ(link.item.iLink, 0);
    EXPECT_EQ(link.item.szID[0], L'\0');
    EXPECT_EQ(std::wstring(link.item.szUrl), std::wstring(kHyperlinkMaxUrl, L'u'));
    EXPECT_EQ(std::wstring(MakeLinkClickNotification(fake, 7, L"http://x").item.szUrl), L"http://x");
}

TEST_F(ui_hyperlink_window, WindowTextHoldsOnlyWhatWasSetLater)
{
    HWND link = CreateLink(L"Visit <a href=\"x\">here</a> now");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(::GetWindowTextLengthW(link), 0);
    EXPECT_EQ(State(link).linkText, L"here");
    EXPECT_GT(State(link).linkLeft, 0);
    EXPECT_GT(State(link).linkRight, State(link).linkLeft);

    const wchar_t* marked = L"Go <A HREF=\"http://example.invalid/\">there</A>!";
    ::SetWindowTextW(link, marked);
    wchar_t buffer[128] = {};
    ::GetWindowTextW(link, buffer, 128);
    EXPECT_STREQ(buffer, marked);
    EXPECT_EQ(State(link).prefix, L"Go ");
    EXPECT_EQ(State(link).url, L"http://example.invalid/");
    EXPECT_EQ(State(link).suffix, L"!");

    HWND unnamed = CreateLink(nullptr, 43);
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(State(unnamed).prefix, L"");
    ::SendMessageW(unnamed, WM_SETTEXT, 0, 0);
    EXPECT_EQ(State(unnamed).linkLeft, State(unnamed).linkRight);
}

TEST_F(ui_hyperlink_window, ClickOnTheLinkNotifiesTheParent)
{
    std::wstring url = L"http://example.invalid/" + std::wstring(2500, L'p');
    std::wstring text = L"Visit <a href=\"" + url + L"\">here</a> now";
    HWND link = CreateLink(text.c_str(), 42);
    ASSERT_NE(link, nullptr);
    MoveCursorOverLink(link);
    Press(link);
    EXPECT_TRUE(State(link).pressed);
    EXPECT_EQ(::GetFocus(), link);
    Release(link);
    EXPECT_FALSE(State(link).pressed);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].wParam, 42u);
    EXPECT_EQ(clicks[0].header.hwndFrom, link);
    EXPECT_EQ(clicks[0].header.idFrom, 42u);
    EXPECT_EQ(clicks[0].header.code, static_cast<UINT>(NM_CLICK));
    EXPECT_EQ(clicks[0].mask, static_cast<UINT>(LIF_ITEMINDEX));
    EXPECT_EQ(clicks[0].url, url.substr(0, kHyperlinkMaxUrl));
}

TEST_F(ui_hyperlink_window, NoNotificationWithoutDownAndUpOnTheLink)
{
    HWND link = CreateLink(L"Visit <a href=\"x\">here</a> now");
    ASSERT_NE(link, nullptr);
    // Down on the link, up on the plain text.
    MoveCursorOverLink(link);
    Press(link);
    MoveCursorTo(link, 2, 2);
    Release(link);
    EXPECT_FALSE(State(link).pressed);
    // Up on the link without a down on it; down on the plain text.
    MoveCursorOverLink(link);
    Release(link);
    MoveCursorTo(link, 2, 2);
    Press(link);
    EXPECT_FALSE(State(link).pressed);
    MoveCursorOverLink(link);
    Release(link);
    EXPECT_TRUE(clicks.empty());

    // Losing the focus forgets a pending press.
    Press(link);
    ::SetFocus(parent);
    Release(link);
    EXPECT_TRUE(clicks.empty());

    // Without link text nothing is clickable.
    HWND empty = CreateLink(L"text <a href=\"x\"></a>", 44);
    MoveCursorTo(empty, State(empty).linkLeft, 0);
    Press(empty);
    Release(empty);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(ui_hyperlink_window, LargerFontMovesTheHitRectangle)
{
    HWND link = CreateLink(L"Some words first <a href=\"x\">link</a>");
    ASSERT_NE(link, nullptr);
    UniqueGdiObject small(::CreateFontW(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    UniqueGdiObject large(::CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(small.Get()), FALSE);
    HyperlinkState before = State(link);
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(large.Get()), FALSE);
    const HyperlinkState& after = State(link);
    EXPECT_GT(after.linkLeft, before.linkRight);
    EXPECT_GT(after.linkHeight, before.linkHeight);

    // Where the small link was is plain text now; the new place is the link.
    MoveCursorTo(link, (before.linkLeft + before.linkRight) / 2, before.linkHeight / 2);
    Press(link);
    Release(link);
    EXPECT_TRUE(clicks.empty());
    MoveCursorOverLink(link);
    Press(link);
    Release(link);
    EXPECT_EQ(clicks.size(), 1u);
    ::SendMessageW(link, WM_SETFONT, 0, FALSE);
}

namespace {

// Whether any pixel of the top row of the link's rectangle differs from the
// control's background, as the dotted focus rectangle does.
bool TopRowMarked(HWND link)
{
    ::InvalidateRect(link, nullptr, TRUE);
    ::UpdateWindow(link);
    const HyperlinkState& state = *reinterpret_cast<HyperlinkState*>(::GetWindowLongPtrW(link, 0));
    HDC dc = ::GetDC(link);
    COLORREF background = ::GetPixel(dc, 395, 35);
    bool marked = false;
    for (int x = state.linkLeft; x < state.linkRight && !marked; ++x) {
        marked = ::GetPixel(dc, x, 0) != background;
    }
    ::ReleaseDC(link, dc);
    return marked;
}

}  // namespace

TEST_F(ui_hyperlink_window, UnderlineAndFocusRectangleOnlyWithALink)
{
    HWND link = CreateLink(L"Visit <a href=\"x\">here</a> now");
    HWND plain = CreateLink(L"nothing to click here", 43);
    ASSERT_NE(link, nullptr);
    ::SetFocus(parent);
    EXPECT_FALSE(TopRowMarked(link));
    ::SetFocus(link);
    EXPECT_TRUE(TopRowMarked(link));

    const HyperlinkState& state = State(link);
    HDC dc = ::GetDC(link);
    EXPECT_EQ(::GetPixel(dc, (state.linkLeft + state.linkRight) / 2, state.linkHeight - 1), RGB(0, 0, 255));
    ::ReleaseDC(link, dc);

    ::SetFocus(plain);
    EXPECT_EQ(::GetFocus(), plain);
    EXPECT_FALSE(TopRowMarked(plain));
}

TEST_F(ui_hyperlink_window, RealMouseClickThroughTheInputQueue)
{
    HWND link = CreateLink(L"Visit <a href=\"http://x/\">here</a> now");
    ASSERT_NE(link, nullptr);
    ::UpdateWindow(parent);
    PumpFor(200);
    MoveCursorOverLink(link);
    PumpFor(100);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, input, sizeof(INPUT)), 2u);
    for (int i = 0; i < 40 && clicks.empty(); ++i) {
        PumpFor(50);
    }
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].url, L"http://x/");
    // The hand cursor is shown over the link.
    EXPECT_EQ(::SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
}
